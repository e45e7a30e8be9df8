#pragma once
// GET an address as text, blocking the calling thread (which needs no
// event loop of its own) until the exchange ends, fails or runs out of time.
#include <QByteArray>

namespace platform {

struct THttpReply {
    // The server answered and the whole body arrived.
    bool Completed = false;
    int Status = 0;
    QByteArray Body;
};

struct THttpLimits {
    int TimeoutMs = 30000;
    qint64 MaxBody = 1 << 20;
};

// encodedUrl is sent as it stands. A body longer than limits.MaxBody, a
// transport error or the end of the time limit gives an incomplete reply.
// QThread::quit() on the calling thread ends the wait at once.
THttpReply HttpGet(const QByteArray& encodedUrl, const THttpLimits& limits = {});

} // namespace platform
