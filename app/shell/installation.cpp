#include "installation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "app/settings/settingsfiles.h"
#include "app/store/mailtables.h"

namespace installation {

namespace fs = std::filesystem;

fs::path DataDirectory() {
  const char* Named = std::getenv(DataDirectoryVariable);
  if (Named && *Named) {
    const fs::path Dir = fs::absolute(Named).lexically_normal();
    return Dir.has_filename() ? Dir : Dir.parent_path();
  }
  const char* Home = std::getenv("HOME");
  const passwd* User = Home && *Home ? nullptr : ::getpwuid(::getuid());
  if (User) Home = User->pw_dir;
  if (!Home || !*Home) throw std::runtime_error(std::string("No home directory: set ") + DataDirectoryVariable);
  return fs::absolute(fs::path(Home) / "Corvalen").lexically_normal();
}

fs::path EnterDataDirectory() {
  const fs::path Dir = DataDirectory();
  if (!fs::exists(Dir)) {
    fs::create_directories(Dir.parent_path());
    // Made private at once, not opened up and closed again.
    if (::mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST)
      throw fs::filesystem_error("Cannot create the data directory", Dir, std::error_code(errno, std::generic_category()));
  }
  fs::current_path(Dir);
  return Dir;
}

bool InstallIfMissing(const fs::path& Dir) {
  const fs::path Store = Dir / DatabaseFileName;
  if (fs::exists(Store)) {
    // A store without any of the tables (an empty file) was never set up and
    // is installed as on a first start; any other gains the tables and fields
    // it lacks (a store of an earlier version), and what it has is left as it is.
    if (MissingMailTables(Store) < MailTableCount) {
      CreateMailStore(Store);
      return false;
    }
  }
  if (!fs::exists(Dir / settings::ConfigFileName))
    settings::SaveLines((Dir / settings::ConfigFileName).string(), settings::DefaultConfig(DefaultAttachmentDirectory(Dir)));
  if (!fs::exists(Dir / settings::BannerFileName)) settings::SaveLines((Dir / settings::BannerFileName).string(), {});
  std::ofstream(Dir / FirstRunMarkerName).close();
  // The store comes last: its presence marks a finished installation.
  CreateMailStore(Store);
  return true;
}

std::string DefaultAttachmentDirectory(const fs::path& Dir) {
  const char* Home = std::getenv("HOME");
  return Home && *Home ? Home : Dir.string();
}

bool TakeFirstRunMarker(const fs::path& Dir) {
  std::error_code Error;
  return fs::remove(Dir / FirstRunMarkerName, Error) && !Error;
}

}  // namespace installation
