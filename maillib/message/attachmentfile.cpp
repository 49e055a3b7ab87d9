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

bool IsBlank(char C) { return C == ' '; }

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

std::string SafeAttachmentName(std::string_view FileName) {
  const auto Sep = FileName.find_last_of("/\\");
  if (Sep != std::string_view::npos) FileName.remove_prefix(Sep + 1);
  std::string Name;
  Name.reserve(FileName.size());
  for (const char C : FileName) {
    const auto B = static_cast<unsigned char>(C);
    if (B < 0x20 || B == 0x7F) continue;
    Name += C;
  }
  std::size_t Begin = 0;
  while (Begin < Name.size() && (IsBlank(Name[Begin]) || Name[Begin] == '.')) ++Begin;
  std::size_t End = Name.size();
  while (End > Begin && IsBlank(Name[End - 1])) --End;
  Name = ShortString(std::string_view(Name).substr(Begin, End - Begin));
  if (Name.empty()) Name = "attachment";
  return Name;
}

std::string NumberedFileName(std::string_view Name, int Number) {
  if (Number <= 0) return ShortString(Name);
  auto Dot = Name.rfind('.');
  if (Dot == 0 || Dot == std::string_view::npos) Dot = Name.size();
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
