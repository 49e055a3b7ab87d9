#pragma once

#include <any>
#include <functional>
#include <string>
#include <type_traits>

#include "platform/net/tkwinsock.h"

// Puts a test's own entry point in place of one of the socket library's for
// the life of this object (a failing recv, a lookup that finds nothing).
template <class Sig>
class TProcOverride {
public:
  TProcOverride(TProcName<Sig> Entry, std::type_identity_t<std::function<Sig>> Proc)
      : FName(Entry.Name), FOld(TtkWinsock::Instance().Replace(FName, std::move(Proc))) {}
  ~TProcOverride() { TtkWinsock::Instance().Replace(FName, std::move(FOld)); }
  TProcOverride(const TProcOverride&) = delete;
  TProcOverride& operator=(const TProcOverride&) = delete;

private:
  std::string FName;
  std::any FOld;
};
