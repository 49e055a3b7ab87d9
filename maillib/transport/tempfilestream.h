#pragma once

#include <string>

#include "platform/runtime/streams.h"

// A file of its own in the system's temporary directory ("nb" plus a unique
// suffix), open for reading and writing; it is deleted when the stream goes.
class TTempFileStream : public TFileStream {
public:
  TTempFileStream();
  ~TTempFileStream() override;

  const std::string& FileName() const { return FFileName; }

private:
  explicit TTempFileStream(std::pair<int, std::string> Created);

  std::string FFileName;
};
