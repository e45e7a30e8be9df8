#pragma once
// The once-per-run update check: asks the check address whether another
// version is out, without holding up the user interface.
#include "platform/HttpGet.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <optional>
#include <string>

class QNetworkReply;

// The check address with the version and the machine code as its query;
// bytes a query cannot carry as they stand are percent-encoded.
QByteArray UpdateCheckAddress(const std::string& checkUrl, const std::string& softVersion,
                              const std::string& machineCode);
// The text after the first "CurrentVersion=" up to the next ";"; nothing
// without both.
std::optional<QByteArray> VersionEntry(const QByteArray& reply);

struct TUpdateQuery {
    std::string CheckURL;
    std::string SoftVersion;
    std::string MachineCode;
};

class TUpdateCheck : public QObject {
    Q_OBJECT
public:
    explicit TUpdateCheck(const platform::THttpLimits& limits = {}, QObject* parent = nullptr);

    // Limits of the exchange with the server, for checks started later.
    void SetLimits(const platform::THttpLimits& limits) { limits_ = limits; }
    // Asks the server; Finished follows. An empty check address asks nothing.
    // A check still under way is dropped.
    void Start(const TUpdateQuery& query);

signals:
    void Started();
    // updateOut: the server named a version other than the running one.
    void Finished(bool updateOut);

private:
    void Read();
    void End();
    void Drop();

    platform::THttpLimits limits_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QTimer deadline_;
    QByteArray body_;
    QByteArray softVersion_;
};
