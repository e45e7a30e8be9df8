// What the device files offer: the disks to ask for their identify data,
// and a graphics device to render with.
#include "platform/DiskIdentify.h"
#include "platform/GraphicsDevice.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path FreshFolder(const std::string& kind)
{
    const fs::path folder = fs::temp_directory_path() / ("orvanzev-devices-" + kind + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void WriteText(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

TEST(DiskDevices, FirstDiskThenFirstScsiGenericDevice)
{
    struct Case {
        const char* name;
        std::vector<std::string> entries;
        std::vector<std::string> devices;
    };
    const std::vector<Case> cases = {
        {"sda_and_sg0", {"sg1", "sdb", "sda", "sda1", "sg0", "nvme0n1", "null"}, {"sda", "sg0"}},
        {"no_sda", {"sdc", "sdb2", "sdb", "sg10", "sg2"}, {"sdb", "sg2"}},
        {"only_generic", {"nvme0n1", "sg3", "sgx"}, {"sg3"}},
        {"nothing", {"nvme0n1", "sr0", "sdaa"}, {}},
    };
    for (const auto& c : cases) {
        const fs::path dev = FreshFolder("dev");
        for (const auto& entry : c.entries)
            WriteText(dev / entry, "");
        std::vector<fs::path> expected;
        for (const auto& device : c.devices)
            expected.push_back(dev / device);
        EXPECT_EQ(platform::DiskDevicesToAsk(dev), expected) << c.name;
        fs::remove_all(dev);
    }
}

TEST(DiskDevices, IdentifyOfWhatIsNoDiskGivesNothing)
{
    const fs::path folder = FreshFolder("identify");
    WriteText(folder / "file", std::string(512, 'x'));
    for (const fs::path& device : {folder / "missing", folder / "file", fs::path("/dev/null")})
        EXPECT_FALSE(platform::IdentifyDisk(device).has_value()) << device;
    fs::remove_all(folder);
}

struct DeviceCase {
    friend void PrintTo(const DeviceCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QStringList files;
    bool device;
};

class GraphicsDevice : public testing::TestWithParam<DeviceCase> {};

TEST_P(GraphicsDevice, FoundAmongTheDeviceFiles)
{
    QTemporaryDir devices;
    for (const QString& file : GetParam().files) {
        QDir().mkpath(QFileInfo(devices.filePath(file)).path());
        QFile(devices.filePath(file)).open(QIODevice::WriteOnly);
    }
    EXPECT_EQ(platform::HasGraphicsDevice(devices.path().toStdString()), GetParam().device);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GraphicsDevice,
    testing::Values(DeviceCase{"nothing", {QStringLiteral("null"), QStringLiteral("shm/x")}, false},
                    DeviceCase{"render_node", {QStringLiteral("dri/renderD128")}, true},
                    DeviceCase{"card_only", {QStringLiteral("dri/card0")}, true},
                    DeviceCase{"dri_without_nodes", {QStringLiteral("dri/by-path/pci-0000")}, false},
                    DeviceCase{"nvidia", {QStringLiteral("nvidia0"), QStringLiteral("nvidiactl")}, true},
                    DeviceCase{"nvidia_control_only", {QStringLiteral("nvidiactl")}, false}),
    [](const testing::TestParamInfo<DeviceCase>& info) { return std::string(info.param.name); });

} // namespace
