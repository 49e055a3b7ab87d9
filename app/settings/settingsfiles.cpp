#include "settingsfiles.h"

#include <filesystem>
#include <system_error>

#include "platform/runtime/streams.h"

namespace settings {

TStringList LoadLines(const std::string& FileName) {
  TFileStream File(FileName, TFileMode::fmOpenRead);
  std::string Text(static_cast<std::size_t>(File.Size()), '\0');
  Text.resize(File.Read(Text.data(), Text.size()));

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
  std::string Text;
  for (const auto& Line : Lines) Text += Line + "\r\n";
  // Written beside the old file and moved over it, so a crash never leaves half a file.
  const std::string Temporary = FileName + ".new";
  {
    TFileStream File(Temporary, TFileMode::fmCreate);
    File.WriteString(Text);
  }
  std::error_code Error;
  std::filesystem::rename(Temporary, FileName, Error);
  if (Error) throw EFCreateError("Cannot create file \"" + FileName + "\". " + Error.message());
}

TStringList DefaultConfig(const std::string& AttachmentDir) {
  return {"", "", "", "", " ", std::string(Reply), std::string(Delete), std::string(LocalNetwork),
          AttachmentDir, std::string(NoReturn), "NORMAL"};
}

}  // namespace settings
