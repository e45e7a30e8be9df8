#include "U_VolumeCtrl.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

std::optional<platform::TMixerLine> LineOf(int selector)
{
    switch (selector) {
    case 0: return platform::TMixerLine::Master;
    case 1: return platform::TMixerLine::Microphone;
    case 2: return platform::TMixerLine::Wave;
    case 3: return platform::TMixerLine::Synthesizer;
    default: return std::nullopt;
    }
}

} // namespace

std::uint16_t GetMasterVolume(platform::TMixer& mixer, int selector)
{
    const auto line = LineOf(selector);
    const auto level = line ? mixer.Volume(*line) : std::nullopt;
    if (!level || level->max <= level->min)
        return 0;
    // A sound server may hold a line above its normal volume, past max.
    const long value = std::clamp(level->value, level->min, level->max);
    return static_cast<std::uint16_t>(std::lround(double(value - level->min) * 65535.0 / double(level->max - level->min)));
}

void SetMasterVolume(platform::TMixer& mixer, int selector, std::uint16_t value)
{
    const auto line = LineOf(selector);
    const auto level = line ? mixer.Volume(*line) : std::nullopt;
    if (!level || level->max <= level->min)
        return;
    mixer.SetVolume(*line, level->min + std::lround(double(value) * double(level->max - level->min) / 65535.0));
}

bool GetMasterMute(platform::TMixer& mixer, int selector)
{
    const auto line = LineOf(selector);
    const auto sounding = line ? mixer.Sounding(*line) : std::nullopt;
    return sounding && !*sounding;
}

void SetMasterMute(platform::TMixer& mixer, int selector, bool muted)
{
    if (const auto line = LineOf(selector))
        mixer.SetSounding(*line, !muted);
}

std::uint16_t GetMasterVolume(int selector, const TMixerTarget& target)
{
    return GetMasterVolume(*platform::OpenMixer(target.device), selector);
}

void SetMasterVolume(int selector, std::uint16_t value, const TMixerTarget& target)
{
    SetMasterVolume(*platform::OpenMixer(target.device), selector, value);
}

bool GetMasterMute(int selector, const TMixerTarget& target)
{
    return GetMasterMute(*platform::OpenMixer(target.device), selector);
}

void SetMasterMute(int selector, bool muted, const TMixerTarget& target)
{
    SetMasterMute(*platform::OpenMixer(target.device), selector, muted);
}
