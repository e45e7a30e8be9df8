#pragma once
// The first disk's ATA identify data, as the operating system hands it out.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace platform {

using TIdentifyData = std::array<std::uint8_t, 512>;

// The device files that may be the first disk, most likely first.
std::vector<std::filesystem::path> DiskDevicesToAsk(const std::filesystem::path& devFolder = "/dev");

// The device's ATA IDENTIFY DEVICE data; nothing when it cannot be opened or
// does not answer.
std::optional<TIdentifyData> IdentifyDisk(const std::filesystem::path& device);

} // namespace platform
