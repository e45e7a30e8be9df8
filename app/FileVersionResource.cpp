// The executable's version information, filled by the build from the
// project version (ORVANZEV_VERSION_* are compile definitions).
#include "platform/FileVersionInfo.h"

namespace {

constexpr std::uint32_t Pack(std::uint32_t high, std::uint32_t low) { return (high << 16) | (low & 0xFFFF); }

[[gnu::used, gnu::section(".fileversion")]] const platform::FixedFileInfo kFileVersion = {
    platform::FixedFileInfo::kSignature,
    0x00010000,
    Pack(ORVANZEV_VERSION_MAJOR, ORVANZEV_VERSION_MINOR),
    Pack(ORVANZEV_VERSION_PATCH, ORVANZEV_VERSION_TWEAK),
    Pack(ORVANZEV_PRODUCT_MAJOR, ORVANZEV_PRODUCT_MINOR),
    Pack(ORVANZEV_PRODUCT_PATCH, ORVANZEV_PRODUCT_TWEAK),
    0x3F, 0, 0x40004 /* NT, Windows32 */, 1 /* application */, 0, 0, 0,
};

} // namespace
