#pragma once

#include <string>
#include <string_view>

// Content type given to a file of unknown kind.
inline constexpr const char* DefaultContentType = "application/octet-stream";

// The content type the system registers for FileName's extension (the text
// from the last "." of its name part, any case): "image/gif" for
// "pics/Logo.GIF"; DefaultContentType when the name has no extension or
// the extension is not registered.
std::string ContentTypeForFile(std::string_view FileName);
