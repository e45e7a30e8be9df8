#include "U_Config.h"

#include "platform/FileVersionInfo.h"
#include "platform/NetworkAdapter.h"
#include "platform/PrivateProfile.h"
#include "platform/ProgramFolder.h"
#include "services/BuiltInSite.h"
#include "services/U_HDS.h"
#include "services/U_RomCtrl.h"

#include <array>
#include <string_view>
#include <system_error>


namespace {

constexpr std::string_view kSection = "System";

struct KeyDefaults {
    std::string_view key;
    std::string_view firstRun;
    std::string_view absent;
};

// In the order the first run writes them.
constexpr std::array<KeyDefaults, 6> kKeys = {{
    {"SoftName", "zev子", "zev子"},
    {"UpdatePath", "", ""},
    {"HomePage", "about:blank", "about:blank"},
    {"ReportURL", "about:blank", "about:blank"},
    {"CheckURL", "", "about:blank"},
    {"SoftwareWebSit", "about:blank", "about:blank"},
}};

std::string Read(const platform::PrivateProfile& profile, std::string_view key)
{
    for (const auto& entry : kKeys)
        if (entry.key == key)
            return profile.GetString(kSection, key, entry.absent);
    return {};
}

bool IsExistingFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error);
}

} // namespace

TConfig::TConfig() : TConfig(platform::ProgramFolder(), platform::ExecutablePath()) {}

TConfig::TConfig(const std::filesystem::path& programFolder, const std::filesystem::path& executable,
                 const MachineCodeSource& machineCode)
{
    const auto file = programFolder / "Data" / "Config.dat";
    if (!IsExistingFile(file)) {
        for (const auto& entry : kKeys)
            if (!platform::WritePrivateProfileString(file, kSection, entry.key, entry.firstRun))
                throw EConfigError("Unable to write to " + file.string());
    }
    const auto profile = platform::PrivateProfile::Load(file);
    SoftName = Read(profile, "SoftName");
    SoftVersion = GetFileVersionText(executable);
    UpdatePath = Read(profile, "UpdatePath");
    HomePage = Read(profile, "HomePage");
    ReportURL = Read(profile, "ReportURL");
    CheckURL = Read(profile, "CheckURL");
    SoftwareWebSit = Read(profile, "SoftwareWebSit");
    AnyMovieDownload = profile.GetInt("Options", "AnyMovieDownload", 1) != 0;
    KeepHiddenTabsRunning = profile.GetInt("Options", "KeepHiddenTabsRunning", 0) != 0;
    const long sitePort = profile.GetInt("Options", "BuiltInSitePort", services::TBuiltInSite::DefaultPort);
    BuiltInSitePort = sitePort >= 1 && sitePort <= 65535 ? int(sitePort) : services::TBuiltInSite::DefaultPort;

    MachineCode = machineCode();
}

std::string TConfig::ReadMachineCode()
{
    return GetMacAddress() + THDS().SerialNumber + TRomCtrl().GetRomText();
}

std::string GetMacAddress()
{
    const auto address = platform::FirstAdapterAddress();
    return address ? platform::MacText(*address) : std::string();
}

std::string GetFileVersionText(const std::filesystem::path& file)
{
    const std::uint64_t size = platform::GetFileVersionInfoSize(file);
    if (size == 0)
        return {};
    // The size comes from the file's own header: a block larger than the
    // file cannot be read, and no memory is set aside for it.
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, error);
    if (error || size > fileSize)
        return "-1";
    try {
        std::vector<std::uint8_t> block(size);
        platform::GetFileVersionInfo(file, block);
        platform::FixedFileInfo info{};
        if (!platform::VerQueryRootValue(block, info))
            return {};
        return std::to_string(info.dwFileVersionMS >> 16) + "." + std::to_string(info.dwFileVersionMS & 0xFFFF)
            + "." + std::to_string(info.dwFileVersionLS >> 16) + "." + std::to_string(info.dwFileVersionLS & 0xFFFF);
    } catch (const std::exception&) {
        return "-1";
    }
}
