#include "app/U_Config.h"
#include "platform/NetworkAdapter.h"
#include "services/U_HDS.h"
#include "services/U_RomCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path FreshFolder(const std::string& kind)
{
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    const fs::path folder = fs::temp_directory_path() / (kind + "-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// --- Network adapter --------------------------------------------------------

struct AdapterCase {
    const char* name;
    std::vector<platform::TAdapter> interfaces;
    std::string mac;
};

class FingerprintAdapter : public testing::TestWithParam<AdapterCase> {};

TEST_P(FingerprintAdapter, FirstAdapterByIndexWithoutLoopback)
{
    const auto address = platform::FirstAdapterAddress(GetParam().interfaces);
    EXPECT_EQ(address ? platform::MacText(*address) : "", GetParam().mac);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FingerprintAdapter,
    testing::Values(
        AdapterCase{"lowest_index_not_listing_order",
                    {{"lo", 1, true, "00:00:00:00:00:00"}, {"eth0", 3, false, "52:54:00:12:34:56"}, {"enp1s0", 2, false, "00:0a:b3:04:5c:ff"}},
                    "000AB3045CFF"},
        AdapterCase{"loopback_under_another_name",
                    {{"loop9", 1, true, "02:00:00:00:00:01"}, {"eth0", 2, false, "02:00:00:00:00:02"}},
                    "020000000002"},
        AdapterCase{"named_lo", {{"lo", 1, false, "02:00:00:00:00:01"}, {"eth0", 5, false, "02:00:00:00:00:05"}}, "020000000005"},
        AdapterCase{"zero_address_skipped", {{"dummy0", 2, false, "00:00:00:00:00:00"}, {"eth0", 3, false, "aa:bb:cc:dd:ee:ff"}},
                    "AABBCCDDEEFF"},
        AdapterCase{"unknown_index_skipped", {{"eth0", 0, false, "02:00:00:00:00:01"}, {"eth1", 7, false, "02:00:00:00:00:07"}},
                    "020000000007"},
        AdapterCase{"no_ethernet_address",
                    {{"tun0", 2, false, ""}, {"sit0", 3, false, "00:00:00:00"}, {"ib0", 4, false, "80:00:02:08:fe:80:00:00:00:00"},
                     {"wlan0", 5, false, "de:ad:be:ef:00:01"}},
                    "DEADBEEF0001"},
        AdapterCase{"only_loopback", {{"lo", 1, true, "00:00:00:00:00:00"}}, ""},
        AdapterCase{"none", {}, ""}),
    [](const testing::TestParamInfo<AdapterCase>& info) { return info.param.name; });

TEST(FingerprintAdapterSystem, ListsTheLoopbackInterfaceAsLoopback)
{
    const auto adapters = platform::SystemAdapters();
    const auto lo = std::ranges::find(adapters, std::string("lo"), &platform::TAdapter::name);
    ASSERT_NE(lo, adapters.end());
    EXPECT_TRUE(lo->loopback);
    EXPECT_GT(lo->index, 0);
}

// --- Disk serial ------------------------------------------------------------

// Identify data whose serial field reads field (20 bytes) once each word's bytes are swapped.
TIdentifyData IdentifyWithSerial(const std::string& field)
{
    TIdentifyData data{};
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>('x');
    for (std::size_t i = 0; i < 20; i += 2) {
        data[20 + i] = static_cast<std::uint8_t>(field.at(i + 1));
        data[20 + i + 1] = static_cast<std::uint8_t>(field.at(i));
    }
    return data;
}

struct SerialCase {
    const char* name;
    std::string field;
    std::string serial;
    std::string serialNumber;
};

class FingerprintDiskSerial : public testing::TestWithParam<SerialCase> {};

TEST_P(FingerprintDiskSerial, ShapesTheSerialField)
{
    const auto& c = GetParam();
    ASSERT_EQ(c.field.size(), 20u);
    const auto data = IdentifyWithSerial(c.field);
    EXPECT_EQ(SerialFromIdentifyData(data), c.serial);
    const THDS disk({"/dev/sda"}, [&](const fs::path&) { return std::optional(data); });
    EXPECT_EQ(disk.SerialNumber, c.serialNumber);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FingerprintDiskSerial,
    testing::Values(
        SerialCase{"longer_keeps_the_last_12", "WD-WCAV12345678     ", "WD-WCAV12345678", "WCAV12345678"},
        SerialCase{"shorter_is_filled_with_zeros", "5QF1ABCD            ", "5QF1ABCD", "00005QF1ABCD"},
        SerialCase{"exactly_12_stays_whole", std::string("S2ABCDEF1234") + std::string(8, '\0'), "S2ABCDEF1234", "S2ABCDEF1234"},
        SerialCase{"blanks_before", "     WD-WCAV12345678", "WD-WCAV12345678", "WCAV12345678"},
        SerialCase{"control_bytes_around", std::string("\t\0 AB CD\r\n", 10) + std::string(10, '\0'), "AB CD", "0000000AB CD"},
        SerialCase{"high_bytes_are_not_blanks", "\xC4" "ABC" + std::string(16, ' '), "\xC4" "ABC", "00000000\xC4" "ABC"},
        SerialCase{"all_blanks", std::string(20, ' '), "", ""},
        SerialCase{"all_zeros", std::string(20, '\0'), "", ""},
        // A character of the code page is never cut in two: "é" counts as one.
        SerialCase{"cut_keeps_whole_characters", "A\xC3\xA9" "BCDEFGHIJKL      ", "A\xC3\xA9" "BCDEFGHIJKL",
                   "\xC3\xA9" "BCDEFGHIJKL"},
        // Bytes that form no character of the code page count one each.
        SerialCase{"stray_continuation_bytes", "ABCDEFGHIJKLMNOP\x80\x81\x82\x83", "ABCDEFGHIJKLMNOP\x80\x81\x82\x83",
                   "IJKLMNOP\x80\x81\x82\x83"},
        SerialCase{"cut_short_character", "ABCDEFGHIJK\xE4\xB8" "LMNOPQR", "ABCDEFGHIJK\xE4\xB8" "LMNOPQR",
                   "IJK\xE4\xB8" "LMNOPQR"},
        SerialCase{"lead_byte_without_continuation", "ABCDEFGHIJKLMNOPQRS\xC3", "ABCDEFGHIJKLMNOPQRS\xC3",
                   "IJKLMNOPQRS\xC3"}),
    [](const testing::TestParamInfo<SerialCase>& info) { return info.param.name; });

TEST(FingerprintDiskDevices, AsksEachDeviceUntilOneAnswers)
{
    const auto answer = IdentifyWithSerial("5QF1ABCD            ");
    struct Case {
        const char* name;
        std::vector<std::string> answering;
        std::vector<std::string> asked;
        std::string serialNumber;
    };
    const std::vector<Case> cases = {
        {"first_answers", {"/dev/sda", "/dev/sg0"}, {"/dev/sda"}, "00005QF1ABCD"},
        {"first_silent", {"/dev/sg0"}, {"/dev/sda", "/dev/sg0"}, "00005QF1ABCD"},
        {"none_answers", {}, {"/dev/sda", "/dev/sg0"}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> asked;
        const THDS disk({"/dev/sda", "/dev/sg0"}, [&](const fs::path& device) -> std::optional<TIdentifyData> {
            asked.push_back(device.string());
            if (std::find(c.answering.begin(), c.answering.end(), device.string()) == c.answering.end())
                return std::nullopt;
            return answer;
        });
        EXPECT_EQ(asked, c.asked) << c.name;
        EXPECT_EQ(disk.SerialNumber, c.serialNumber) << c.name;
    }
}

// --- ROM text ---------------------------------------------------------------

struct RomTextCase {
    const char* name;
    std::string atEC7C; // written from EC7Ch on; the rest of the image is 'Z'
    std::string text;
};

class FingerprintRomText : public testing::TestWithParam<RomTextCase> {};

TEST_P(FingerprintRomText, TakesTheBytesFromEC7ChUpToTheFirstZero)
{
    const auto& c = GetParam();
    const TRomCtrl rom([&](TBiosRomImage& image) {
        image.fill('Z');
        std::copy(c.atEC7C.begin(), c.atEC7C.end(), image.begin() + 0xEC7C);
        return true;
    });
    EXPECT_EQ(rom.GetRomText(), c.text);
}

const std::string kHighAndControl = "\x01\t\x7F\x80\xFF \xC4\xE3 x";

INSTANTIATE_TEST_SUITE_P(
    Cases, FingerprintRomText,
    testing::Values(RomTextCase{"zero_at_EC7Ch", std::string(1, '\0'), ""},
                    RomTextCase{"short_text", std::string("Award BIOS\0rest", 15), "Award BIOS"},
                    RomTextCase{"bytes_kept_as_they_are", kHighAndControl + '\0', kHighAndControl},
                    RomTextCase{"more_than_99", std::string(120, 'a') + '\0', std::string(99, 'a')}),
    [](const testing::TestParamInfo<RomTextCase>& info) { return info.param.name; });

TEST(FingerprintRomTextEnd, TextWithoutAZeroRunsToTheEndOfTheImage)
{
    TBiosRomImage image{};
    for (std::size_t i = 0xEC7C; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>('A' + i % 26);
    const std::string run = RomTextOf(image);
    EXPECT_EQ(run, std::string(image.begin() + 0xEC7C, image.end()));
    const TRomCtrl rom([&](TBiosRomImage& read) {
        read = image;
        return true;
    });
    EXPECT_EQ(rom.GetRomText(), run.substr(0, 99));
}

TEST(FingerprintRomTextFailure, FailedOrThrowingReadGivesNothing)
{
    const TRomCtrl failed([](TBiosRomImage& image) {
        image.fill('A');
        return false;
    });
    EXPECT_EQ(failed.GetRomText(), "");
    const TRomCtrl threw([](TBiosRomImage& image) -> bool {
        image.fill('A');
        throw std::runtime_error("read fault");
    });
    EXPECT_EQ(threw.GetRomText(), "");
}

// --- Machine code -----------------------------------------------------------

TEST(FingerprintMachineCode, ConfigJoinsMacSerialAndRomText)
{
    const fs::path folder = FreshFolder("machine");
    fs::create_directories(folder / "Data");
    const TConfig config(folder, PROGRAM_FILE);
    const auto address = platform::FirstAdapterAddress();
    const std::string mac = address ? platform::MacText(*address) : "";
    EXPECT_EQ(GetMacAddress(), mac);
    EXPECT_EQ(config.MachineCode, mac + THDS().SerialNumber + TRomCtrl().GetRomText());
    fs::remove_all(folder);
}

} // namespace
