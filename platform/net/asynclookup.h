#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// The result of a host or service lookup that runs in the background. The
// lookup sets Done last, so every other field is valid once Done reads true.
struct TAsyncLookup {
  std::atomic<bool> Done{false};
  // Set when nobody waits for the result any more.
  std::atomic<bool> Canceled{false};
  // Socket error number; 0 on success.
  int Error = 0;
  // IPv4 addresses in network byte order (host lookups).
  std::vector<std::uint32_t> Addresses;
  // Port in network byte order (service lookups).
  std::uint16_t Port = 0;
};

// A running lookup; empty when none could be started.
using TLookupHandle = std::shared_ptr<TAsyncLookup>;
