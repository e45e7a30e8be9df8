#include "U_RomCtrl.h"

#include <algorithm>
#include <memory>

namespace {

constexpr std::size_t kRomTextOffset = 0xEC7C;
constexpr std::size_t kRomTextCapacity = 99;

} // namespace

std::string RomTextOf(const TBiosRomImage& image)
{
    const auto begin = image.begin() + kRomTextOffset;
    return std::string(begin, std::find(begin, image.end(), 0));
}

TRomCtrl::TRomCtrl()
    : TRomCtrl([](TBiosRomImage& image) { return ReadBiosRom(image, brAuto, kRomReadTimeLimit); })
{
}

TRomCtrl::TRomCtrl(const TReadRom& read) : RomText(ReadRomText(read).substr(0, kRomTextCapacity)) {}

std::string TRomCtrl::ReadRomText(const TReadRom& read)
{
    try {
        auto image = std::make_unique<TBiosRomImage>();
        if (!read(*image))
            return {};
        return RomTextOf(*image);
    } catch (...) {
        return {};
    }
}
