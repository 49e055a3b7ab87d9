#pragma once

#include <optional>

#include "winsockprocs.h"

// The socket library over POSIX sockets, getaddrinfo and the service database.
std::optional<TProcTable> PosixSocketLibrary();
