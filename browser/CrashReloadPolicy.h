#pragma once
#include <QList>
#include <QtGlobal>

// Whether a view loads its page again by itself after its page process
// died. A page that crashes on every load must not load forever: more than
// kCrashLimit crashes within kWindowMs and the view waits for the user.
class CrashReloadPolicy {
public:
    static constexpr int kCrashLimit = 3;
    static constexpr qint64 kWindowMs = 60000;

    // A crash at this time (milliseconds on a steady clock); true to reload.
    bool ShouldReload(qint64 now);

private:
    QList<qint64> crashes_;
};
