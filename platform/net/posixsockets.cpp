#include "posixsockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <system_error>
#include <thread>

#include "socketerrors.h"

namespace {

thread_local int LastError = 0;

// Records errno as the last socket error and passes Result on. An interrupted
// call on a non-blocking socket is simply to be repeated.
template <class T>
T Failed(T Result) {
  LastError = errno == EINTR ? wsaerr::WSAEWOULDBLOCK : WinsockErrorFromErrno(errno);
  return Result;
}

TLookupHandle StartHostLookup(const std::string& Name) {
  auto Lookup = std::make_shared<TAsyncLookup>();
  try {
    std::thread([Lookup, Name] {
      addrinfo Hints{};
      Hints.ai_family = AF_INET;
      Hints.ai_socktype = SOCK_STREAM;
      addrinfo* Result = nullptr;
      const int Rc = ::getaddrinfo(Name.c_str(), nullptr, &Hints, &Result);
      Lookup->Error = WinsockErrorFromGai(Rc, errno);
      for (const addrinfo* A = Result; Rc == 0 && A; A = A->ai_next)
        Lookup->Addresses.push_back(reinterpret_cast<const sockaddr_in*>(A->ai_addr)->sin_addr.s_addr);
      if (Result) ::freeaddrinfo(Result);
      if (Rc == 0 && Lookup->Addresses.empty()) Lookup->Error = wsaerr::WSANO_DATA;
      Lookup->Done.store(true, std::memory_order_release);
    }).detach();
  } catch (const std::system_error&) {
    LastError = 10055;
    return nullptr;
  }
  return Lookup;
}

// The service database is a local file, so this lookup finishes at once.
TLookupHandle StartServiceLookup(const std::string& Name, const std::string& Proto) {
  auto Lookup = std::make_shared<TAsyncLookup>();
  servent Entry{};
  servent* Found = nullptr;
  char Buffer[1024];
  if (::getservbyname_r(Name.c_str(), Proto.c_str(), &Entry, Buffer, sizeof Buffer, &Found) == 0 && Found)
    Lookup->Port = static_cast<std::uint16_t>(Found->s_port);
  else
    Lookup->Error = wsaerr::WSANO_DATA;
  Lookup->Done.store(true, std::memory_order_release);
  return Lookup;
}

template <class Sig>
void Add(TProcTable& Table, TProcName<Sig> Entry, std::function<Sig> Proc) {
  Table.emplace(Entry.Name, std::move(Proc));
}

}  // namespace

std::optional<TProcTable> PosixSocketLibrary() {
  TProcTable T;
  Add(T, wsproc::WSAStartup, {[](int Version) { return Version == 257 ? 0 : 10092; }});
  Add(T, wsproc::WSACleanup, {[] { return 0; }});
  Add(T, wsproc::WSAGetLastError, {[] { return LastError; }});
  Add(T, wsproc::WSASetLastError, {[](int Error) { LastError = Error; }});
  Add(T, wsproc::gethostname, {[](char* Name, int Len) {
        return ::gethostname(Name, static_cast<size_t>(Len)) == 0 ? 0 : Failed(-1);
      }});
  Add(T, wsproc::inet_addr, {[](const char* Cp) { return static_cast<std::uint32_t>(::inet_addr(Cp)); }});
  Add(T, wsproc::WSAAsyncGetHostByName, {StartHostLookup});
  Add(T, wsproc::WSAAsyncGetServByName, {StartServiceLookup});
  Add(T, wsproc::WSACancelAsyncRequest, {[](const TLookupHandle& Handle) {
        if (Handle) Handle->Canceled = true;
        return 0;
      }});
  Add(T, wsproc::socket, {[](int Af, int Type, int Protocol) {
        const int S = ::socket(Af, Type | SOCK_CLOEXEC, Protocol);
        if (S < 0) return Failed(-1);
        // Mail protocols write a few short lines and then wait for the answer.
        // Held back for the acknowledgement of the one before (Nagle), the
        // last line would wait for the peer's delayed acknowledgement, some
        // 40 ms per command.
        const int On = 1;
        if (Type == SOCK_STREAM) ::setsockopt(S, IPPROTO_TCP, TCP_NODELAY, &On, sizeof On);
        return S;
      }});
  Add(T, wsproc::WSAAsyncSelect, {[](int S, long) {
        const int Flags = ::fcntl(S, F_GETFL);
        if (Flags < 0 || ::fcntl(S, F_SETFL, Flags | O_NONBLOCK) < 0) return Failed(-1);
        return 0;
      }});
  Add(T, wsproc::WSAPoll, {[](pollfd* Fds, nfds_t Count, int TimeoutMs) {
        const int N = ::poll(Fds, Count, TimeoutMs);
        return N >= 0 || errno == EINTR ? std::max(N, 0) : Failed(-1);
      }});
  Add(T, wsproc::WSAGetSocketError, {[](int S) {
        int Error = 0;
        socklen_t Len = sizeof Error;
        if (::getsockopt(S, SOL_SOCKET, SO_ERROR, &Error, &Len) < 0) Error = errno;
        return Error ? WinsockErrorFromErrno(Error) : 0;
      }});
  Add(T, wsproc::connect, {[](int S, const sockaddr* Name, socklen_t Len) {
        if (::connect(S, Name, Len) == 0) return 0;
        // A non-blocking connect that goes on in the background is reported
        // the way the mail code expects it: "would block".
        if (errno == EINPROGRESS) {
          LastError = wsaerr::WSAEWOULDBLOCK;
          return -1;
        }
        return Failed(-1);
      }});
  // MSG_NOSIGNAL: a peer that has gone away is an error to report, not a
  // reason to kill the program with SIGPIPE.
  Add(T, wsproc::send, {[](int S, const void* Buf, std::size_t Len, int Flags) -> long {
        const ssize_t N = ::send(S, Buf, Len, Flags | MSG_NOSIGNAL);
        return N >= 0 ? N : Failed(-1L);
      }});
  Add(T, wsproc::recv, {[](int S, void* Buf, std::size_t Len, int Flags) -> long {
        const ssize_t N = ::recv(S, Buf, Len, Flags);
        return N >= 0 ? N : Failed(-1L);
      }});
  Add(T, wsproc::closesocket, {[](int S) { return ::close(S) == 0 ? 0 : Failed(-1); }});
  Add(T, wsproc::htons, {[](std::uint16_t Value) { return static_cast<std::uint16_t>(::htons(Value)); }});
  return T;
}
