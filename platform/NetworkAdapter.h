#pragma once
// The hardware address of the first network adapter, as the machine code uses it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

using THardwareAddress = std::array<std::uint8_t, 6>;

// The address of the first adapter in interface order (by interface index),
// loopback excluded, read from netFolder (/sys/class/net); nothing when
// there is none.
std::optional<THardwareAddress> FirstAdapterAddress(const std::filesystem::path& netFolder = "/sys/class/net");

// Twelve uppercase hexadecimal digits, no separators.
std::string MacText(const THardwareAddress& address);

} // namespace platform
