#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/mimetypes/mimetyperegistry.h"

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class TTempDir {
public:
  TTempDir() {
    std::string Pattern = (std::filesystem::temp_directory_path() / "corvalen-msg-XXXXXX").string();
    if (!::mkdtemp(Pattern.data())) throw std::runtime_error("mkdtemp failed");
    FPath = Pattern;
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

  void Write(const std::string& Name, const std::string& Bytes) const {
    std::ofstream(FPath / Name, std::ios::binary) << Bytes;
  }
  std::string Read(const std::string& Name) const {
    std::ifstream In(FPath / Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
  }
  // The names of the directory's entries, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> Result;
    for (const auto& Entry : std::filesystem::directory_iterator(FPath))
      Result.push_back(Entry.path().filename().string());
    std::sort(Result.begin(), Result.end());
    return Result;
  }

private:
  std::filesystem::path FPath;
};

// Points the content type registry at a small table of the test's own, so
// results do not depend on the machine's /etc/mime.types.
class TMimeTableFixture : public ::testing::Test {
protected:
  void SetUp() override {
    FTable.Write("mime.types",
                 "# test table\n"
                 "text/plain\ttxt text\n"
                 "text/html\thtm html\n"
                 "text/rtf\trtf\n"
                 "message/rfc822\teml\n"
                 "image/gif\tgif\n"
                 "application/pdf\tpdf\n");
    SetMimeTypesPath(FTable / "mime.types");
  }
  void TearDown() override { SetMimeTypesPath(TMimeTypeRegistry::SystemTablePath); }

private:
  TTempDir FTable;
};

// True when Text is well-formed UTF-8 (no sequence cut short at its end).
inline bool IsWholeUtf8(const std::string& Text) {
  std::size_t I = 0;
  while (I < Text.size()) {
    const auto B = static_cast<unsigned char>(Text[I]);
    const std::size_t Len = B < 0x80 ? 1
                            : (B >> 5) == 0x6 ? 2
                            : (B >> 4) == 0xE ? 3
                            : (B >> 3) == 0x1E ? 4
                                               : 0;
    if (Len == 0 || I + Len > Text.size()) return false;
    for (std::size_t K = 1; K < Len; ++K)
      if ((static_cast<unsigned char>(Text[I + K]) & 0xC0) != 0x80) return false;
    I += Len;
  }
  return true;
}
