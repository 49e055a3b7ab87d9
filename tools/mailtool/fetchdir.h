#pragma once

#include <filesystem>
#include <string_view>

// The directory mailtool fetch stores messages in. One run holds it at a
// time (another waits), so overlapping runs from cron cannot mix up its
// numbering or its ids. Each message gets a new file N.eml, numbered on from
// the highest already there, so a run into an empty directory names them
// 1.eml, 2.eml, ... and a later run never replaces an earlier file. A file
// is written whole and flushed under a temporary name before it gets its
// own, so an N.eml is always complete.
class TFetchDir {
public:
  // Creates Dir when missing and waits until no other run holds it.
  explicit TFetchDir(std::filesystem::path Dir);
  ~TFetchDir();
  TFetchDir(const TFetchDir&) = delete;
  TFetchDir& operator=(const TFetchDir&) = delete;

  const std::filesystem::path& Path() const { return FDir; }
  // Saves Text as the next N.eml, durably, and returns its path.
  std::filesystem::path SaveMessage(std::string_view Text);

private:
  std::filesystem::path FDir;
  int FLock = -1;
  unsigned long FLastNumber = 0;
};
