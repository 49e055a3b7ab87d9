#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exception.h"
#include "tobject.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A file could not be created or opened, or a read or write failed.
class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// A sequence of bytes with a current position.
class TStream : public TObject {
public:
  // Reads up to Count bytes at the position; returns how many were read.
  virtual std::size_t Read(void* Buffer, std::size_t Count) = 0;
  // Writes Count bytes at the position; returns how many were written.
  virtual std::size_t Write(const void* Buffer, std::size_t Count) = 0;
  // Moves the position and returns the new one.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  virtual std::int64_t Size();
  // Cuts the stream to NewSize bytes or lengthens it with zero bytes; the
  // position stays, but never past the end. Raises EStreamError on failure.
  virtual void SetSize(std::int64_t NewSize) = 0;
  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }

  // Writes all of Text or raises EStreamError.
  void WriteString(std::string_view Text);
};

// Bytes held in memory; the buffer grows as it is written.
class TMemoryStream : public TStream {
public:
  std::size_t Read(void* Buffer, std::size_t Count) override;
  std::size_t Write(const void* Buffer, std::size_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

  // The whole content, valid until the next write.
  std::string_view View() const { return FData; }
  const char* Memory() const { return FData.data(); }
  void Clear();
  void Reserve(std::size_t Capacity) { FData.reserve(Capacity); }
  void SetSize(std::int64_t NewSize) override;

private:
  std::string FData;
  std::size_t FPosition = 0;
};

enum class TFileMode { fmCreate, fmOpenRead, fmOpenReadWrite };

// A file on disk, read and written through its descriptor.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& FileName, TFileMode Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* Buffer, std::size_t Count) override;
  std::size_t Write(const void* Buffer, std::size_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;

protected:
  // Takes over an open descriptor.
  explicit TFileStream(int Handle) : FHandle(Handle) {}
  void CloseHandle();

private:
  int FHandle = -1;
};
