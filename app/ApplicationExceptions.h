#pragma once
// The application's exception bus: every error reported anywhere in the
// program arrives here as a signal, for the window to show and log.
#include <QObject>
#include <QString>

class TApplicationExceptions : public QObject {
    Q_OBJECT
public:
    TApplicationExceptions();
    ~TApplicationExceptions() override;

signals:
    void OnException(const QString& message);
};

// The one bus, made on first use.
TApplicationExceptions* ApplicationExceptions();
