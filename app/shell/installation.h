#pragma once

#include <filesystem>
#include <string>

// What a new data directory gets: the mail store with its five empty
// tables, default settings, an empty receipt banner and the first-run marker.
namespace installation {

inline constexpr const char* DatabaseFileName = "Corvalen.db";
inline constexpr const char* FirstRunMarkerName = "Corvalen.firstrun";

// Sets the directory up unless it already has a mail store: a store file
// without any of the tables counts as none, and one that lacks some tables or
// fields (written by an earlier version) gains them. Existing settings files
// are kept. Returns true when it installed.
bool InstallIfMissing(const std::filesystem::path& Dir);

// Where received attachments go until the user says otherwise: the home
// directory, or Dir when there is none.
std::string DefaultAttachmentDirectory(const std::filesystem::path& Dir);

// Removes the first-run marker of Dir; true when it was there and is gone,
// so the first-run setup runs once, even when it is cancelled. A marker that
// cannot be removed counts as none, so the setup never comes back every start.
bool TakeFirstRunMarker(const std::filesystem::path& Dir);

}  // namespace installation
