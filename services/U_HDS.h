#pragma once
// The serial number of the first disk, from its ATA identify data.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using TIdentifyData = std::array<std::uint8_t, 512>;

// Asks the device at path for its ATA IDENTIFY DEVICE data; nothing when
// it cannot be opened or does not answer.
using TIdentifyDevice = std::function<std::optional<TIdentifyData>(const std::filesystem::path&)>;

// ATA IDENTIFY DEVICE through SG_IO (ATA pass-through).
std::optional<TIdentifyData> IdentifyDeviceBySgIo(const std::filesystem::path& device);

// The devices asked, in order: the first disk, then the first SCSI generic device.
std::vector<std::filesystem::path> DiskDevicesToAsk(const std::filesystem::path& devFolder = "/dev");

// The serial of the first device that answers, without surrounding blanks; or empty.
std::string ReadDiskSerial(const std::vector<std::filesystem::path>& devices, const TIdentifyDevice& identify);
// Words 10-19 of identify data, each word's bytes swapped, trimmed of bytes <= 32 at both ends.
std::string SerialFromIdentifyData(const TIdentifyData& data);

class THDS {
public:
    THDS();
    THDS(const std::vector<std::filesystem::path>& devices, const TIdentifyDevice& identify);
    // Exactly 12 characters, or empty.
    std::string SerialNumber;
};
