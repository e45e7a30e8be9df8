#pragma once
// Physical memory through the operating system's memory device.
#include <cstdint>
#include <filesystem>
#include <span>

namespace platform {

// Copies into.size() bytes from physical address `address` of the memory
// device. 0 when every byte was read, else an errno value (ENXIO when the
// device ends before the last byte).
int ReadPhysicalMemory(const std::filesystem::path& device, std::uint64_t address, std::span<std::uint8_t> into);

} // namespace platform
