#include "tkwinsock.h"

#include "platform/runtime/msgtable.h"
#include "platform/runtime/strutils.h"
#include "posixsockets.h"

TtkWinsock& TtkWinsock::Instance() {
  static TtkWinsock Winsock;
  return Winsock;
}

TtkWinsock::TtkWinsock() : FLoader(PosixSocketLibrary) {}

void TtkWinsock::Load() {
  FProcs = FLoader ? FLoader() : std::nullopt;
  if (!FProcs) throw EWinsockDLLError(LoadStr(msg::SWinsockNotFound));
}

void TtkWinsock::Unload() { FProcs.reset(); }

const std::any& TtkWinsock::GetProc(const std::string& Name) const {
  if (!FProcs) throw EWinsockDLLError(LoadStr(msg::SWinsockNotLoaded));
  const auto It = FProcs->find(Name);
  if (It == FProcs->end()) throw EWinsockDLLError(FormatStr(LoadStr(msg::SFunctionNotFound), Name));
  return It->second;
}

std::any TtkWinsock::Replace(const std::string& Name, std::any Proc) {
  if (!FProcs) throw EWinsockDLLError(LoadStr(msg::SWinsockNotLoaded));
  std::any Old;
  if (const auto It = FProcs->find(Name); It != FProcs->end()) {
    Old = std::move(It->second);
    FProcs->erase(It);
  }
  if (Proc.has_value()) FProcs->emplace(Name, std::move(Proc));
  return Old;
}

void TtkWinsock::SetLoader(TLoader Loader) { FLoader = std::move(Loader); }
