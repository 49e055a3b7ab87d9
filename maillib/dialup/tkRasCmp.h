#pragma once

#include <functional>
#include <memory>
#include <string>

#include "maillib/transport/raslink.h"
#include "maillib/transport/timecounter.h"
#include "platform/ras/rasapi.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/stringlist.h"

// An error of the dial-up service; the message is the service's text for the
// code, or "RAS error no <code>" when it has none.
class ERASError : public Exception {
public:
  ERASError(std::string Msg, TRasError AErrorCode) : Exception(std::move(Msg)), ErrorCode(AErrorCode) {}

  TRasError ErrorCode;
};

// Progress of a dial as readable text (empty for states without one).
using TRASNotifyEvent = std::function<void(TObject* Sender, const std::string& RASStatusStr)>;

// Shows an error message box with an OK button.
using TRasMessageBox = std::function<void(const std::string& Text)>;

// Establishes a dial-up connection before mail is sent or fetched: dials the
// phonebook entry Service, or adopts a connection that is already up, reports
// the dial's progress and hangs the line up afterwards. Everything runs on the
// GUI thread; the dial wait lets the interface run, so Stop can reach HangUp.
class TtkRas : public TRasLink {
public:
  // Seconds a dial may take before Connect gives up, unless set otherwise.
  static constexpr int DefaultTimeOut = 120;

  // Binds to the dial-up service installed for the process (RasApi()) and reads the phonebook.
  explicit TtkRas(TComponent* AOwner = nullptr);
  ~TtkRas() override;

  // Refills and returns the list of phonebook entry names; the service's
  // error code goes into LastError, nothing is raised.
  const TStringList& Entries();
  // Whether the phonebook has any entry (the list as last read).
  bool RasAvailable() const { return !FEntries.empty(); }

  // The entry to dial. The setter refuses, with a message box, a value while
  // no dial-up service is detected, while connected, or that names no entry.
  const std::string& Service() const { return FService; }
  void SetService(const std::string& Value);

  // Looks for a connection to adopt: one of Service, or (ForceService false)
  // any that carries IP. Stores its handle. Raises ERASError on a service error.
  bool FindConnection();
  // Dials Service unless a suitable connection is up; returns when connected.
  // Raises ERASError, ECanceledError (stop flag) or ETimedOutError (TimeOut).
  void Connect() override;
  // Hangs up a connection dialled here (OnDisconnected); an adopted one is
  // left up. Always clears Connected and ends a running dial wait.
  void HangUp() override;
  // Clears the handle, Connected, the stop flag and the time-out.
  void ResetState();
  // Sets the stop flag: a running dial wait ends with ECanceledError.
  void StopDialWait() override { FStop = true; }
  // Delivers the dial events that have arrived. The dial wait runs it every
  // turn; an application that wants to hear of a line lost after the dial
  // may also run it when idle.
  void ProcessDialEvents();

  TRASNotifyEvent OnStatusChange;
  // The connection dialled here was hung up (by HangUp, or after it failed).
  TNotifyEvent OnDisconnected;

  // Kept for the form's settings; Linux has no dial-progress dialog to minimise.
  bool MinimizeAtConnect = false;
  // Stored for the entry before dialling when the phonebook holds none.
  std::string Password;
  // Whether storing Password asks the service to forget a stored password.
  bool RemovePassword = true;
  // True: adopt only a connection of Service; false: any connection that carries IP.
  bool ForceService = true;

  // Seconds a dial may take; 120 by default.
  int TimeOut() const { return FCounter.TimeOut; }
  void SetTimeOut(int Value) { FCounter.TimeOut = Value; }

  // Whether a connection was dialled or adopted and not hung up since.
  bool Connected() const { return FConnected; }
  // The last error code of the dial-up service (0 = none).
  TRasError LastError() const { return FLastError; }
  // The handle of the connection dialled or adopted; NoRasConn when none.
  TRasConn ConnectionHandle() const { return FHandle; }

  // The error box of the Service setter, installed by the user-interface
  // layer; without it the text is written to standard error.
  inline static TRasMessageBox MessageBoxHook;

private:
  // Where the service's dial events go; detached when the dial no longer
  // concerns this component (hung up, or the component destroyed).
  struct TDialSink {
    TtkRas* Owner = nullptr;
  };

  // One dial event, through the sink of its dial: the status text, Connected, the last error.
  void DialEvent(TDialSink& Sink, int State, TRasError Error);
  // The status text of State: the service's string when it has one, else the built-in text.
  std::string StatusText(int State);
  // LastError := Code; raises ERASError when it is not 0.
  void Check(TRasError Code);
  [[noreturn]] void RaiseError(TRasError Code);
  // Stops listening to the current dial.
  void DetachSink();
  // Whether Connection is among the active connections.
  bool IsActive(TRasConn Connection);

  std::shared_ptr<TRasApi> FApi;
  TStringList FEntries;
  std::string FService;
  TRasConn FHandle = NoRasConn;
  std::shared_ptr<TDialSink> FSink;
  bool FDialedHere = false;
  TRasError FLastError = 0;
  TTimeCounter FCounter;
  bool FStop = false;
  bool FConnected = false;
  // An error arrived after the connection was made; handled after the delivery.
  bool FLost = false;
};
