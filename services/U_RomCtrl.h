#pragma once
// A short text from the BIOS ROM image: the bytes from offset EC7Ch up to
// the first zero byte, at most 99 of them, kept byte for byte.
#include "U_RomSAPI.h"

#include <functional>
#include <string>

// How long start-up lets the DOS program route run.
constexpr std::uint32_t kRomReadTimeLimit = 5000;

using TReadRom = std::function<bool(TBiosRomImage&)>;

std::string RomTextOf(const TBiosRomImage& image);

class TRomCtrl {
public:
    TRomCtrl();
    explicit TRomCtrl(const TReadRom& read);
    std::string GetRomText() const { return RomText; }
    std::string RomText;

private:
    static std::string ReadRomText(const TReadRom& read);
};
