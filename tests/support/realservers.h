#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Private copies of Dovecot (POP3) and Postfix (SMTP) on 127.0.0.1 and free
// ports, run by tests/support/mailservers.py in a fresh temporary directory.
// Mail sent over SMTP to USER@Domain() arrives in USER's Maildir, which the
// POP3 server serves to USER with its password; mail for any other domain is
// refused. Besides the plain ports (POP3 with STLS, SMTP without TLS or AUTH)
// there are POP3 over TLS and SMTP submission with AUTH required, by
// STARTTLS or over TLS, with a certificate from a test CA; the mailservers.py
// docstring says which log lines show whether a credential reached a server.
// The destructor stops both servers and removes the directory; a watcher
// stops them too if the test process dies first. Starting takes about a
// second, most of it making the certificates.
class TRealMailServers {
public:
  struct TUser {
    std::string Name;
    std::string Password;
  };
  // alice with the password "secret".
  static std::vector<TUser> DefaultUsers();

  // Starts both servers presenting the test certificate Certificate (good,
  // otherhost, expired, selfsigned or selfsigned2: see testcerts.py); throws
  // std::runtime_error with the reason and the servers' log lines when they
  // do not answer.
  explicit TRealMailServers(std::vector<TUser> Users = DefaultUsers(), std::string Certificate = "good");
  ~TRealMailServers();
  TRealMailServers(const TRealMailServers&) = delete;
  TRealMailServers& operator=(const TRealMailServers&) = delete;

  // "127.0.0.1:<port>".
  std::string Pop3Address() const;
  std::string SmtpAddress() const;
  std::uint16_t Pop3Port() const { return FPop3Port; }
  std::uint16_t SmtpPort() const { return FSmtpPort; }
  // POP3 over TLS; submission (STARTTLS and AUTH required); submission over TLS.
  std::uint16_t Pop3sPort() const { return FPop3sPort; }
  std::uint16_t SubmissionPort() const { return FSubmissionPort; }
  std::uint16_t SubmissionsPort() const { return FSubmissionsPort; }
  // The test CA that issued every test certificate but the self-signed ones
  // (give it as SSL_CERT_FILE), and the directory holding them all.
  const std::string& CaFile() const { return FCaFile; }
  const std::string& CertDir() const { return FCertDir; }
  // The mail domain the SMTP server delivers, "example.test".
  const std::string& Domain() const { return FDomain; }
  // User's address: "alice@example.test".
  std::string Address(const std::string& User) const { return User + "@" + FDomain; }
  const std::vector<TUser>& Users() const { return FUsers; }
  // The directory holding the configuration, the Maildirs and the logs.
  const std::string& Directory() const { return FDirectory; }
  // One line of servers.env (POP3_PORT, DOVECOT_PID, POSTFIX_LOG, ...); empty if absent.
  std::string Fact(const std::string& Key) const;

  // Puts messages straight into User's mailbox, line ends turned into CR LF
  // (so POP3 LIST sizes equal the file sizes); the POP3 server numbers them in
  // the order given, after the messages already there.
  void Put(const std::string& User, const std::vector<std::string>& Messages);
  void Put(const std::string& User, const std::string& Message) { Put(User, std::vector{Message}); }
  // The files of User's messages (new and cur), in the order they arrived.
  std::vector<std::string> MessageFiles(const std::string& User) const;
  // The contents of those files, in the same order.
  std::vector<std::string> Messages(const std::string& User) const;
  // Waits until User's mailbox holds at least Count messages; Postfix delivers
  // about 0.1 s after the client's QUIT. False if Seconds passed first.
  bool WaitForMessages(const std::string& User, std::size_t Count, double Seconds) const;
  // Waits until Postfix holds no message it has yet to deliver.
  bool WaitForQueueEmpty(double Seconds) const;
  // Removes every message from User's mailbox.
  void EmptyMailbox(const std::string& User);
  // The last lines of both servers' logs, to explain a failure.
  std::string LogTail() const;
  // What `mailservers.py check-tls` finds wrong with the TLS and AUTH rules of
  // the ports, one line each (handshakes are verified against CaFile()); empty
  // if nothing.
  std::string CheckTls() const;

private:
  std::string Maildir(const std::string& User) const;

  std::vector<TUser> FUsers;
  std::string FDirectory;
  std::map<std::string, std::string> FFacts;
  std::uint16_t FPop3Port = 0;
  std::uint16_t FSmtpPort = 0;
  std::uint16_t FPop3sPort = 0;
  std::uint16_t FSubmissionPort = 0;
  std::uint16_t FSubmissionsPort = 0;
  std::string FCaFile;
  std::string FCertDir;
  std::string FDomain;
  std::string FMaildirRoot;
};

// Base of test suites that talk to the real servers. The servers start once
// per suite (gtest_discover_tests runs every test in a process of its own,
// so in practice once per test) and every test begins with empty mailboxes.
class TRealServersTest : public ::testing::Test {
protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  static TRealMailServers& Servers() { return *FServers; }

private:
  static std::unique_ptr<TRealMailServers> FServers;
  static std::string FStartError;
};
