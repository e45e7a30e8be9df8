#pragma once
// The status bar's master volume and mute switch over the mixer.
#include "U_VolumeCtrl.h"

#include <QObject>

class TVolumeControl : public QObject {
    Q_OBJECT
public:
    explicit TVolumeControl(const TMixerTarget& mixer, QObject* parent = nullptr);

    // The mixer as it is now: 0-65535, and whether the master line is muted.
    int Volume() const;
    bool Muted() const;

    void SetVolume(int position);
    // Flips the mute switch from the state read before the write.
    void ToggleMute();

signals:
    // The switch was just written: muted tells to which state.
    void MuteChanged(bool muted);

private:
    TMixerTarget mixer_;
};
