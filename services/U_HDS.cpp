#include "U_HDS.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kSerialOffset = 20;
constexpr std::size_t kSerialLength = 20;
constexpr std::size_t kSerialNumberLength = 12;

bool IsBlank(std::uint8_t byte)
{
    return byte <= 32;
}

// The length of the character that starts at begin: a whole UTF-8 sequence,
// or one byte where no whole sequence starts.
std::size_t CharacterLength(const std::string& text, std::size_t begin)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(begin);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (begin + length > text.size())
        return 1;
    for (std::size_t i = begin + 1; i < begin + length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 1;
    return length;
}

// The last count characters of a UTF-8 text; a byte that is no part of a
// whole character counts as one.
std::string LastCharacters(const std::string& text, std::size_t count)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i))
        starts.push_back(i);
    return starts.size() <= count ? text : text.substr(starts[starts.size() - count]);
}

} // namespace

std::string SerialFromIdentifyData(const TIdentifyData& data)
{
    // ATA strings hold the first character of each pair in the word's high byte.
    std::string serial(kSerialLength, '\0');
    for (std::size_t i = 0; i < kSerialLength; i += 2) {
        serial[i] = static_cast<char>(data[kSerialOffset + i + 1]);
        serial[i + 1] = static_cast<char>(data[kSerialOffset + i]);
    }
    const auto blank = [](char c) { return IsBlank(static_cast<std::uint8_t>(c)); };
    const auto first = std::find_if_not(serial.begin(), serial.end(), blank);
    const auto last = std::find_if_not(serial.rbegin(), std::make_reverse_iterator(first), blank).base();
    return std::string(first, last);
}

std::string ReadDiskSerial(const std::vector<std::filesystem::path>& devices, const TIdentifyDevice& identify)
{
    for (const auto& device : devices)
        if (const auto data = identify(device))
            return SerialFromIdentifyData(*data);
    return {};
}

THDS::THDS() : THDS(platform::DiskDevicesToAsk(), platform::IdentifyDisk) {}

THDS::THDS(const std::vector<std::filesystem::path>& devices, const TIdentifyDevice& identify)
{
    const std::string serial = ReadDiskSerial(devices, identify);
    if (!serial.empty())
        SerialNumber = LastCharacters(std::string(46, '0') + serial, kSerialNumberLength);
}
