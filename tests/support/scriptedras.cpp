#include "scriptedras.h"

#include <algorithm>

TRasConn TScriptedRas::AddConnection(const std::string& EntryName, const std::string& Ip) {
  const TRasConn Handle = FNextHandle++;
  Active.push_back({Handle, EntryName, "modem", "Other program's modem"});
  if (!Ip.empty()) Ips[Handle] = Ip;
  return Handle;
}

bool TScriptedRas::IsUp(TRasConn Connection) const {
  return std::any_of(Active.begin(), Active.end(), [&](const TRasConnection& C) { return C.Handle == Connection; });
}

TRasError TScriptedRas::EnumEntries(std::vector<std::string>& Names) {
  Names.clear();
  if (EnumEntriesError == 0) Names = PhoneBook;
  return EnumEntriesError;
}

TRasError TScriptedRas::EnumConnections(std::vector<TRasConnection>& Connections) {
  Connections.clear();
  if (EnumConnectionsError == 0) Connections = Active;
  return EnumConnectionsError;
}

TRasError TScriptedRas::GetProjectionIp(TRasConn Connection, std::string& IpAddress) {
  IpAddress.clear();
  if (ProjectionError != 0) return ProjectionError;
  if (const auto It = Ips.find(Connection); It != Ips.end()) IpAddress = It->second;
  return 0;
}

TRasError TScriptedRas::GetEntryDialParams(TRasDialParams& Params, bool& HasPassword) {
  HasPassword = false;
  if (GetParamsError != 0) return GetParamsError;
  if (std::find(PhoneBook.begin(), PhoneBook.end(), Params.EntryName) == PhoneBook.end()) return EntryNotFound;
  if (const auto It = Stored.find(Params.EntryName); It != Stored.end()) {
    Params = It->second.Params;
    HasPassword = It->second.HasPassword;
  }
  return 0;
}

TRasError TScriptedRas::SetEntryDialParams(const TRasDialParams& Params, bool RemovePassword) {
  StoreCalls.push_back({Params, RemovePassword});
  if (SetParamsError != 0) return SetParamsError;
  Stored[Params.EntryName] = {Params, !RemovePassword};
  return 0;
}

TRasError TScriptedRas::Dial(const TRasDialParams& Params, TRasDialEvent Notify, TRasConn& Connection) {
  Dials.push_back(Params);
  Connection = FNextHandle++;
  if (DialRefusal != 0) return DialRefusal;
  if (!DialScript.empty()) {
    FDials.push_back({Connection, Params.EntryName, std::move(Notify), 0,
                      Clock::now() + std::chrono::milliseconds(DialScript.front().DelayMs)});
  }
  return 0;
}

void TScriptedRas::Poll() {
  // One event at a time, looked for afresh each time: a handler may hang up
  // (which drops its dial) or poll again.
  for (;;) {
    const auto Now = Clock::now();
    const auto It = std::find_if(FDials.begin(), FDials.end(), [&](const TDial& D) { return D.Due <= Now; });
    if (It == FDials.end()) return;
    const TStep Step = DialScript[It->Next];
    const TRasConn Handle = It->Handle;
    // The handler may destroy the dial's record: call a copy.
    const TRasDialEvent Notify = It->Notify;
    if (Step.State == rascs::Connected && Step.Error == 0 && !IsUp(Handle)) {
      Active.push_back({Handle, It->EntryName, "modem", "Scripted modem"});
      if (!DialedIp.empty()) Ips[Handle] = DialedIp;
    }
    if (++It->Next < DialScript.size()) {
      It->Due = Now + std::chrono::milliseconds(DialScript[It->Next].DelayMs);
    } else {
      FDials.erase(It);
    }
    Notify(Step.State, Step.Error);
  }
}

TRasError TScriptedRas::HangUp(TRasConn Connection) {
  HangUps.push_back(Connection);
  std::erase_if(Active, [&](const TRasConnection& C) { return C.Handle == Connection; });
  std::erase_if(FDials, [&](const TDial& D) { return D.Handle == Connection; });
  return 0;
}

TRasError TScriptedRas::ErrorString(TRasError Code, std::string& Text) {
  Text.clear();
  const auto It = ErrorTexts.find(Code);
  if (It == ErrorTexts.end()) return InvalidParameter;
  Text = It->second;
  return 0;
}

std::string TScriptedRas::StatusString(int Number) {
  const auto It = StatusTexts.find(Number);
  return It == StatusTexts.end() ? std::string() : It->second;
}
