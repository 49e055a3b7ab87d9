#pragma once

#include <filesystem>
#include <string>

// Where the program keeps its data, and what a new data directory gets: the
// mail store with its five empty tables, default settings, an empty receipt
// banner and the first-run marker.
namespace installation {

inline constexpr const char* DatabaseFileName = "Corvalen.db";
inline constexpr const char* FirstRunMarkerName = "Corvalen.firstrun";
// Names the data directory when set; else it is Corvalen in the home directory.
inline constexpr const char* DataDirectoryVariable = "CORVALEN_DATA";

// The data directory as an absolute path, whatever the working directory.
std::filesystem::path DataDirectory();

// Creates the data directory when it is missing (readable by the user alone,
// since it holds the mail and the passwords) and makes it the working
// directory, where the program reads and writes its files. Returns it; raises
// the file system's error when it cannot be made or entered.
std::filesystem::path EnterDataDirectory();

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
