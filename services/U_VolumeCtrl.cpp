#include "U_VolumeCtrl.h"

#include <alsa/asoundlib.h>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const char* ElementOf(int selector)
{
    switch (selector) {
    case 0: return "Master";
    case 1: return "Capture";
    case 2: return "PCM";
    case 3: return "Synth";
    default: return nullptr;
    }
}

// Opens the mixer, finds the line's element, runs work on it, closes.
void WithElement(int selector, const TMixerTarget& target, const std::function<void(snd_mixer_elem_t*)>& work)
{
    const char* name = ElementOf(selector);
    if (!name)
        return;
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0)
        return;
    if (snd_mixer_attach(mixer, target.device.c_str()) >= 0 && snd_mixer_selem_register(mixer, nullptr, nullptr) >= 0
        && snd_mixer_load(mixer) >= 0) {
        snd_mixer_selem_id_t* id = nullptr;
        if (snd_mixer_selem_id_malloc(&id) == 0) {
            snd_mixer_selem_id_set_index(id, 0);
            snd_mixer_selem_id_set_name(id, name);
            if (snd_mixer_elem_t* element = snd_mixer_find_selem(mixer, id))
                work(element);
            snd_mixer_selem_id_free(id);
        }
    }
    snd_mixer_close(mixer);
}

bool Range(snd_mixer_elem_t* element, long& min, long& max)
{
    return snd_mixer_selem_has_playback_volume(element)
           && snd_mixer_selem_get_playback_volume_range(element, &min, &max) == 0 && max > min;
}

} // namespace

std::uint16_t GetMasterVolume(int selector, const TMixerTarget& target)
{
    std::uint16_t result = 0;
    WithElement(selector, target, [&](snd_mixer_elem_t* element) {
        long min = 0, max = 0, value = 0;
        if (!Range(element, min, max)
            || snd_mixer_selem_get_playback_volume(element, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
            return;
        // A sound server may hold a line above its normal volume, past max.
        value = std::clamp(value, min, max);
        result = static_cast<std::uint16_t>(std::lround(double(value - min) * 65535.0 / double(max - min)));
    });
    return result;
}

void SetMasterVolume(int selector, std::uint16_t value, const TMixerTarget& target)
{
    WithElement(selector, target, [&](snd_mixer_elem_t* element) {
        long min = 0, max = 0;
        if (!Range(element, min, max))
            return;
        snd_mixer_selem_set_playback_volume_all(element, min + std::lround(double(value) * double(max - min) / 65535.0));
    });
}

bool GetMasterMute(int selector, const TMixerTarget& target)
{
    bool muted = false;
    WithElement(selector, target, [&](snd_mixer_elem_t* element) {
        int on = 1;
        if (snd_mixer_selem_has_playback_switch(element)
            && snd_mixer_selem_get_playback_switch(element, SND_MIXER_SCHN_FRONT_LEFT, &on) == 0)
            muted = on == 0;
    });
    return muted;
}

void SetMasterMute(int selector, bool muted, const TMixerTarget& target)
{
    WithElement(selector, target, [&](snd_mixer_elem_t* element) {
        if (snd_mixer_selem_has_playback_switch(element))
            snd_mixer_selem_set_playback_switch_all(element, muted ? 0 : 1);
    });
}
