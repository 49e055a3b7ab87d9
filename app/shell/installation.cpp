#include "installation.h"

#include <cstdlib>
#include <fstream>

#include "app/settings/settingsfiles.h"
#include "app/store/mailtables.h"

namespace installation {

namespace fs = std::filesystem;

bool InstallIfMissing(const fs::path& Dir) {
  if (fs::exists(Dir / DatabaseFileName)) return false;
  const char* Home = std::getenv("HOME");
  if (!fs::exists(Dir / settings::ConfigFileName))
    settings::SaveLines((Dir / settings::ConfigFileName).string(), settings::DefaultConfig(Home ? Home : Dir.string()));
  if (!fs::exists(Dir / settings::BannerFileName)) settings::SaveLines((Dir / settings::BannerFileName).string(), {});
  std::ofstream(Dir / FirstRunMarkerName).close();
  // The store comes last: its presence marks a finished installation.
  CreateMailStore(Dir / DatabaseFileName);
  return true;
}

}  // namespace installation
