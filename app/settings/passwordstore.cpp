#include "passwordstore.h"

namespace settings {

namespace {

class TNoPasswordStore final : public TPasswordStore {
public:
  bool Write(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> Read(const std::string&) override { return std::nullopt; }
  void Remove(const std::string&) override {}
};

std::shared_ptr<TPasswordStore>& Installed() {
  static std::shared_ptr<TPasswordStore> Store = std::make_shared<TNoPasswordStore>();
  return Store;
}

}  // namespace

TPasswordStore& PasswordStore() { return *Installed(); }

void SetPasswordStore(std::shared_ptr<TPasswordStore> Store) {
  Installed() = Store ? std::move(Store) : std::make_shared<TNoPasswordStore>();
}

}  // namespace settings
