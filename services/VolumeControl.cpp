#include "VolumeControl.h"

TVolumeControl::TVolumeControl(const TMixerTarget& mixer, QObject* parent) : QObject(parent), mixer_(mixer) {}

int TVolumeControl::Volume() const { return GetMasterVolume(0, mixer_); }

bool TVolumeControl::Muted() const { return GetMasterMute(0, mixer_); }

void TVolumeControl::SetVolume(int position) { SetMasterVolume(0, static_cast<std::uint16_t>(position), mixer_); }

void TVolumeControl::ToggleMute()
{
    const bool muted = !GetMasterMute(0, mixer_);
    SetMasterMute(0, muted, mixer_);
    emit MuteChanged(muted);
}
