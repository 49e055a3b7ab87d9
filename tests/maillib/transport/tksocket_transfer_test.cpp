// Talking over an open connection: reply lines, bulk data to the terminator,
// sending, and how time-outs, resets and cancellation end a wait.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "maillib/transport/nberrors.h"
#include "maillib/transport/tempfilestream.h"
#include "support/fakeserver.h"
#include "support/procoverride.h"
#include "testclient.h"

namespace {

using Fake = TFakeServer;
using TransferTest = SocketTest;

double CpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec + (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(TransferTest, MultiLineReplyEndsAtTheLineWithABlankAfterTheCode) {
  Fake Server({Fake::S("220-welcome\r\n220-to the\r\n220 test\r\n"), Fake::C("EHLO me"),
               Fake::S("250-first\r\n250-second\r\n250 last\r\n"), Fake::C("NOOP"), Fake::S("250 ok\r\n")});
  TTestClient Client(Server.Address());
  Client.Connect();
  EXPECT_EQ(Client.Greeting, 220);
  EXPECT_EQ(Client.LastReply, "220 test");
  Client.SendLine("EHLO me");
  EXPECT_EQ(Client.ReadMultiLineReply(), 250);
  EXPECT_EQ(Client.LastReply, "250 last");
  // Nothing of the reply is left over for the next command.
  Client.SendLine("NOOP");
  EXPECT_EQ(Client.ReadMultiLineReply(), 250);
  EXPECT_EQ(Client.LastReply, "250 ok");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TransferTest, ReplyEndsAtTheFirstLineWithoutAHyphenAfterTheCode) {
  // The code alone (RFC 5321, 4.2), another code, no blank after the code.
  Fake Server({Fake::S("220-greets you\r\n220\r\n250-a\r\n251 other\r\n250-a\r\n250b\r\n221 next\r\n")});
  TTestClient Client(Server.Address());
  Client.SetTimeOut(5);
  Client.Connect();
  EXPECT_EQ(Client.LastReply, "220");
  for (const char* Last : {"251 other", "250b", "221 next"}) {
    Client.ReadMultiLineReply();
    EXPECT_EQ(Client.LastReply, Last);
  }
}

TEST_F(TransferTest, TrickledReplyEndsAfterTheTimeOutInAll) {
  std::vector<Fake::TStep> Trickle{Fake::S("220 hi\r\n")};
  for (int I = 0; I < 25; ++I) Trickle.insert(Trickle.end(), {Fake::S("250-more\r\n"), Fake::Pause(100)});
  Fake Server(Trickle);
  TTestClient Client(Server.Address());
  Client.SetTimeOut(1);  // a line every 100 ms never lets a single wait time out
  Client.Connect();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReadMultiLineReply(); }),
            "The reply of 127.0.0.1 did not end within 1 s; the connection was closed");
  EXPECT_FALSE(Client.Connected());
  Server.Finish();  // its sends after the close fail; only the client is under test
}

TEST_F(TransferTest, ReplyCutShortByTheServerEndsAtOnceWithItsOwnText) {
  Fake Server({Fake::S("220 hi\r\n250-a\r\n"), Fake::Close()});
  TTestClient Client(Server.Address());
  Client.SetTimeOut(10);
  Client.Connect();
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReadMultiLineReply(); }), "[10094] Graceful shutdown in progress");
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2));
  EXPECT_FALSE(Client.Connected());
}

TEST_F(TransferTest, LineEndingInCrCrLfAndNonNumericCodes) {
  Fake Server({Fake::S("+OK POP3 ready\r\r\n"), Fake::S("25 short\r\n"), Fake::S("x\n")});
  TTestClient Client(Server.Address());
  Client.Connect();
  EXPECT_EQ(Client.Greeting, -1);
  EXPECT_EQ(Client.LastReply, "+OK POP3 ready");
  std::string Line;
  EXPECT_EQ(Client.ReadReply(Line), -1);
  EXPECT_EQ(Line, "25 short");
  EXPECT_EQ(Client.ReadReply(Line), -1);  // a bare LF ends a line too
  EXPECT_EQ(Line, "x");
}

TEST_F(TransferTest, BulkDataAfterTheStatusLineIsNotLost) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::C("RETR 1"), Fake::S("+OK\r\nSubject: x\r\n\r\nbody\r\n.\r\n")});
  TTestClient Client(Server.Address());
  Client.Connect();
  Client.SendLine("RETR 1");
  std::string Line;
  EXPECT_EQ(Client.ReadReply(Line), -1);
  EXPECT_EQ(Line, "+OK");
  TMemoryStream Message;
  Client.ReceiveToTerminator(Message, 0);
  EXPECT_EQ(Message.View(), "Subject: x\r\n\r\nbody\r\n.\r\n");
}

TEST_F(TransferTest, TerminatorSplitAcrossReceivesIsFound) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::Pause(50), Fake::S("line one\r\n."), Fake::Pause(100),
               Fake::S("\r"), Fake::Pause(100), Fake::S("\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.Connect();
  std::vector<std::pair<int, int>> Progress;
  Client.OnProgress = [&](TObject*, int Perc, int Transferred) { Progress.emplace_back(Perc, Transferred); };
  TMemoryStream Message;
  Client.ReceiveToTerminator(Message, 15);
  Client.Close();
  EXPECT_EQ(Message.View(), "line one\r\n.\r\n");
  ASSERT_FALSE(Progress.empty());
  EXPECT_EQ(Progress.back(), std::make_pair(87, 13));  // 13 of 15 bytes
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TransferTest, DotLinesInsideTheDataDoNotEndIt) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::S("a\r\n..b\r\n.x\r\n.\r\n")});
  TTestClient Client(Server.Address());
  Client.Connect();
  TMemoryStream Message;
  std::vector<int> Percents;
  Client.OnProgress = [&](TObject*, int Perc, int) { Percents.push_back(Perc); };
  Client.ReceiveToTerminator(Message, 0);
  EXPECT_EQ(Message.View(), "a\r\n..b\r\n.x\r\n.\r\n");  // kept as received
  EXPECT_EQ(Percents.back(), -1);                        // size unknown
}

TEST_F(TransferTest, EmptyMessageIsTheTerminatingLineAlone) {
  Fake Server({Fake::S("220 hi\r\n+OK\r\n.\r\n")});
  TTestClient Client(Server.Address());
  Client.SetTimeOut(5);
  Client.Connect();
  std::string Line;
  Client.ReadReply(Line);
  TMemoryStream Message;
  const auto Start = std::chrono::steady_clock::now();
  Client.ReceiveToTerminator(Message, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2));
  EXPECT_EQ(Message.View(), ".\r\n");
}

TEST_F(TransferTest, PeerClosingMidMessageEndsTheWaitAtOnce) {
  Fake Server({Fake::S("220 hi\r\npartial"), Fake::Close()});
  TTestClient Client(Server.Address());
  Client.SetTimeOut(10);
  Client.Connect();
  TMemoryStream Message;
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReceiveToTerminator(Message, 0); }),
            "[10094] Graceful shutdown in progress");
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2));
  EXPECT_EQ(Message.View(), "partial");
  EXPECT_FALSE(Client.Connected());
}

TEST_F(TransferTest, WhatArrivedBeforeAResetIsReadBeforeTheReset) {
  Fake Server(std::vector<std::vector<Fake::TStep>>{
      {Fake::S("-ERR mailbox locked\r\n"), Fake::Reset()},
      {Fake::S("+OK hi\r\n"), Fake::C("RETR 1"), Fake::S("+OK\r\nSubject: x\r\n\r\nbody\r\n.\r\n"), Fake::Reset()}});
  // A greeting and its reset are both in before the client sees its connection made.
  TProcOverride Connect(wsproc::connect, [Real = TtkWinsock::Instance().Proc(wsproc::connect)](
                                             int S, const sockaddr* Name, socklen_t Len) {
    const int Result = Real(S, Name, Len);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return Result;
  });
  TTestClient Client(Server.Address());
  Client.Connect();
  EXPECT_EQ(Client.LastReply, "-ERR mailbox locked");
  std::string Line;
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReadReply(Line); }), "[10054] Connection reset by peer");
  // So are a reply, the message after it and the reset, before the client looks.
  Client.Connect();
  Client.SendLine("RETR 1");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Client.ReadReply(Line);
  EXPECT_EQ(Line, "+OK");
  TMemoryStream Message;
  Client.ReceiveToTerminator(Message, 0);
  EXPECT_EQ(Message.View(), "Subject: x\r\n\r\nbody\r\n.\r\n");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TransferTest, SilentServerTimesOutWithoutSpinningAndKeepsTheInterfaceAlive) {
  Fake Server({Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.SetTimeOut(2);
  Client.OpenSocket();
  Client.ConnectSocket();
  Client.Events.clear();
  int Pumps = 0;
  SetMessagePump([&] { ++Pumps; });
  std::string Line;
  const double Cpu = CpuSeconds();
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { Client.ReadReply(Line); }), "Operation timed out");
  const double Waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  EXPECT_LT(CpuSeconds() - Cpu, 0.1);
  EXPECT_GE(Waited, 1.9);
  EXPECT_LT(Waited, 3.5);
  EXPECT_GE(Pumps / Waited, 50.0) << Pumps << " pumps in " << Waited << " s";
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Client.Events, (std::vector<std::string>{"error: Operation timed out", "closing", "closed"}));
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TransferTest, ResetClosesTheSocketAndOnErrorMayRewriteTheText) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::C("NOOP"), Fake::Reset()});
  TTestClient Client(Server.Address());
  Client.Connect();
  Client.OnError = [&](TObject* Sender, std::string& Msg) {
    EXPECT_EQ(Sender, &Client);
    EXPECT_TRUE(Client.Connected());  // still open while the handler runs
    Msg = "Mail server: " + Msg;
  };
  Client.SendLine("NOOP");
  std::string Line;
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReadReply(Line); }), "Mail server: [10054] Connection reset by peer");
  EXPECT_FALSE(Client.Connected());
}

TEST_F(TransferTest, OtherReceiveErrorsLeaveTheSocketOpen) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::Pause(200), Fake::S("more\r\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.Connect();
  TProcOverride Recv(wsproc::recv, [](int, void*, std::size_t, int) -> long {
    TtkWinsock::Instance().Proc(wsproc::WSASetLastError)(10053);
    return -1;
  });
  std::string Line;
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReadReply(Line); }), "[10053] Software caused connection abort");
  EXPECT_TRUE(Client.Connected());
  Client.Close();
}

TEST_F(TransferTest, FailingSendIsReported) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.Connect();
  TProcOverride Send(wsproc::send, [](int, const void*, std::size_t, int) -> long {
    TtkWinsock::Instance().Proc(wsproc::WSASetLastError)(10058);
    return -1;
  });
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.SendLine("NOOP"); }), "[10058] Can't send after socket shutdown");
  Client.Close();
}

TEST_F(TransferTest, SendsThatWouldBlockAreRepeated) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::C("HELLO WORLD")});
  TTestClient Client(Server.Address());
  Client.Connect();
  int Calls = 0;
  TProcOverride Send(wsproc::send, [&](int S, const void* Buf, std::size_t Len, int Flags) -> long {
    // Every other call would block; the others move three bytes at most.
    if (++Calls % 2) {
      TtkWinsock::Instance().Proc(wsproc::WSASetLastError)(10035);
      return -1;
    }
    return ::send(S, Buf, std::min<std::size_t>(Len, 3), Flags);
  });
  Client.SendLine("HELLO WORLD");
  Client.Close();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TransferTest, NotConnected) {
  TTestClient Client("127.0.0.1:1");
  std::string Line;
  TMemoryStream Stream;
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.SendLine("x"); }), "You have to connect to the server first");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReadReply(Line); }), "You have to connect to the server first");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.ReceiveToTerminator(Stream, 0); }),
            "You have to connect to the server first");
}

TEST_F(TransferTest, CancelFromThePumpDuringAWait) {
  Fake Server({Fake::S("220 hi\r\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.Connect();
  Client.Events.clear();
  const auto Start = std::chrono::steady_clock::now();
  // The user presses Stop a moment into the wait.
  SetMessagePump([&] {
    if (std::chrono::steady_clock::now() - Start > std::chrono::milliseconds(100) && Client.Connected())
      Client.Cancel();
  });
  std::string Line;
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Client.ReadReply(Line); }), "Operation has been canceled");
  EXPECT_EQ(Client.Events,
            (std::vector<std::string>{"cancel", "closing", "closed", "error: Operation has been canceled"}));
  EXPECT_FALSE(Client.Connected());
  // Still cancelled until the next connection resets the state: a caller
  // going on after Stop sees the cancellation, not a missing connection.
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Client.SendLine("x"); }), "Operation has been canceled");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TransferTest, CancelDuringAHostLookup) {
  TProcOverride Hosts(wsproc::WSAAsyncGetHostByName,
                      [](const std::string&) { return std::make_shared<TAsyncLookup>(); });
  TTestClient Client("slow.example.test:110");
  int Pumps = 0;
  SetMessagePump([&] {
    if (++Pumps == 5) Client.Cancel();
  });
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Client.Connect(); }), "Operation has been canceled");
  EXPECT_EQ(Client.Events, (std::vector<std::string>{"open", "cancel", "error: Operation has been canceled"}));
}

TEST_F(TransferTest, SendStreamSendsTheBytesAsStoredWithProgress) {
  std::string Data;
  for (int I = 0; Data.size() < 5000; ++I) Data += "line " + std::to_string(I) + "\r\n.\r\n";
  Fake Server({Fake::S("220 hi\r\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.Connect();
  TTempFileStream File;
  File.WriteString(Data);
  std::vector<std::pair<int, int>> Progress;
  Client.OnProgress = [&](TObject*, int Perc, int Transferred) { Progress.emplace_back(Perc, Transferred); };
  Client.SendStream(File);
  Client.Close();
  Server.Finish();
  EXPECT_EQ(Server.Transcript(), Data + "[*** close ***]");
  const int Size = static_cast<int>(Data.size());
  ASSERT_EQ(Progress.size(), static_cast<std::size_t>(Size / 2047 + 2));
  EXPECT_EQ(Progress[0], std::make_pair(static_cast<int>(std::nearbyint(2047 * 100.0 / Size)), 2047));
  EXPECT_EQ(Progress[Progress.size() - 2], std::make_pair(100, Size));
  EXPECT_EQ(Progress.back(), std::make_pair(0, 0));
}

}  // namespace
