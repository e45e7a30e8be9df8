#pragma once
// The hardware address of the first network adapter, as the machine code uses it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

using THardwareAddress = std::array<std::uint8_t, 6>;

// What the machine code needs to know of one network interface.
struct TAdapter {
    std::string name;
    int index = 0;                // 0 when the system does not say
    bool loopback = false;
    std::string hardwareAddress;  // "xx:xx:xx:xx:xx:xx" for Ethernet
};

// The interfaces of this machine.
std::vector<TAdapter> SystemAdapters();

// The address of the first adapter in interface order (by interface index),
// loopback excluded; nothing when there is none.
std::optional<THardwareAddress> FirstAdapterAddress(const std::vector<TAdapter>& adapters);
std::optional<THardwareAddress> FirstAdapterAddress();

// Twelve uppercase hexadecimal digits, no separators.
std::string MacText(const THardwareAddress& address);

} // namespace platform
