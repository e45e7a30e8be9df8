#include "CrashReloadPolicy.h"

bool CrashReloadPolicy::ShouldReload(qint64 now)
{
    crashes_.removeIf([now](qint64 crash) { return now - crash >= kWindowMs; });
    crashes_.append(now);
    return crashes_.size() <= kCrashLimit;
}
