#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <any>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "asynclookup.h"

// The name of an entry point of the socket library together with its type,
// so that a caller cannot call an entry point with the wrong arguments.
template <class Sig>
struct TProcName {
  const char* Name;
};

// A socket library: entry points by name, each value a std::function of the
// entry point's type.
using TProcTable = std::unordered_map<std::string, std::any>;

// Entry points by the names the mail code looks them up under. Failing calls
// return -1 (or an empty handle) and leave a socket error number for
// WSAGetLastError.
namespace wsproc {
// Starts the library for the requested version (257 = 1.1); non-zero = failure.
inline constexpr TProcName<int(int Version)> WSAStartup{"WSAStartup"};
inline constexpr TProcName<int()> WSACleanup{"WSACleanup"};
inline constexpr TProcName<int()> WSAGetLastError{"WSAGetLastError"};
inline constexpr TProcName<void(int Error)> WSASetLastError{"WSASetLastError"};
inline constexpr TProcName<int(char* Name, int Len)> gethostname{"gethostname"};
// Dotted IPv4 text to an address in network order; all ones when it is none.
inline constexpr TProcName<std::uint32_t(const char* Cp)> inet_addr{"inet_addr"};
inline constexpr TProcName<TLookupHandle(const std::string& Name)> WSAAsyncGetHostByName{
    "WSAAsyncGetHostByName"};
inline constexpr TProcName<TLookupHandle(const std::string& Name, const std::string& Proto)>
    WSAAsyncGetServByName{"WSAAsyncGetServByName"};
inline constexpr TProcName<int(const TLookupHandle& Handle)> WSACancelAsyncRequest{
    "WSACancelAsyncRequest"};
inline constexpr TProcName<int(int Af, int Type, int Protocol)> socket{"socket"};
// Switches the socket to non-blocking mode; its events are then read with WSAPoll.
inline constexpr TProcName<int(int S, long Events)> WSAAsyncSelect{"WSAAsyncSelect"};
inline constexpr TProcName<int(pollfd* Fds, nfds_t Count, int TimeoutMs)> WSAPoll{"WSAPoll"};
// The pending error of a socket (SO_ERROR) as a socket error number.
inline constexpr TProcName<int(int S)> WSAGetSocketError{"WSAGetSocketError"};
inline constexpr TProcName<int(int S, const sockaddr* Name, socklen_t Len)> connect{"connect"};
inline constexpr TProcName<long(int S, const void* Buf, std::size_t Len, int Flags)> send{"send"};
inline constexpr TProcName<long(int S, void* Buf, std::size_t Len, int Flags)> recv{"recv"};
inline constexpr TProcName<int(int S)> closesocket{"closesocket"};
inline constexpr TProcName<std::uint16_t(std::uint16_t Value)> htons{"htons"};
}  // namespace wsproc

// Socket events a component asks for (WSAAsyncSelect's mask bits).
namespace wsevent {
enum : long { FD_READ = 1, FD_WRITE = 2, FD_CONNECT = 16, FD_CLOSE = 32 };
}
