#pragma once
// Errors that no handler caught, from event handlers and script answers
// alike, are reported through here and the program goes on. Where they go
// is set by the application; until then they are logged.
#include <QString>
#include <exception>
#include <functional>

namespace platform {

using TExceptionReceiver = std::function<void(const QString& message)>;

// Replaces where reports go; an empty receiver logs them again.
void SetExceptionReceiver(TExceptionReceiver receiver);
void ReportException(const QString& message);

// Runs work and reports what it throws instead of letting it escape.
template <typename Work>
void Guarded(Work&& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        ReportException(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportException(QStringLiteral("Unknown error"));
    }
}

} // namespace platform
