#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>

// A listening socket on 127.0.0.1 and a free port, which goes to Port.
inline int ListenOnLoopback(std::uint16_t& Port, int Backlog = 2) {
  const int Listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof Address;
  ::bind(Listener, reinterpret_cast<sockaddr*>(&Address), Len);
  ::listen(Listener, Backlog);
  ::getsockname(Listener, reinterpret_cast<sockaddr*>(&Address), &Len);
  Port = ntohs(Address.sin_port);
  return Listener;
}
