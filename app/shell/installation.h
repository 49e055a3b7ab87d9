#pragma once

#include <filesystem>

// What a new data directory gets: the mail store with its five empty
// tables, default settings, an empty receipt banner and the first-run marker.
namespace installation {

inline constexpr const char* DatabaseFileName = "Corvalen.db";
inline constexpr const char* FirstRunMarkerName = "Corvalen.firstrun";

// Sets the directory up unless it already has a mail store. Existing
// settings files are kept. Returns true when it installed.
bool InstallIfMissing(const std::filesystem::path& Dir);

}  // namespace installation
