#include "settingsfiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/runtime/streams.h"

namespace settings {

namespace {

// Editors may start a UTF-8 file with a byte-order mark; it is not part of line 0.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The file's name with its directory, so that every error text says which file it means.
std::string FullName(const std::string& FileName) { return std::filesystem::absolute(FileName).string(); }

}  // namespace

TStringList LoadLines(const std::string& FileName) {
  const std::string Name = FullName(FileName);
  // A directory opens for reading, but has no size to read.
  std::error_code Ignored;
  if (std::filesystem::is_directory(Name, Ignored))
    throw EFOpenError("Cannot open file \"" + Name + "\". " + std::strerror(EISDIR));
  TFileStream File(Name, TFileMode::fmOpenRead);
  std::string Text(static_cast<std::size_t>(File.Size()), '\0');
  Text.resize(File.Read(Text.data(), Text.size()));
  if (Text.starts_with(ByteOrderMark)) Text.erase(0, ByteOrderMark.size());

  TStringList Lines;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] != '\r' && Text[I] != '\n') continue;
    Lines.push_back(Text.substr(Start, I - Start));
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    Start = I + 1;
  }
  if (Start < Text.size()) Lines.push_back(Text.substr(Start));
  return Lines;
}

void SaveLines(const std::string& FileName, const TStringList& Lines) {
  const std::string Name = FullName(FileName);
  std::string Text;
  for (const auto& Line : Lines) Text += Line + "\r\n";
  // Written beside the old file and moved over it, so a crash never leaves half a file.
  const std::string Temporary = Name + ".new";
  {
    TFileStream File(Temporary, TFileMode::fmCreate);
    File.WriteString(Text);
  }
  std::error_code Error;
  std::filesystem::rename(Temporary, Name, Error);
  if (Error) throw EFCreateError("Cannot create file \"" + Name + "\". " + Error.message());
}

TStringList DefaultConfig(const std::string& AttachmentDir) {
  return {"", "", "", "", " ", std::string(Reply), std::string(Delete), std::string(LocalNetwork),
          AttachmentDir, std::string(NoReturn), "NORMAL"};
}

}  // namespace settings
