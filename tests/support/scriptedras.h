#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "platform/ras/rasapi.h"

// A dial-up service for tests: a phonebook, connections that are already up
// (some made "by another program", some carrying IP), and dials that walk
// through a scripted list of states, each after its own delay. A step with an
// error code fails the dial there; an empty script never answers. It records
// every dial, every stored set of parameters and every hang-up.
class TScriptedRas : public TRasApi {
public:
  // One progress report of a dial, DelayMs after the one before (or after the dial started).
  struct TStep {
    int State = 0;
    TRasError Error = 0;
    int DelayMs = 0;
  };
  // Parameters stored for an entry.
  struct TStored {
    TRasDialParams Params;
    bool HasPassword = false;
  };
  // A call of SetEntryDialParams.
  struct TStoreCall {
    TRasDialParams Params;
    bool RemovePassword = false;
  };

  // An error code that ErrorString has no text for.
  static constexpr TRasError InvalidParameter = 87;
  // GetEntryDialParams of an entry that is not in the phonebook.
  static constexpr TRasError EntryNotFound = 623;

  // Adds a connection that is already up, made by another program; returns its handle.
  TRasConn AddConnection(const std::string& EntryName, const std::string& Ip = {});
  // Whether Connection is up.
  bool IsUp(TRasConn Connection) const;
  // Dials still waiting to report a step.
  std::size_t PendingDials() const { return FDials.size(); }

  // --- What the service holds and how it answers.
  std::vector<std::string> PhoneBook;
  TRasError EnumEntriesError = 0;
  std::vector<TRasConnection> Active;
  std::map<TRasConn, std::string> Ips;
  TRasError EnumConnectionsError = 0;
  TRasError ProjectionError = 0;
  std::map<std::string, TStored> Stored;
  TRasError GetParamsError = 0;
  TRasError SetParamsError = 0;
  // The states every dial goes through; empty: the dial never answers.
  std::vector<TStep> DialScript;
  // Non-zero: Dial refuses to start with this code (it still hands out a handle).
  TRasError DialRefusal = 0;
  // The IP address of a connection that a dial made.
  std::string DialedIp = "10.0.0.2";
  std::map<TRasError, std::string> ErrorTexts;
  std::map<int, std::string> StatusTexts;

  // --- What happened.
  std::vector<TRasDialParams> Dials;
  std::vector<TStoreCall> StoreCalls;
  std::vector<TRasConn> HangUps;

  bool Available() const override { return true; }
  TRasError EnumEntries(std::vector<std::string>& Names) override;
  TRasError EnumConnections(std::vector<TRasConnection>& Connections) override;
  TRasError GetProjectionIp(TRasConn Connection, std::string& IpAddress) override;
  TRasError GetEntryDialParams(TRasDialParams& Params, bool& HasPassword) override;
  TRasError SetEntryDialParams(const TRasDialParams& Params, bool RemovePassword) override;
  TRasError Dial(const TRasDialParams& Params, TRasDialEvent Notify, TRasConn& Connection) override;
  void Poll() override;
  TRasError HangUp(TRasConn Connection) override;
  TRasError ErrorString(TRasError Code, std::string& Text) override;
  std::string StatusString(int Number) override;

private:
  using Clock = std::chrono::steady_clock;

  struct TDial {
    TRasConn Handle;
    std::string EntryName;
    TRasDialEvent Notify;
    std::size_t Next = 0;
    Clock::time_point Due;  // when step Next is reported
  };

  std::vector<TDial> FDials;
  TRasConn FNextHandle = 100;
};
