#include "settingsfiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

void SaveLines(const std::string& FileName, const TStringList& Lines, TFileAccess Access) {
  const std::string Name = FullName(FileName);
  std::string Text;
  for (const auto& Line : Lines) Text += Line + "\r\n";
  // Written beside the old file, flushed to the disk and moved over it, so a
  // failed write or a crash leaves the old file whole, never half a new one.
  const std::string Temporary = Name + ".new";
  const auto Fail = [&](const std::string& Reason) {
    ::unlink(Temporary.c_str());
    throw EFCreateError("Cannot create file \"" + Name + "\". " + Reason);
  };
  const bool OwnerOnly = Access == TFileAccess::OwnerOnly;
  const int File = ::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, OwnerOnly ? 0600 : 0666);
  if (File < 0) throw EFCreateError("Cannot create file \"" + Name + "\". " + std::strerror(errno));
  // The new file keeps the permissions the user gave the old one; a private
  // one is the owner's alone before anything is written into it (a temporary
  // file left by a crash keeps its own mode on opening).
  struct stat Old {};
  if (OwnerOnly && ::fchmod(File, 0600) != 0) {
    const int Error = errno;
    ::close(File);
    Fail(std::strerror(Error));
  }
  if (!OwnerOnly && ::stat(Name.c_str(), &Old) == 0) ::fchmod(File, Old.st_mode & 07777);
  for (std::size_t Done = 0; Done < Text.size();) {
    const ssize_t N = ::write(File, Text.data() + Done, Text.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) {
      const int Error = errno;
      ::close(File);
      Fail(std::strerror(Error));
    }
    Done += static_cast<std::size_t>(N);
  }
  if (::fsync(File) != 0) {
    const int Error = errno;
    ::close(File);
    Fail(std::strerror(Error));
  }
  if (::close(File) != 0) Fail(std::strerror(errno));
  if (::rename(Temporary.c_str(), Name.c_str()) != 0) Fail(std::strerror(errno));
  // The rename itself reaches the disk with the directory.
  const int Dir = ::open(std::filesystem::path(Name).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Dir >= 0) {
    ::fsync(Dir);
    ::close(Dir);
  }
}

TStringList DefaultConfig(const std::string& AttachmentDir) {
  return {"", "", "", "", " ", std::string(Reply), std::string(Delete), std::string(LocalNetwork),
          AttachmentDir, std::string(NoReturn), "NORMAL"};
}

}  // namespace settings
