#pragma once

#include <filesystem>

// What a new data directory gets: the mail store with its five empty
// tables, default settings, an empty receipt banner and the first-run marker.
namespace installation {

inline constexpr const char* DatabaseFileName = "Corvalen.db";
inline constexpr const char* FirstRunMarkerName = "Corvalen.firstrun";

// Sets the directory up unless it already has a mail store: a store file
// without any of the tables counts as none, and one that lacks only some
// tables gains them. Existing settings files are kept. Returns true when it installed.
bool InstallIfMissing(const std::filesystem::path& Dir);

}  // namespace installation
