#pragma once
// The serial number of the first disk, from its ATA identify data.
#include "platform/DiskIdentify.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using platform::TIdentifyData;

// Asks the device at path for its ATA IDENTIFY DEVICE data; nothing when
// it cannot be opened or does not answer.
using TIdentifyDevice = std::function<std::optional<TIdentifyData>(const std::filesystem::path&)>;

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
