#include "ApplicationExceptions.h"

#include "platform/ErrorReport.h"

TApplicationExceptions::TApplicationExceptions()
{
    platform::SetExceptionReceiver([this](const QString& message) { emit OnException(message); });
}

TApplicationExceptions::~TApplicationExceptions() { platform::SetExceptionReceiver({}); }

TApplicationExceptions* ApplicationExceptions()
{
    static TApplicationExceptions exceptions;
    return &exceptions;
}
