#pragma once
// The once-per-run update check: asks the check address whether another
// version is out and has the hint balloon shown when the answer differs
// from the running version.
#include "platform/HttpGet.h"

#include <QByteArray>
#include <QPointer>
#include <QThread>
#include <functional>
#include <optional>
#include <string>

class TMainForm;

// The check address with the version and the machine code as its query;
// bytes a query cannot carry as they stand are percent-encoded.
QByteArray UpdateCheckAddress(const std::string& checkUrl, const std::string& softVersion,
                              const std::string& machineCode);
// The text after the first "CurrentVersion=" up to the next ";"; nothing
// without both.
std::optional<QByteArray> VersionEntry(const QByteArray& reply);

class TUpdateInfoThread : public QThread {
    Q_OBJECT
public:
    // Runs at once; frees itself when done. A thread that is still running
    // when its parent goes is told to stop and waited for.
    explicit TUpdateInfoThread(TMainForm* form, QObject* parent,
                               const platform::THttpLimits& limits = {});
    ~TUpdateInfoThread() override;

    std::string CheckURL;
    std::string MachineCode;
    std::string SoftVersion;

protected:
    void run() override;

private:
    void CopyConfig();
    void ShowUpdateHint();
    // Runs step on the user interface thread and waits for it; false when
    // the thread was told to stop first.
    bool Synchronize(const std::function<void()>& step);

    QPointer<TMainForm> form_;
    platform::THttpLimits limits_;
};
