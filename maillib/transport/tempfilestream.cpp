#include "tempfilestream.h"

#include <stdlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// Creates the empty file and returns its open descriptor and path.
std::pair<int, std::string> CreateTempFile() {
  std::error_code Error;
  std::filesystem::path Dir = std::filesystem::temp_directory_path(Error);
  if (Error) Dir = "/tmp";
  std::string Path = (Dir / "nbXXXXXX").string();
  const int Handle = ::mkostemp(Path.data(), O_CLOEXEC);
  if (Handle < 0)
    throw EFCreateError("Cannot create file \"" + Path + "\". " + std::strerror(errno));
  return {Handle, Path};
}

}  // namespace

TTempFileStream::TTempFileStream() : TTempFileStream(CreateTempFile()) {}

TTempFileStream::TTempFileStream(std::pair<int, std::string> Created)
    : TFileStream(Created.first), FFileName(std::move(Created.second)) {}

TTempFileStream::~TTempFileStream() {
  CloseHandle();
  ::unlink(FFileName.c_str());
}
