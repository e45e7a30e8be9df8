#pragma once
// File version information stored with an executable, shaped after the
// Windows version resource: a block whose root value is a fixed file info
// record. On Linux the block is the ELF section ".fileversion", which the
// build fills from the project version (see app/FileVersionResource.cpp).
#include <cstdint>
#include <filesystem>
#include <vector>

namespace platform {

struct FixedFileInfo {
    static constexpr std::uint32_t kSignature = 0xFEEF04BD;
    std::uint32_t dwSignature;
    std::uint32_t dwStrucVersion;
    std::uint32_t dwFileVersionMS;
    std::uint32_t dwFileVersionLS;
    std::uint32_t dwProductVersionMS;
    std::uint32_t dwProductVersionLS;
    std::uint32_t dwFileFlagsMask;
    std::uint32_t dwFileFlags;
    std::uint32_t dwFileOS;
    std::uint32_t dwFileType;
    std::uint32_t dwFileSubtype;
    std::uint32_t dwFileDateMS;
    std::uint32_t dwFileDateLS;
};

inline constexpr const char* kFileVersionSection = ".fileversion";

// Size of the file's version information block; 0 when it has none.
std::uint64_t GetFileVersionInfoSize(const std::filesystem::path& file);
// Reads the block into block (which must hold GetFileVersionInfoSize bytes).
bool GetFileVersionInfo(const std::filesystem::path& file, std::vector<std::uint8_t>& block);
// The root value "\" of a block: its fixed file info, or false.
bool VerQueryRootValue(const std::vector<std::uint8_t>& block, FixedFileInfo& info);

} // namespace platform
