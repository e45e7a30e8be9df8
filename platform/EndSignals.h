#pragma once
// The signals with which the system asks the program to end (SIGTERM at a
// logout or shutdown, SIGHUP, SIGINT), turned into a Qt signal, so that the
// program ends as when the user closes it: the engine writes what pages
// stored before the process goes. Only one may exist at a time.
#include <QObject>

class QSocketNotifier;

namespace platform {

class TEndSignals : public QObject {
    Q_OBJECT
public:
    explicit TEndSignals(QObject* parent = nullptr);
    ~TEndSignals() override;

signals:
    void EndRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
