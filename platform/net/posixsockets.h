#pragma once

#include <optional>

#include "tkwinsock.h"

// The socket library over POSIX sockets, getaddrinfo and the service database.
std::optional<TProcTable> PosixSocketLibrary();
