#pragma once
// The sound card's master volume and mute switch, through the ALSA simple
// mixer. Every call opens the mixer and closes it again; nothing is kept.
#include <cstdint>
#include <string>

// Where the calls go: the mixer device and the element of each line.
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
