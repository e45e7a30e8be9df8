#pragma once
// Reads the 64 KiB BIOS ROM area, physical addresses F0000h-FFFFFh.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

using TBiosRomImage = std::array<std::uint8_t, 65536>;

enum TBiosReadMode { brAuto = 0, brDosProgram = 1, brLinearMemory = 2, brPhysicalSection = 3 };

// Milliseconds for which the DOS program may run; kInfinite waits for ever.
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Why the last call on this thread failed, where it tells: an errno value,
// or one of the codes below.
constexpr int ERROR_INVALID_PARAMETER = 87;
constexpr int ERROR_CALL_NOT_IMPLEMENTED = 120;
int RomLastError();

// Where a reader looks; tests point these elsewhere.
struct TRomSources {
    // The physical memory device, mapped at F0000h.
    std::filesystem::path MemoryDevice = "/dev/mem";
    // The temporary folder; unset: TMPDIR, else /tmp.
    std::optional<std::filesystem::path> TempFolder;
    // The command interpreter; unset: the environment variable ComSpec.
    std::optional<std::string> ComSpec;
};

bool ReadBiosRom(TBiosRomImage& image, int mode, std::uint32_t timeLimit, const TRomSources& sources = {});
bool ReadBiosRomFromMemory(TBiosRomImage& image);
bool ReadBiosRomFromSection(TBiosRomImage& image, std::uint32_t timeLimit, const TRomSources& sources = {});
bool ReadBiosRomByDosProgram(TBiosRomImage& image, std::uint32_t timeLimit, const TRomSources& sources = {});
bool WriteRomDumpProgram(const std::filesystem::path& file);
bool RunRomDumpProgram(const std::filesystem::path& program, const std::filesystem::path& output,
                       std::uint32_t timeLimit, const TRomSources& sources = {});
