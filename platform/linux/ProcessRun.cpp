#include "platform/ProcessRun.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cerrno>
#include <climits>

#include <signal.h>
#include <unistd.h>

namespace platform {

namespace {

// In the child, between fork and exec: only async-signal-safe calls.
void OwnGroupWithDefaultSignals()
{
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            ::signal(signal, SIG_DFL);
    ::setpgid(0, 0);
}

} // namespace

int RunProcessGroup(const std::vector<std::string>& arguments, std::optional<std::chrono::milliseconds> timeLimit)
{
    if (arguments.empty() || arguments.front().empty())
        return EINVAL;
    QString program = QString::fromStdString(arguments.front());
    // QProcess looks a name without a slash up in PATH; this one names a file.
    if (!program.contains(QLatin1Char('/')))
        program.prepend(QStringLiteral("./"));
    QStringList rest;
    for (auto argument = arguments.begin() + 1; argument != arguments.end(); ++argument)
        rest << QString::fromStdString(*argument);

    QProcess process;
    process.setProgram(program);
    process.setArguments(rest);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setChildProcessModifier(OwnGroupWithDefaultSignals);
    process.start();
    if (!process.waitForStarted(-1)) {
        const QFileInfo file(program);
        return !file.exists() ? ENOENT : file.isDir() ? EISDIR : EACCES;
    }
    const int waitFor = timeLimit && timeLimit->count() < INT_MAX ? static_cast<int>(timeLimit->count()) : -1;
    if (process.waitForFinished(waitFor))
        return 0;
    if (process.state() == QProcess::NotRunning)
        return 0;
    ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(-1);
    return ETIMEDOUT;
}

} // namespace platform
