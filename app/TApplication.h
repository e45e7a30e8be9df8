#pragma once
#include <QApplication>

// The application object: an error thrown by any event handler goes to the
// application's exception handler instead of ending the program.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
