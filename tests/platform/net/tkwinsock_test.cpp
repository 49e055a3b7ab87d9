#include "platform/net/tkwinsock.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <cerrno>

#include "platform/net/posixsockets.h"
#include "platform/net/socketerrors.h"
#include "platform/runtime/msgtable.h"

namespace {

// Leaves the binding as the other tests expect it: loaded from the system.
class WinsockBinding : public ::testing::Test {
protected:
  void TearDown() override {
    W.SetLoader(PosixSocketLibrary);
    W.Load();
  }
  TtkWinsock& W = TtkWinsock::Instance();
};

TEST_F(WinsockBinding, EntryPointsAreFoundByNameOnlyWhileLoaded) {
  W.Load();
  ASSERT_TRUE(W.Loaded());
  EXPECT_EQ(W.Proc(wsproc::htons)(0x1234), 0x3412);
  try {
    W.GetProc("WSANoSuchCall");
    FAIL();
  } catch (const EWinsockDLLError& E) {
    EXPECT_EQ(E.Message, "Function WSANoSuchCall not found");
  }
  W.Unload();
  EXPECT_FALSE(W.Loaded());
  try {
    W.GetProc("recv");
    FAIL();
  } catch (const EWinsockDLLError& E) {
    EXPECT_EQ(E.Message, "Winsock is not loaded");
  }
}

TEST_F(WinsockBinding, MissingLibraryIsReportedAndLeavesItUnloaded) {
  W.SetLoader([] { return std::optional<TProcTable>(); });
  try {
    W.Load();
    FAIL();
  } catch (const EWinsockDLLError& E) {
    EXPECT_EQ(E.Message, "Winsock not found");
  }
  EXPECT_FALSE(W.Loaded());
}

TEST_F(WinsockBinding, ReplacedEntryPointIsUsedUntilPutBack) {
  W.Load();
  std::any Old = W.Replace("htons", std::function<std::uint16_t(std::uint16_t)>([](std::uint16_t) {
                             return std::uint16_t(7);
                           }));
  EXPECT_EQ(W.Proc(wsproc::htons)(1), 7);
  W.Replace("htons", std::move(Old));
  EXPECT_EQ(W.Proc(wsproc::htons)(1), 256);
}

TEST(SocketErrors, LinuxErrorsReadAsTheirSocketErrorTexts) {
  EXPECT_EQ(LoadStr(WinsockErrorFromErrno(ECONNREFUSED)), "[10061] Connection refused");
  EXPECT_EQ(LoadStr(WinsockErrorFromErrno(ECONNRESET)), "[10054] Connection reset by peer");
  EXPECT_EQ(LoadStr(WinsockErrorFromErrno(EAGAIN)), "[10035] Resource temporarily not available");
  EXPECT_EQ(LoadStr(WinsockErrorFromErrno(ENETUNREACH)), "[10051] Network is unreachable");
  EXPECT_EQ(LoadStr(WinsockErrorFromErrno(ETIMEDOUT)), "[10060] Connection timed out");
  EXPECT_EQ(LoadStr(WinsockErrorFromErrno(EHOSTUNREACH)), "[10065] No Route to Host");
  EXPECT_EQ(LoadStr(WinsockErrorFromGai(EAI_NONAME, 0)), "[11001] Host not found");
  EXPECT_EQ(LoadStr(WinsockErrorFromGai(EAI_AGAIN, 0)), "[11002] Non-Authoritative Host not found");
  EXPECT_EQ(LoadStr(WinsockErrorFromGai(EAI_SYSTEM, ECONNREFUSED)), "[10061] Connection refused");
}

TEST(SocketErrors, PosixLibraryReportsFailuresThroughLastError) {
  TtkWinsock& W = TtkWinsock::Instance();
  W.Load();
  const long N = W.Proc(wsproc::recv)(-1, nullptr, 0, 0);
  EXPECT_EQ(N, -1);
  EXPECT_EQ(W.Proc(wsproc::WSAGetLastError)(), 10009);  // EBADF: "Bad file number"
  EXPECT_NE(W.Proc(wsproc::inet_addr)("mail.example.test"), W.Proc(wsproc::inet_addr)("127.0.0.1"));
  EXPECT_EQ(W.Proc(wsproc::inet_addr)("not an address"), 0xFFFFFFFFu);
}

}  // namespace
