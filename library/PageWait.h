#pragma once
// Waits, with the event loop running, for an asynchronous call to the page
// engine to answer, at most a given time. The call is given a `done` to run
// with its answer; a `done` run after the wait has ended does nothing.
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <memory>

// start(done) begins the call; true when done ran within milliseconds.
template <typename Start>
bool AwaitAnswer(int milliseconds, Start&& start)
{
    QEventLoop loop;
    auto finished = std::make_shared<bool>(false);
    QPointer<QEventLoop> waiting(&loop);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    start([finished, waiting] {
        *finished = true;
        if (waiting)
            waiting->quit();
    });
    if (!*finished)
        loop.exec();
    return *finished;
}
