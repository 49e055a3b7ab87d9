#pragma once

#include <chrono>

#include "passwordstore.h"

namespace settings {

// Passwords in the desktop's Secret Service, through QtKeychain, under the
// service name "Corvalen". Each request runs in a local event loop for at
// most TimeOut (long enough for the user to answer an unlock prompt); no
// Secret Service, a refusal or the time-out count as failures, and nothing
// ever falls back to a file of QtKeychain's own.
class TKeyringPasswords final : public TPasswordStore {
public:
  explicit TKeyringPasswords(std::chrono::milliseconds TimeOut = std::chrono::seconds(60));

  bool Write(const std::string& Key, const std::string& Password) override;
  std::optional<std::string> Read(const std::string& Key) override;
  void Remove(const std::string& Key) override;

private:
  std::chrono::milliseconds FTimeOut;
};

}  // namespace settings
