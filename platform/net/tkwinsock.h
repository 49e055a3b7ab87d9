#pragma once

#include <any>
#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/exception.h"
#include "winsockprocs.h"

// The socket library cannot be loaded or lacks an entry point.
class EWinsockDLLError : public Exception {
public:
  using Exception::Exception;
};

// The process-wide binding of the socket library: loads it and hands out its
// entry points by name. Every socket component goes through it, which also
// lets tests replace single entry points (a failing recv, a failed lookup).
class TtkWinsock {
public:
  // Yields the library's entry points, or nothing when it is not there.
  using TLoader = std::function<std::optional<TProcTable>()>;

  // The one instance; it lives until the program ends.
  static TtkWinsock& Instance();

  // Loads the library; raises EWinsockDLLError "Winsock not found" when it is missing.
  void Load();
  void Unload();
  bool Loaded() const { return FProcs.has_value(); }

  // The entry point Name, looked up on every call. Raises EWinsockDLLError
  // "Winsock is not loaded" or "Function <Name> not found".
  const std::any& GetProc(const std::string& Name) const;

  template <class Sig>
  const std::function<Sig>& Proc(TProcName<Sig> Entry) const {
    return std::any_cast<const std::function<Sig>&>(GetProc(Entry.Name));
  }

  // Puts Proc in place of entry point Name (an empty Proc removes it) and
  // returns what was there; the library must be loaded.
  std::any Replace(const std::string& Name, std::any Proc);

  // Chooses where Load takes the library from; the default is the system's sockets.
  void SetLoader(TLoader Loader);

private:
  TtkWinsock();

  TLoader FLoader;
  std::optional<TProcTable> FProcs;
};
