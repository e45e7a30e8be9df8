// The mixer through ALSA's simple mixer interface.
#include "platform/Mixer.h"

#include <alsa/asoundlib.h>
#include <functional>

namespace platform {

namespace {

const char* ElementOf(TMixerLine line)
{
    switch (line) {
    case TMixerLine::Master: return "Master";
    case TMixerLine::Microphone: return "Capture";
    case TMixerLine::Wave: return "PCM";
    case TMixerLine::Synthesizer: return "Synth";
    }
    return nullptr;
}

class TAlsaMixer : public TMixer {
public:
    explicit TAlsaMixer(std::string device) : device_(std::move(device)) {}

    std::optional<TMixerLevel> Volume(TMixerLine line) override
    {
        std::optional<TMixerLevel> level;
        WithElement(line, [&](snd_mixer_elem_t* element) {
            TMixerLevel read;
            if (snd_mixer_selem_has_playback_volume(element)
                && snd_mixer_selem_get_playback_volume_range(element, &read.min, &read.max) == 0 && read.max > read.min
                && snd_mixer_selem_get_playback_volume(element, SND_MIXER_SCHN_FRONT_LEFT, &read.value) == 0)
                level = read;
        });
        return level;
    }

    void SetVolume(TMixerLine line, long value) override
    {
        WithElement(line, [&](snd_mixer_elem_t* element) {
            if (snd_mixer_selem_has_playback_volume(element))
                snd_mixer_selem_set_playback_volume_all(element, value);
        });
    }

    std::optional<bool> Sounding(TMixerLine line) override
    {
        std::optional<bool> sounding;
        WithElement(line, [&](snd_mixer_elem_t* element) {
            int on = 1;
            if (snd_mixer_selem_has_playback_switch(element)
                && snd_mixer_selem_get_playback_switch(element, SND_MIXER_SCHN_FRONT_LEFT, &on) == 0)
                sounding = on != 0;
        });
        return sounding;
    }

    void SetSounding(TMixerLine line, bool on) override
    {
        WithElement(line, [&](snd_mixer_elem_t* element) {
            if (snd_mixer_selem_has_playback_switch(element))
                snd_mixer_selem_set_playback_switch_all(element, on ? 1 : 0);
        });
    }

private:
    // Opens the mixer, finds the line's element, runs work on it, closes.
    void WithElement(TMixerLine line, const std::function<void(snd_mixer_elem_t*)>& work) const
    {
        const char* name = ElementOf(line);
        snd_mixer_t* mixer = nullptr;
        if (!name || snd_mixer_open(&mixer, 0) < 0)
            return;
        if (snd_mixer_attach(mixer, device_.c_str()) >= 0 && snd_mixer_selem_register(mixer, nullptr, nullptr) >= 0
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

    std::string device_;
};

} // namespace

std::unique_ptr<TMixer> OpenMixer(const std::string& device)
{
    return std::make_unique<TAlsaMixer>(device);
}

} // namespace platform
