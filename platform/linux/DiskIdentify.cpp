#include "platform/DiskIdentify.h"

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

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

std::optional<TIdentifyData> IdentifyDisk(const std::filesystem::path& device)
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

} // namespace platform
