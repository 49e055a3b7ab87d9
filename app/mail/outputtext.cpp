#include "outputtext.h"

#include <filesystem>

namespace {
constexpr const char* Rule = "--------------------------------";  // 32 hyphens

bool CameFromOutbox(TFolderKind Folder, const TStoredMessage& Message) {
  return Folder == TFolderKind::Outbox || (Folder == TFolderKind::Trashcan && Message.From == NoSenderName);
}
}  // namespace

std::string StampText(std::time_t Time) {
  std::tm Local{};
  localtime_r(&Time, &Local);
  char Text[32];
  const std::size_t Length = std::strftime(Text, sizeof Text, "%Y-%m-%d %H:%M:%S", &Local);
  return std::string(Text, Length);
}

std::string FirstAddressValue(const TStringList& Addresses) {
  if (Addresses.empty()) return {};
  return Addresses.size() >= 2 ? Addresses.front() + " >" : Addresses.front();
}

TStringList OutputLines(TFolderKind Folder, const TStoredMessage& Message, TOutputKind Kind,
                        const std::string& Stamp) {
  TStringList Lines;
  Lines.push_back((Kind == TOutputKind::SavedFile ? "Corvalen Saved File: " : "Corvalen Print: ") + Stamp);
  if (CameFromOutbox(Folder, Message)) {
    Lines.push_back("To: " + FirstAddressValue(Message.Recpt));
    Lines.push_back("Cc: " + FirstAddressValue(Message.Cc));
  } else {
    Lines.push_back("From: " + Message.From);
  }
  Lines.push_back("Subject: " + Message.Subject);
  Lines.push_back(Rule);
  const TStringList Body = ReadableBody(Message);
  Lines.insert(Lines.end(), Body.begin(), Body.end());
  return Lines;
}

std::string TextFileBytes(const TStringList& Lines) {
  std::string Bytes;
  for (const std::string& Line : Lines) Bytes += Line + "\r\n";
  return Bytes;
}

std::string ProposedFileName(const std::string& Subject) {
  std::string Name;
  for (const char C : Subject) {
    if (C == '/' || C == '\\') Name += '_';
    else if (static_cast<unsigned char>(C) >= 0x20 && C != 0x7f) Name += C;
  }
  const std::size_t First = Name.find_first_not_of(". ");
  if (First == std::string::npos) return {};
  Name.erase(0, First);
  Name.erase(Name.find_last_not_of(' ') + 1);
  return Name;
}

std::string TextFilePath(const std::string& Path) {
  const std::filesystem::path File(Path);
  return File.has_extension() ? Path : Path + ".txt";
}
