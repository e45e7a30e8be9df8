#pragma once
// Errors that no handler caught, from event handlers and script answers
// alike, all reach the application's exception handler through here; the
// program goes on.
#include <QObject>
#include <QString>
#include <exception>

namespace platform {

class ApplicationExceptions : public QObject {
    Q_OBJECT
signals:
    void OnException(const QString& message);
};

ApplicationExceptions* Exceptions();
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
