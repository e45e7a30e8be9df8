#pragma once
// The sound card's mixer lines, as the operating system offers them. Every
// call reaches the mixer anew; nothing is kept between calls.
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class TMixerLine { Master, Microphone, Wave, Synthesizer };

// A line's playback volume in the mixer's own units.
struct TMixerLevel {
    long min = 0;
    long max = 0;
    long value = 0;
};

class TMixer {
public:
    virtual ~TMixer() = default;
    // Nothing when the line is missing or has no playback volume with a range.
    virtual std::optional<TMixerLevel> Volume(TMixerLine line) = 0;
    // Sets every channel of the line.
    virtual void SetVolume(TMixerLine line, long value) = 0;
    // Whether the line sounds; nothing when it has no playback switch.
    virtual std::optional<bool> Sounding(TMixerLine line) = 0;
    virtual void SetSounding(TMixerLine line, bool on) = 0;
};

// The mixer of the named device ("default": the system's own).
std::unique_ptr<TMixer> OpenMixer(const std::string& device);

} // namespace platform
