#include "attachmentfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "maillib/message/msgtypes.h"
#include "platform/runtime/streams.h"

namespace {

// How many numbered alternatives are tried before giving up on a directory.
constexpr int MaxNumberedNames = 9999;
// Text after the last dot that is longer than this is no file type, and a
// cut name need not keep it.
constexpr std::size_t MaxKeptExtension = 32;

bool IsBlank(char C) { return C == ' '; }

// Where the extension of the name part of FileName begins: at its last dot
// unless that is the name's first character; FileName.size() without one.
std::size_t ExtensionStart(std::string_view FileName) {
  const auto Sep = FileName.find_last_of("/\\");
  const std::size_t NameStart = Sep == std::string_view::npos ? 0 : Sep + 1;
  const auto Dot = FileName.rfind('.');
  if (Dot == std::string_view::npos || Dot <= NameStart) return FileName.size();
  return Dot;
}

// The length of the bidirectional control (LRM, RLM, the embeddings and
// overrides U+202A to U+202E, the isolates U+2066 to U+2069) that Text
// begins with as UTF-8, or 0. They reorder how a name is shown, so that
// "invoice\u202Efdp.exe" looks like "invoiceexe.pdf".
std::size_t BidiControlLength(std::string_view Text) {
  if (Text.size() < 3 || Text[0] != '\xE2') return 0;
  const auto B1 = static_cast<unsigned char>(Text[1]), B2 = static_cast<unsigned char>(Text[2]);
  const bool Marks = B1 == 0x80 && (B2 == 0x8E || B2 == 0x8F);
  const bool Embeddings = B1 == 0x80 && B2 >= 0xAA && B2 <= 0xAE;
  const bool Isolates = B1 == 0x81 && B2 >= 0xA6 && B2 <= 0xA9;
  return Marks || Embeddings || Isolates ? 3 : 0;
}

std::string JoinPath(const std::string& Directory, const std::string& Name) {
  if (Directory.empty()) return Name;
  if (Directory.back() == '/') return Directory + Name;
  return Directory + "/" + Name;
}

// Makes what was written to Handle durable, with its directory entry.
bool SyncFile(int Handle, const std::string& Directory) {
  if (::fsync(Handle) != 0) return false;
  const int Dir = ::open(Directory.empty() ? "." : Directory.c_str(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Dir >= 0) {
    ::fsync(Dir);  // best effort: some file systems refuse to sync a directory
    ::close(Dir);
  }
  return true;
}

}  // namespace

std::string ShortFileName(std::string_view FileName) {
  const std::size_t Dot = ExtensionStart(FileName);
  const std::size_t ExtSize = FileName.size() - Dot;
  if (FileName.size() <= MaxShortString || ExtSize == 0 || ExtSize > MaxKeptExtension)
    return ShortString(FileName);
  return CutUtf8(FileName.substr(0, Dot), MaxShortString - ExtSize) + std::string(FileName.substr(Dot));
}

std::string SafeAttachmentName(std::string_view FileName) {
  const auto Sep = FileName.find_last_of("/\\");
  if (Sep != std::string_view::npos) FileName.remove_prefix(Sep + 1);
  std::string Name;
  Name.reserve(FileName.size());
  for (std::size_t I = 0; I < FileName.size(); ++I) {
    const auto B = static_cast<unsigned char>(FileName[I]);
    if (B < 0x20 || B == 0x7F) continue;
    if (const std::size_t Bidi = BidiControlLength(FileName.substr(I))) {
      I += Bidi - 1;
      continue;
    }
    Name += FileName[I];
  }
  std::size_t Begin = 0;
  while (Begin < Name.size() && (IsBlank(Name[Begin]) || Name[Begin] == '.')) ++Begin;
  std::size_t End = Name.size();
  while (End > Begin && IsBlank(Name[End - 1])) --End;
  Name = ShortFileName(std::string_view(Name).substr(Begin, End - Begin));
  if (Name.empty()) Name = "attachment";
  return Name;
}

std::string NumberedFileName(std::string_view Name, int Number) {
  if (Number <= 0) return ShortFileName(Name);
  const std::size_t Dot = ExtensionStart(Name);
  const std::string_view Ext = Name.substr(Dot);
  const std::string Suffix = " (" + std::to_string(Number) + ")";
  if (Ext.size() + Suffix.size() >= MaxShortString)  // no room for the stem: drop the extension
    return CutUtf8(Name.substr(0, Dot), MaxShortString - Suffix.size()) + Suffix;
  const std::size_t StemRoom = MaxShortString - Ext.size() - Suffix.size();
  return CutUtf8(Name.substr(0, Dot), StemRoom) + Suffix + std::string(Ext);
}

std::string SaveNewFile(const std::string& Directory, std::string_view FileName,
                        std::string_view Data) {
  const std::string Safe = SafeAttachmentName(FileName);
  for (int Number = 0; Number <= MaxNumberedNames; ++Number) {
    const std::string Name = NumberedFileName(Safe, Number);
    const std::string Path = JoinPath(Directory, Name);
    // O_EXCL: an existing file (or a link planted under the name) is never
    // opened, so nothing already there is replaced or written through.
    const int Handle =
        ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (Handle < 0) {
      if (errno == EEXIST) continue;
      throw EFCreateError("Cannot create file \"" + Path + "\". " + std::strerror(errno));
    }
    std::size_t Done = 0;
    int Error = 0;
    while (Done < Data.size()) {
      const ssize_t N = ::write(Handle, Data.data() + Done, Data.size() - Done);
      if (N < 0 && errno == EINTR) continue;
      if (N < 0) {
        Error = errno;
        break;
      }
      Done += static_cast<std::size_t>(N);
    }
    if (Error == 0 && !SyncFile(Handle, Directory)) Error = errno;
    if (::close(Handle) != 0 && Error == 0) Error = errno;
    if (Error != 0) {
      ::unlink(Path.c_str());
      throw EStreamError("Stream write error: \"" + Path + "\". " + std::strerror(Error));
    }
    return Name;
  }
  throw EFCreateError("Cannot create file \"" + JoinPath(Directory, Safe) +
                      "\". No free name left for it");
}
