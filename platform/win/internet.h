#pragma once
// Whether the machine is connected: the connection-state flags of wininet's
// InternetGetConnectedState, answered from the network interfaces of the machine (an
// interface that is up, running and not the loopback counts as a LAN connection).
#include <cstdint>
#include <functional>

namespace win {

inline constexpr uint32_t INTERNET_CONNECTION_MODEM = 0x01;
inline constexpr uint32_t INTERNET_CONNECTION_LAN = 0x02;
inline constexpr uint32_t INTERNET_CONNECTION_PROXY = 0x04;
inline constexpr uint32_t INTERNET_CONNECTION_OFFLINE = 0x20;
inline constexpr uint32_t INTERNET_CONNECTION_CONFIGURED = 0x40;

// False when the state cannot be had; else the flags in *flags.
bool InternetGetConnectedState(uint32_t* flags, uint32_t reserved = 0);

// Tests answer in place of the machine; an empty function restores the machine's answer.
using ConnectedStateProvider = std::function<bool(uint32_t* flags)>;
ConnectedStateProvider setConnectedStateProvider(ConnectedStateProvider provider);

}  // namespace win
