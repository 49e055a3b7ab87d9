#pragma once

#include <memory>
#include <optional>
#include <string>

namespace settings {

// A keeper of passwords outside the store: the desktop's keyring. Every call
// waits for its answer (the user interface keeps running meanwhile).
class TPasswordStore {
public:
  virtual ~TPasswordStore() = default;
  // Keeps Password under Key; true only when the keeper confirmed it.
  virtual bool Write(const std::string& Key, const std::string& Password) = 0;
  // The password kept under Key; none when there is none or the keeper cannot be reached.
  virtual std::optional<std::string> Read(const std::string& Key) = 0;
  // Forgets Key; a missing entry or an unreachable keeper is not an error.
  virtual void Remove(const std::string& Key) = 0;
};

// The keeper installed for the process: the one set by SetPasswordStore, or a
// default that keeps nothing, so every password stays in the store.
TPasswordStore& PasswordStore();
// Installs Store for the process; nullptr restores the default.
void SetPasswordStore(std::shared_ptr<TPasswordStore> Store);

}  // namespace settings
