#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/errorof.h"
#include "maillib/transport/nbmb.h"
#include "platform/net/posixsockets.h"
#include "platform/net/tkwinsock.h"
#include "platform/runtime/processmessages.h"

// The smallest protocol on top of the socket client: log in by reading the
// greeting, log out with QUIT. It records every event it raises, in order.
class TTestClient : public TnbMailBase {
public:
  explicit TTestClient(const std::string& AServer) {
    Server = AServer;
    ServiceName = "corvalen-test";
    SetWinsockLoaded(true);
    OnOpen = [this](TObject*) { Events.push_back("open"); };
    OnClosing = [this](TObject*) { Events.push_back("closing"); };
    OnClosed = [this](TObject*) { Events.push_back("closed"); };
    OnCancel = [this](TObject*) { Events.push_back("cancel"); };
    OnError = [this](TObject*, std::string& Msg) { Events.push_back("error: " + Msg); };
  }

  void Login() override {
    ResetState();
    ConnectSocket();
    Greeting = ReadMultiLineReply();
  }
  void Logout() override { SendLine("QUIT"); }

  int Greeting = 0;
  std::vector<std::string> Events;
};

// Every test starts with the system's socket library loaded and no pump.
class SocketTest : public ::testing::Test {
protected:
  void SetUp() override {
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    TtkWinsock::Instance().Load();
  }
  void TearDown() override { SetMessagePump(nullptr); }
};
