#pragma once
// The boss key as the keyboard tells it: B released while Ctrl is down
// (Shift may be down too). Ctrl is followed through its own press and
// release, since a release of B after a release of Ctrl carries no Ctrl.
#include <Qt>

class TBossKey {
public:
    // One key event; true when it completes the boss key.
    bool Key(bool press, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);
    // The application lost the keyboard: a Ctrl held then is forgotten.
    void FocusLost() { ctrlDown_ = false; }

private:
    bool ctrlDown_ = false;
};
