#pragma once

#include <filesystem>
#include <string_view>

// Files that must survive a killed process or a lost machine: what fetch
// writes is on disk before the server may delete its source. Each function
// raises Exception naming the file when the system refuses.

// Writes Data into Path (created, or emptied first) and flushes it to disk.
void WriteFileDurably(const std::filesystem::path& Path, std::string_view Data);
// Appends Data to Path (created when missing), without flushing it.
void AppendToFile(const std::filesystem::path& Path, std::string_view Data);
// Flushes Dir's entries (a new name, a rename) to disk. Best effort: some
// file systems refuse to sync a directory.
void SyncDirectory(const std::filesystem::path& Dir);
