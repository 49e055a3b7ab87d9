#include "fetchdir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "durablefile.h"
#include "platform/runtime/exception.h"

namespace {

constexpr std::string_view MessageSuffix = ".eml";
// Where a message is written before it gets its number; the lock makes it
// this run's alone.
constexpr const char* PartFileName = ".fetch-part";

[[noreturn]] void Fail(const std::string& What, const std::filesystem::path& Path, const std::string& Reason) {
  throw Exception("Cannot " + What + " \"" + Path.string() + "\": " + Reason);
}

// N for a file named N.eml, else 0.
unsigned long MessageNumber(const std::string& Name) {
  if (!Name.ends_with(MessageSuffix)) return 0;
  const char* End = Name.data() + Name.size() - MessageSuffix.size();
  unsigned long Number = 0;
  const auto [Stop, Error] = std::from_chars(Name.data(), End, Number);
  return Error == std::errc() && Stop == End ? Number : 0;
}

// Renames From to To unless To exists; false when it does.
bool RenameToNewName(const std::filesystem::path& From, const std::filesystem::path& To) {
  if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) return false;
  if (errno != EINVAL && errno != ENOSYS) Fail("create", To, std::strerror(errno));
  // A file system without the exclusive rename: the lock keeps other runs
  // out between the check and the rename.
  std::error_code Error;
  if (std::filesystem::exists(To, Error)) return false;
  if (Error) Fail("create", To, Error.message());
  std::filesystem::rename(From, To, Error);
  if (Error) Fail("create", To, Error.message());
  return true;
}

}  // namespace

TFetchDir::TFetchDir(std::filesystem::path Dir) : FDir(std::move(Dir)) {
  std::error_code Error;
  std::filesystem::create_directories(FDir, Error);
  if (Error) Fail("create directory", FDir, Error.message());
  FLock = ::open(FDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (FLock < 0) Fail("open directory", FDir, std::strerror(errno));
  while (::flock(FLock, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int Reason = errno;
      ::close(FLock);
      Fail("lock directory", FDir, std::strerror(Reason));
    }
  }
  for (std::filesystem::directory_iterator It(FDir, Error), End; !Error && It != End; It.increment(Error))
    FLastNumber = std::max(FLastNumber, MessageNumber(It->path().filename().string()));
  if (Error) {
    ::close(FLock);
    Fail("read directory", FDir, Error.message());
  }
}

TFetchDir::~TFetchDir() { ::close(FLock); }

std::filesystem::path TFetchDir::SaveMessage(std::string_view Text) {
  const std::filesystem::path Part = FDir / PartFileName;
  WriteFileDurably(Part, Text);
  std::filesystem::path Name;
  do Name = FDir / (std::to_string(++FLastNumber) + std::string(MessageSuffix));
  while (!RenameToNewName(Part, Name));
  SyncDirectory(FDir);
  return Name;
}
