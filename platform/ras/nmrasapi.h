#pragma once

#include <memory>

#include "platform/ras/rasapi.h"

// Dial-up through NetworkManager: its mobile broadband, PPPoE, VPN and
// Bluetooth DUN profiles are the phonebook, and dialling activates one.
namespace nmras {
// NetworkManager refused a call or did not answer; ErrorString gives its message.
inline constexpr TRasError CallFailed = 20000;
// No dial-up profile carries the entry's name.
inline constexpr TRasError NoSuchEntry = 20001;
// A dial that failed: ReasonBase plus NetworkManager's reason for the state change.
inline constexpr TRasError ReasonBase = 20100;
}  // namespace nmras

// A dial-up service over NetworkManager when it runs on the system bus
// ($DBUS_SYSTEM_BUS_ADDRESS, else the standard socket); the "no service"
// default when there is no bus, no NetworkManager or no Qt application.
std::shared_ptr<TRasApi> NetworkManagerRasApi();
