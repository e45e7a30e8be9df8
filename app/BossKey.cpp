#include "BossKey.h"

bool TBossKey::Key(bool press, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    if (key == Qt::Key_Control)
        ctrlDown_ = press;
    return !press && key == Qt::Key_B && !autoRepeat && (ctrlDown_ || (modifiers & Qt::ControlModifier));
}
