#include "ApplicationExceptions.h"

namespace platform {

ApplicationExceptions* Exceptions()
{
    static ApplicationExceptions exceptions;
    return &exceptions;
}

void ReportException(const QString& message) { emit Exceptions()->OnException(message); }

} // namespace platform
