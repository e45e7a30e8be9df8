// The status bar's speaker and volume slider.
#include "app/F_MainForm.h"
#include "app/Skin.h"

#include <QLabel>

void TMainForm::img_waveClick()
{
    // The picture follows the state read before the write.
    if (GetMasterMute(0, Mixer)) {
        SetMasterMute(0, false, Mixer);
        img_wave->setPixmap(skin::Picture(QStringLiteral("VolumeMuteOn.bmp"), true));
    } else {
        SetMasterMute(0, true, Mixer);
        img_wave->setPixmap(skin::Picture(QStringLiteral("VolumeMuteOff.bmp"), true));
    }
}

void TMainForm::suitemptb_waveChange(int position) { SetMasterVolume(0, static_cast<std::uint16_t>(position), Mixer); }
