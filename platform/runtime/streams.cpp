#include "streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

std::int64_t TStream::Size() {
  const auto Here = Position();
  const auto End = Seek(0, TSeekOrigin::soEnd);
  SetPosition(Here);
  return End;
}

void TStream::WriteString(std::string_view Text) {
  if (Write(Text.data(), Text.size()) != Text.size()) throw EStreamError("Stream write error");
}

std::size_t TMemoryStream::Read(void* Buffer, std::size_t Count) {
  if (FPosition >= FData.size()) return 0;
  const std::size_t N = std::min(Count, FData.size() - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, N);
  FPosition += N;
  return N;
}

std::size_t TMemoryStream::Write(const void* Buffer, std::size_t Count) {
  if (Count == 0) return 0;
  if (FPosition == FData.size()) {
    FData.append(static_cast<const char*>(Buffer), Count);
  } else {
    if (FPosition + Count > FData.size()) FData.resize(FPosition + Count);
    std::memcpy(FData.data() + FPosition, Buffer, Count);
  }
  FPosition += Count;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t Base = 0;
  if (Origin == TSeekOrigin::soCurrent) Base = static_cast<std::int64_t>(FPosition);
  if (Origin == TSeekOrigin::soEnd) Base = static_cast<std::int64_t>(FData.size());
  FPosition = static_cast<std::size_t>(std::max<std::int64_t>(0, Base + Offset));
  return static_cast<std::int64_t>(FPosition);
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  const auto Size = static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0));
  FData.resize(Size);
  FPosition = std::min(FPosition, Size);
}

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) {
  int Flags = O_RDONLY;
  if (Mode == TFileMode::fmCreate) Flags = O_RDWR | O_CREAT | O_TRUNC;
  if (Mode == TFileMode::fmOpenReadWrite) Flags = O_RDWR;
  FHandle = ::open(FileName.c_str(), Flags | O_CLOEXEC, 0666);
  if (FHandle < 0) {
    const std::string Reason = std::strerror(errno);
    if (Mode == TFileMode::fmCreate)
      throw EFCreateError("Cannot create file \"" + FileName + "\". " + Reason);
    throw EFOpenError("Cannot open file \"" + FileName + "\". " + Reason);
  }
}

TFileStream::~TFileStream() { CloseHandle(); }

void TFileStream::CloseHandle() {
  if (FHandle >= 0) ::close(FHandle);
  FHandle = -1;
}

std::size_t TFileStream::Read(void* Buffer, std::size_t Count) {
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t N = ::read(FHandle, static_cast<char*>(Buffer) + Done, Count - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) throw EStreamError(std::string("Stream read error: ") + std::strerror(errno));
    if (N == 0) break;
    Done += static_cast<std::size_t>(N);
  }
  return Done;
}

std::size_t TFileStream::Write(const void* Buffer, std::size_t Count) {
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t N = ::write(FHandle, static_cast<const char*>(Buffer) + Done, Count - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) throw EStreamError(std::string("Stream write error: ") + std::strerror(errno));
    Done += static_cast<std::size_t>(N);
  }
  return Done;
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError(std::string("Stream size error: ") + std::strerror(errno));
  if (Position() > NewSize) SetPosition(NewSize);
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int Whence = SEEK_SET;
  if (Origin == TSeekOrigin::soCurrent) Whence = SEEK_CUR;
  if (Origin == TSeekOrigin::soEnd) Whence = SEEK_END;
  const off_t Result = ::lseek(FHandle, static_cast<off_t>(Offset), Whence);
  if (Result < 0) throw EStreamError(std::string("Stream seek error: ") + std::strerror(errno));
  return Result;
}
