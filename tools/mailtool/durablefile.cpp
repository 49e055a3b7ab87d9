#include "durablefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/runtime/exception.h"

namespace {

[[noreturn]] void Fail(const std::filesystem::path& Path, int Error) {
  throw Exception("Cannot write \"" + Path.string() + "\": " + std::strerror(Error));
}

// Writes Data to Handle, then closes it, and raises the first error.
void WriteAndClose(int Handle, const std::filesystem::path& Path, std::string_view Data, bool Sync) {
  int Error = 0;
  for (std::size_t Done = 0; Done < Data.size() && Error == 0;) {
    const ssize_t N = ::write(Handle, Data.data() + Done, Data.size() - Done);
    if (N >= 0) Done += static_cast<std::size_t>(N);
    else if (errno != EINTR) Error = errno;
  }
  if (Error == 0 && Sync && ::fsync(Handle) != 0) Error = errno;
  if (::close(Handle) != 0 && Error == 0) Error = errno;
  if (Error != 0) Fail(Path, Error);
}

int Open(const std::filesystem::path& Path, int Flags) {
  const int Handle = ::open(Path.c_str(), Flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (Handle < 0) Fail(Path, errno);
  return Handle;
}

}  // namespace

void WriteFileDurably(const std::filesystem::path& Path, std::string_view Data) {
  WriteAndClose(Open(Path, O_TRUNC), Path, Data, true);
}

void AppendToFile(const std::filesystem::path& Path, std::string_view Data) {
  WriteAndClose(Open(Path, O_APPEND), Path, Data, false);
}

void SyncDirectory(const std::filesystem::path& Dir) {
  const int Handle = ::open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Handle < 0) return;
  ::fsync(Handle);
  ::close(Handle);
}
