#include "ErrorReport.h"

#include <QDebug>

namespace platform {

namespace {

TExceptionReceiver& Receiver()
{
    static TExceptionReceiver receiver;
    return receiver;
}

} // namespace

void SetExceptionReceiver(TExceptionReceiver receiver) { Receiver() = std::move(receiver); }

void ReportException(const QString& message)
{
    if (Receiver())
        Receiver()(message);
    else
        qWarning().noquote() << "Error:" << message;
}

} // namespace platform
