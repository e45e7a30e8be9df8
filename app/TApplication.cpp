#include "TApplication.h"

#include "platform/ErrorReport.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    platform::Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
