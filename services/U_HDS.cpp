#include "U_HDS.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kSerialOffset = 20;
constexpr std::size_t kSerialLength = 20;
constexpr std::size_t kSerialNumberLength = 12;

// ATA PASS-THROUGH (16) carrying IDENTIFY DEVICE: PIO data-in, one 512-byte
// block from the device, its length in the sector count field.
constexpr std::array<std::uint8_t, 16> kIdentifyCommand = {
    0x85,       // ATA PASS-THROUGH (16)
    4 << 1,     // protocol: PIO data-in
    0x0E,       // T_DIR from the device, BYT_BLOK blocks, T_LENGTH in sector count
    0, 0,       // features
    0, 1,       // sector count
    0, 0,       // LBA low
    0, 0,       // LBA mid
    0, 0,       // LBA high
    0xA0,       // device: master
    0xEC,       // IDENTIFY DEVICE
    0,          // control
};

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

// The number after prefix when name is prefix followed by digits only.
std::optional<unsigned> NumberAfter(const std::string& name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    unsigned number = 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<TIdentifyData> IdentifyDeviceBySgIo(const std::filesystem::path& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    TIdentifyData data{};
    auto command = kIdentifyCommand;
    std::array<std::uint8_t, 32> sense{};
    sg_io_hdr_t request{};
    request.interface_id = 'S';
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.cmd_len = command.size();
    request.mx_sb_len = sense.size();
    request.dxfer_len = data.size();
    request.dxferp = data.data();
    request.cmdp = command.data();
    request.sbp = sense.data();
    request.timeout = 2000;
    const int result = ::ioctl(fd, SG_IO, &request);
    ::close(fd);
    if (result != 0 || (request.info & SG_INFO_OK_MASK) != SG_INFO_OK)
        return std::nullopt;
    return data;
}

std::vector<std::filesystem::path> DiskDevicesToAsk(const std::filesystem::path& devFolder)
{
    std::optional<std::string> disk;
    std::optional<unsigned> generic;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(devFolder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        // sd followed by one letter: a whole SCSI disk, not one of its partitions.
        if (name.size() == 3 && name.starts_with("sd") && name[2] >= 'a' && name[2] <= 'z') {
            if (!disk || name < *disk)
                disk = name;
        } else if (const auto number = NumberAfter(name, "sg")) {
            if (!generic || *number < *generic)
                generic = number;
        }
    }
    std::vector<std::filesystem::path> devices;
    if (disk)
        devices.push_back(devFolder / *disk);
    if (generic)
        devices.push_back(devFolder / ("sg" + std::to_string(*generic)));
    return devices;
}

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

THDS::THDS() : THDS(DiskDevicesToAsk(), IdentifyDeviceBySgIo) {}

THDS::THDS(const std::vector<std::filesystem::path>& devices, const TIdentifyDevice& identify)
{
    const std::string serial = ReadDiskSerial(devices, identify);
    if (!serial.empty())
        SerialNumber = LastCharacters(std::string(46, '0') + serial, kSerialNumberLength);
}
