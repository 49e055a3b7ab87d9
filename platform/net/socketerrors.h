#pragma once

// Socket error numbers as the mail library reports them ("[10061] Connection
// refused"); Linux error numbers are mapped onto them by meaning.
namespace wsaerr {
enum : int {
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAECONNRESET = 10054,
  WSAECONNREFUSED = 10061,
  // The peer has closed the connection ("Graceful shutdown in progress").
  WSAEDISCON = 10094,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};
}  // namespace wsaerr

// The socket error number for an errno value; an errno without a counterpart
// is returned unchanged.
int WinsockErrorFromErrno(int Errno);

// The socket error number for a getaddrinfo result code.
int WinsockErrorFromGai(int GaiError, int Errno);
