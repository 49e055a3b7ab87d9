#include "pop3idsfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>

#include "durablefile.h"
#include "platform/runtime/exception.h"

namespace {

constexpr const char* IdsFileName = ".pop3-ids";
// RFC 1939: a unique id is 1 to 70 characters from "!" to "~".
constexpr std::size_t MaxIdLength = 70;

bool Printable(char C) { return C >= '!' && C <= '~'; }

bool AllPrintable(std::string_view Text) { return !Text.empty() && std::ranges::all_of(Text, Printable); }

std::string MailboxKey(std::string_view Mailbox) {
  std::string Key;
  for (const char C : Mailbox) {
    if (Printable(C) && C != '%') {
      Key += C;
    } else {
      char Hex[4];
      std::snprintf(Hex, sizeof Hex, "%%%02X", static_cast<unsigned char>(C));
      Key += Hex;
    }
  }
  return Key;
}

}  // namespace

TPop3IdsFile::TPop3IdsFile(const std::filesystem::path& Dir, const std::string& Mailbox)
    : FFile(Dir / IdsFileName), FMailbox(MailboxKey(Mailbox)) {
  FAll[FMailbox];
  std::ifstream In(FFile, std::ios::binary);
  // No ids only when there is no file: one that cannot be read is an error.
  if (!In && errno != ENOENT) throw Exception("Cannot read \"" + FFile.string() + "\": " + std::strerror(errno));
  std::string Line;
  while (std::getline(In, Line)) {
    // The last line of a run killed while appending it has no line feed.
    const bool Whole = !In.eof();
    const std::size_t Blank = Line.find(' ');
    const std::string_view Key = std::string_view(Line).substr(0, Blank);
    const std::string_view Id = Blank == std::string::npos ? "" : std::string_view(Line).substr(Blank + 1);
    if (Whole && AllPrintable(Key) && AllPrintable(Id) && Id.size() <= MaxIdLength) {
      FAll[std::string(Key)].emplace(Id);
    } else {
      ++FDropped;
      FClean = false;
    }
  }
}

void TPop3IdsFile::Forget(const std::set<std::string>& Ids) {
  std::size_t Removed = 0;
  for (const std::string& Id : Ids) Removed += FAll[FMailbox].erase(Id);
  if (Removed > 0 || !FClean) Rewrite();
}

void TPop3IdsFile::Add(const std::string& Id) {
  if (!FClean) Rewrite();
  if (FAll[FMailbox].insert(Id).second) AppendToFile(FFile, FMailbox + ' ' + Id + '\n');
}

void TPop3IdsFile::Rewrite() {
  std::string Text;
  for (const auto& [Key, Ids] : FAll)
    for (const std::string& Id : Ids) Text += Key + ' ' + Id + '\n';
  std::filesystem::path Temporary = FFile;
  Temporary += ".new";
  WriteFileDurably(Temporary, Text);
  std::error_code Error;
  std::filesystem::rename(Temporary, FFile, Error);
  if (Error) throw Exception("Cannot replace \"" + FFile.string() + "\": " + Error.message());
  SyncDirectory(FFile.parent_path());
  FClean = true;
}
