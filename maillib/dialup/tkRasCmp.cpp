#include "tkRasCmp.h"

#include <algorithm>
#include <iostream>
#include <utility>
#include <vector>

#include "maillib/transport/nberrors.h"
#include "maillib/transport/waitloop.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/msgtable.h"
#include "platform/runtime/strutils.h"

namespace {

// Texts of the service (status and error strings) are kept to its 255-character buffers.
constexpr std::size_t MaxServiceText = 255;

constexpr const char* SNoRas = "TtkRas component was unable to detect\nRAS on your system.";
constexpr const char* SOnlyBeforeConnect = "This property can be set only before\nestablishing the connection";
constexpr const char* SInvalidService = "Invalid service name";

void ShowMessageBox(const std::string& Text) {
  if (TtkRas::MessageBoxHook) TtkRas::MessageBoxHook(Text);
  else std::cerr << Text << '\n';
}

// The service's string number and the built-in text of a dial state.
struct TStateText {
  int Number;
  const char* Text;
};

TStateText StateText(int State) {
  switch (State) {
    case rascs::OpenPort: return {120, "Initializing..."};
    case rascs::ConnectDevice:
    case rascs::DeviceConnected:
    case rascs::AllDevicesConnected: return {122, "Dialing..."};
    case rascs::Authenticate:
    case rascs::ReAuthenticate: return {124, "Verifying user name and password"};
    case rascs::Authenticated: return {131, "User name and password verified"};
    case rascs::LogonNetwork: return {128, "Logging on to Network"};
    case rascs::Connected: return {129, "Successfully connected"};
    default: return {0, ""};
  }
}

}  // namespace

TtkRas::TtkRas(TComponent* AOwner) : TRasLink(AOwner), FApi(RasApi()) {
  FCounter.TimeOut = DefaultTimeOut;
  Entries();
}

TtkRas::~TtkRas() { DetachSink(); }

const TStringList& TtkRas::Entries() {
  FEntries.clear();
  std::vector<std::string> Names;
  FLastError = FApi->EnumEntries(Names);
  if (FLastError == 0) FEntries = std::move(Names);
  return FEntries;
}

void TtkRas::SetService(const std::string& Value) {
  if (Value.empty()) {
    FService.clear();
  } else if (!RasAvailable()) {
    ShowMessageBox(SNoRas);
  } else if (FConnected) {
    ShowMessageBox(SOnlyBeforeConnect);
  } else {
    const auto& Names = Entries();
    if (std::any_of(Names.begin(), Names.end(), [&](const std::string& Name) { return EqualsNoCaseAscii(Name, Value); })) {
      FService = Value;
    } else {
      ShowMessageBox(SInvalidService);
      FService.clear();
    }
  }
}

bool TtkRas::FindConnection() {
  std::vector<TRasConnection> Connections;
  Check(FApi->EnumConnections(Connections));
  for (const auto& Connection : Connections) {
    if (Connection.EntryName == FService && Connection.Handle != FHandle) {
      FHandle = Connection.Handle;
      return true;
    }
  }
  if (!ForceService) {
    for (const auto& Connection : Connections) {
      std::string Ip;
      Check(FApi->GetProjectionIp(Connection.Handle, Ip));
      if (!Ip.empty()) {
        FHandle = Connection.Handle;
        return true;
      }
    }
  }
  return false;
}

bool TtkRas::IsActive(TRasConn Connection) {
  std::vector<TRasConnection> Connections;
  if (FApi->EnumConnections(Connections) != 0) return false;
  return std::any_of(Connections.begin(), Connections.end(),
                     [&](const TRasConnection& Each) { return Each.Handle == Connection; });
}

void TtkRas::Connect() {
  // A second Connect (sending, then receiving) keeps the line dialled here:
  // adopting it by its IP would make HangUp leave it up.
  if (FConnected && FDialedHere && IsActive(FHandle)) return;
  if (FindConnection() || FService.empty()) {
    FConnected = true;
    FDialedHere = false;
    return;
  }
  if (!FApi->Available()) return;

  FDialedHere = true;
  ResetState();

  TRasDialParams Params;
  Params.EntryName = FService;
  bool HasPassword = false;
  Check(FApi->GetEntryDialParams(Params, HasPassword));
  if (!HasPassword) {
    Params.Password = Password;
    Check(FApi->SetEntryDialParams(Params, RemovePassword));
  }

  DetachSink();
  FSink = std::make_shared<TDialSink>(TDialSink{this});
  auto Notify = [Sink = FSink](int State, TRasError Error) {
    if (Sink->Owner) Sink->Owner->DialEvent(*Sink, State, Error);
  };
  TRasConn Handle = NoRasConn;
  FLastError = FApi->Dial(Params, Notify, Handle);
  FHandle = Handle;
  if (FLastError != 0) {
    const TRasError Code = FLastError;
    HangUp();
    RaiseError(Code);
  }

  WaitUntil(
      FCounter, FStop, [this] { return FConnected || FLastError != 0; },
      [this] {
        ProcessDialEvents();
        IdleTurn();
      });

  if (FLastError != 0) {
    const TRasError Code = FLastError;
    HangUp();
    RaiseError(Code);
  }
  if (FStop) throw ECanceledError(LoadStr(msg::SCanceled));
  if (FCounter.TimedOut()) throw ETimedOutError(LoadStr(msg::STimedOut));
  // Connected. MinimizeAtConnect has no dial-progress dialog to act on here.
}

void TtkRas::HangUp() {
  const TRasConn Handle = std::exchange(FHandle, NoRasConn);
  FConnected = false;
  FLost = false;
  // A dial wait that is still running ends: the user's Stop reaches only HangUp.
  FStop = true;
  DetachSink();
  if (RasAvailable() && FDialedHere && Handle != NoRasConn) {
    FApi->HangUp(Handle);
    if (OnDisconnected) OnDisconnected(this);
  }
}

void TtkRas::ResetState() {
  FHandle = NoRasConn;
  FConnected = false;
  FStop = false;
  FCounter.SetTimedOut(false);
}

void TtkRas::ProcessDialEvents() {
  FApi->Poll();
  // The line went down after the dial: hang up here rather than raise out of
  // whatever delivered the event; OnDisconnected tells the application.
  if (FLost) HangUp();
}

void TtkRas::DialEvent(TDialSink& Sink, int State, TRasError Error) {
  if (OnStatusChange) {
    OnStatusChange(this, StatusText(State));
    // The handler hung up (the user's Stop) or destroyed the component.
    if (Sink.Owner != this) return;
  }
  if (!FConnected) FConnected = State == rascs::Connected;
  if (Error != 0) {
    FLastError = Error;
    if (FConnected) FLost = true;
  }
}

std::string TtkRas::StatusText(int State) {
  const TStateText Entry = StateText(State);
  if (Entry.Number == 0) return {};
  const std::string Text = FApi->StatusString(Entry.Number);
  return Text.empty() ? Entry.Text : CutUtf8(Text, MaxServiceText);
}

void TtkRas::Check(TRasError Code) {
  FLastError = Code;
  if (Code != 0) RaiseError(Code);
}

void TtkRas::RaiseError(TRasError Code) {
  std::string Text;
  if (FApi->ErrorString(Code, Text) != 0 || Text.empty()) Text = "RAS error no " + std::to_string(Code);
  throw ERASError(CutUtf8(Text, MaxServiceText), Code);
}

void TtkRas::DetachSink() {
  if (FSink) FSink->Owner = nullptr;
  FSink.reset();
}
