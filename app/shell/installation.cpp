#include "installation.h"

#include <cstdlib>
#include <fstream>

#include "app/settings/settingsfiles.h"
#include "app/store/mailtables.h"

namespace installation {

namespace fs = std::filesystem;

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
