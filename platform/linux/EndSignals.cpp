#include "platform/EndSignals.h"

#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::array kEndSignals{SIGTERM, SIGHUP, SIGINT};
// The pipe from the handler to the event loop: [0] is read, [1] written.
int pipeEnds[2] = {-1, -1};

void Handle(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds an end request.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

TEndSignals::TEndSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[64];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        emit EndRequested();
    });
    struct sigaction action = {};
    action.sa_handler = Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndSignals)
        ::sigaction(signal, &action, nullptr);
}

TEndSignals::~TEndSignals()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (const int signal : kEndSignals)
        ::sigaction(signal, &action, nullptr);
    delete notifier_;
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

} // namespace platform
