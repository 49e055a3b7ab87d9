#include "platform/mimetypes/mimetyperegistry.h"

#include "platform/runtime/asciicase.h"

#include <fstream>
#include <memory>
#include <mutex>

namespace {

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f' || C == '\v'; }

// Common types for systems without a table, as Debian's table lists them.
struct TBuiltInType {
  const char* Extension;
  const char* ContentType;
};
constexpr TBuiltInType BuiltInTypes[] = {
    {"txt", "text/plain"},
    {"text", "text/plain"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"css", "text/css"},
    {"csv", "text/csv"},
    {"ics", "text/calendar"},
    {"vcf", "text/vcard"},
    {"eml", "message/rfc822"},
    {"rtf", "application/rtf"},
    {"xml", "application/xml"},
    {"pdf", "application/pdf"},
    {"zip", "application/zip"},
    {"gz", "application/gzip"},
    {"tar", "application/x-tar"},
    {"7z", "application/x-7z-compressed"},
    {"exe", "application/x-msdos-program"},
    {"doc", "application/msword"},
    {"xls", "application/vnd.ms-excel"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"odt", "application/vnd.oasis.opendocument.text"},
    {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"jpe", "image/jpeg"},
    {"png", "image/png"},
    {"bmp", "image/bmp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"svg", "image/svg+xml"},
    {"ico", "image/vnd.microsoft.icon"},
    {"webp", "image/webp"},
    {"wav", "audio/x-wav"},
    {"mp3", "audio/mpeg"},
    {"ogg", "audio/ogg"},
    {"mpg", "video/mpeg"},
    {"mpeg", "video/mpeg"},
    {"mp4", "video/mp4"},
    {"mov", "video/quicktime"},
    {"avi", "video/x-msvideo"},
};

}  // namespace

TMimeTypeRegistry::TMimeTypeRegistry(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    LoadBuiltIn();
    return;
  }
  std::string Line;
  while (std::getline(File, Line)) AddLine(Line);
  // A table that lists nothing (an empty file, a directory) is as good as
  // missing: the built-in types are better than none at all.
  if (FTypes.empty()) {
    LoadBuiltIn();
    return;
  }
  FFromFile = true;
}

void TMimeTypeRegistry::LoadBuiltIn() {
  FTypes.clear();
  for (const auto& Entry : BuiltInTypes) FTypes.emplace(Entry.Extension, Entry.ContentType);
  FFromFile = false;
}

void TMimeTypeRegistry::AddLine(std::string_view Line) {
  std::string_view ContentType;
  std::size_t Pos = 0;
  while (Pos < Line.size()) {
    while (Pos < Line.size() && IsBlank(Line[Pos])) ++Pos;
    if (Pos >= Line.size() || Line[Pos] == '#') return;
    const std::size_t Start = Pos;
    while (Pos < Line.size() && !IsBlank(Line[Pos])) ++Pos;
    const std::string_view Word = Line.substr(Start, Pos - Start);
    if (ContentType.empty()) {
      // A line whose first word is no type/subtype is not a table entry.
      const std::size_t Slash = Word.find('/');
      if (Slash == std::string_view::npos || Slash == 0 || Slash + 1 == Word.size()) return;
      ContentType = Word;
    } else {
      std::string_view Extension = Word;
      if (Extension.front() == '.') Extension.remove_prefix(1);
      // The first line that lists an extension decides its type.
      if (!Extension.empty()) FTypes.emplace(ToLowerAscii(Extension), std::string(ContentType));
    }
  }
}

std::string TMimeTypeRegistry::ContentTypeOf(std::string_view Extension) const {
  if (!Extension.empty() && Extension.front() == '.') Extension.remove_prefix(1);
  if (Extension.empty()) return {};
  const auto It = FTypes.find(ToLowerAscii(Extension));
  return It == FTypes.end() ? std::string() : It->second;
}

namespace {

std::mutex SystemMutex;
std::string SystemPath = TMimeTypeRegistry::SystemTablePath;
std::unique_ptr<TMimeTypeRegistry> SystemRegistry;

}  // namespace

std::string RegisteredContentType(std::string_view Extension) {
  std::lock_guard<std::mutex> Lock(SystemMutex);
  if (!SystemRegistry) SystemRegistry = std::make_unique<TMimeTypeRegistry>(SystemPath);
  return SystemRegistry->ContentTypeOf(Extension);
}

void SetMimeTypesPath(const std::string& Path) {
  std::lock_guard<std::mutex> Lock(SystemMutex);
  SystemPath = Path;
  SystemRegistry.reset();
}
