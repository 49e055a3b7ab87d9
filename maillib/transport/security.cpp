#include "security.h"

namespace {
constexpr std::string_view Names[] = {"None", "STARTTLS", "SSL/TLS"};
}

std::string_view SecurityName(TSecurity Security) { return Names[static_cast<int>(Security)]; }

std::optional<TSecurity> SecurityFromName(std::string_view Name) {
  if (Name.empty()) return TSecurity::None;
  for (int I = 0; I < 3; ++I)
    if (Name == Names[I]) return static_cast<TSecurity>(I);
  return std::nullopt;
}
