#pragma once
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

// Raised when Data/Config.dat does not exist and cannot be created.
class EConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's settings and identity texts, read once at start-up from
// Data/Config.dat (created with defaults on the first run). All texts UTF-8.
class TConfig {
public:
    // Gives the machine code; called once, at construction.
    using MachineCodeSource = std::function<std::string()>;

    // Reads the configuration of the running program.
    TConfig();
    // The same for another program folder and executable, and a machine
    // code from another source than this machine.
    TConfig(const std::filesystem::path& programFolder, const std::filesystem::path& executable,
            const MachineCodeSource& machineCode = ReadMachineCode);

    // This machine's code: the adapter's address, the disk serial number and
    // the BIOS ROM text, joined.
    static std::string ReadMachineCode();

    std::string SoftName;
    std::string SoftVersion;
    std::string UpdatePath;
    std::string HomePage;
    std::string ReportURL;
    std::string CheckURL;
    std::string SoftwareWebSit;
    std::string MachineCode;
    // [Options] AnyMovieDownload: a page that declares no game offers the
    // movie it plays; only 0 turns that off. Never written by the program.
    bool AnyMovieDownload = true;
    // [Options] BuiltInSitePort: the loopback port of the built-in game
    // site; 1 to 65535, anything else keeps the usual one. Never written.
    int BuiltInSitePort = 0;
    // [Options] KeepHiddenTabsRunning: anything but 0 keeps the games of
    // hidden tabs running (idle games); by default they pause. Never written.
    bool KeepHiddenTabsRunning = false;
};

// The hardware address of the first network adapter as 12 hexadecimal
// digits; empty when there is none.
std::string GetMacAddress();

// The dotted file version of a file ("1.0.0.22"); empty when the file has
// no version information; "-1" when reading it fails part way.
std::string GetFileVersionText(const std::filesystem::path& file);

