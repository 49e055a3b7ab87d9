#pragma once

#include <string>
#include <string_view>

// Received attachments name their own files, and the name comes from the
// network: it must not reach outside the target directory nor replace a file
// that is already there.

// FileName cut to at most 255 bytes without splitting a UTF-8 sequence. A
// cut name keeps its extension (the text from the last dot of the name part
// that is not its first character, when it is a short one), so a long
// "report….pdf" still ends in ".pdf" and keeps its type.
std::string ShortFileName(std::string_view FileName);

// The plain file name a received attachment may be saved under: the part
// after the last "/" or "\", without control bytes, bidirectional controls
// (U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), surrounding blanks
// or leading dots (so never "." or ".." and never a hidden file), cut by
// ShortFileName; "attachment" when nothing is left.
std::string SafeAttachmentName(std::string_view FileName);

// The Number-th alternative to Name: "name (Number).ext" (the extension is
// the text from the last dot that is not the first character), kept within
// 255 bytes by shortening the part before the suffix. Number 0 gives Name.
std::string NumberedFileName(std::string_view Name, int Number);

// Writes Data into a new file in Directory (empty: the working directory),
// named SafeAttachmentName(FileName), or the first free NumberedFileName of
// it when that name is taken; an existing file is never replaced. The file is
// flushed to disk before this returns. Returns the name the file got (without
// the directory). Raises EFCreateError when no file can be created there and
// EStreamError when writing fails (no partial file is left behind).
std::string SaveNewFile(const std::string& Directory, std::string_view FileName,
                        std::string_view Data);
