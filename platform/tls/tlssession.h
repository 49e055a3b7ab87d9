#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "certificate.h"
#include "platform/runtime/exception.h"

typedef struct ssl_st SSL;

// OpenSSL could not set up a session at all.
class ETlsError : public Exception {
public:
  using Exception::Exception;
};

// The byte channel a session runs over; in the mail library, the socket
// binding's recv and send, so a test's replaced entry points still apply.
struct TTlsTransport {
  // Like recv and send: bytes moved, 0 at the end of the stream (Receive
  // only), or -1 with Error set to a socket error number.
  std::function<long(char* Buffer, std::size_t Size, int& Error)> Receive;
  std::function<long(const char* Data, std::size_t Size, int& Error)> Send;
  // The error number that means "nothing now, try again later".
  int WouldBlock = 0;
};

// One TLS client session (TLS 1.2 at least) over a non-blocking transport.
// Every call returns at once; WantRead and WantWrite say what to wait for
// before calling again. The certificate is verified against OpenSSL's
// default verify paths (SSL_CERT_FILE and SSL_CERT_DIR are honoured) and
// the host name or address; a failed verification does not stop the
// handshake, so the caller can show the certificate and let the user decide.
class TTlsSession {
public:
  enum class TResult { Done, WantRead, WantWrite, Closed, Failed };

  // Host is a name (sent as SNI and checked) or an IPv4 or IPv6 address (checked).
  TTlsSession(TTlsTransport Transport, const std::string& Host);
  ~TTlsSession();
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;

  TResult Handshake();
  // Decrypted bytes into Buffer; Result is Done when some arrived.
  std::size_t Read(char* Buffer, std::size_t Size, TResult& Result);
  // Encrypts and sends up to Size bytes; returns how many were taken.
  std::size_t Write(const char* Data, std::size_t Size, TResult& Result);
  // Whether decrypted bytes wait to be read without touching the socket.
  bool Pending() const;
  // Sends the closing alert, if the channel takes it at once.
  void Shutdown();

  // After Failed: the socket error behind it, 0 when TLS itself failed.
  int TransportError() const { return FTransportError; }
  // After Failed: what went wrong, in words.
  const std::string& ErrorText() const { return FErrorText; }

  // After the handshake: empty when the certificate verified, else why not
  // ("it has expired", "it is self-signed", ...).
  std::string VerifyProblem() const;
  TCertificateFacts PeerCertificate() const;

private:
  TResult Outcome(int Status);
  static int RecordVerifyError(int PreverifyOk, struct x509_store_ctx_st* Context);

  TTlsTransport FTransport;
  SSL* FSsl = nullptr;
  int FTransportError = 0;
  std::string FErrorText;
  // The first verification error of the chain; 0 when none.
  int FVerifyError = 0;

  friend struct TTlsBio;
};
