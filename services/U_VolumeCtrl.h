#pragma once
// The sound card's master volume and mute switch. Every call opens the
// mixer and closes it again; nothing is kept.
#include "platform/Mixer.h"

#include <cstdint>
#include <string>

// Where the calls go: the mixer device.
struct TMixerTarget {
    std::string device = "default";
};

// selector 0 is the master output; 1 microphone, 2 wave output, 3 synthesizer.
// The volume is 0-65535 over the element's own range. Without a mixer the
// reads give 0 and not muted, and the writes change nothing.
std::uint16_t GetMasterVolume(int selector, const TMixerTarget& target = {});
void SetMasterVolume(int selector, std::uint16_t value, const TMixerTarget& target = {});
bool GetMasterMute(int selector, const TMixerTarget& target = {});
void SetMasterMute(int selector, bool muted, const TMixerTarget& target = {});

// The same rules on a mixer that is given.
std::uint16_t GetMasterVolume(platform::TMixer& mixer, int selector);
void SetMasterVolume(platform::TMixer& mixer, int selector, std::uint16_t value);
bool GetMasterMute(platform::TMixer& mixer, int selector);
void SetMasterMute(platform::TMixer& mixer, int selector, bool muted);
