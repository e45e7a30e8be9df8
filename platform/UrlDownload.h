#pragma once
// Fetches an address into a file. The data goes to a temporary file beside
// the target, which is renamed to the target only when the transfer is
// complete; a failed or cancelled transfer leaves nothing behind.
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkReply;

class TUrlDownload : public QObject {
    Q_OBJECT
public:
    enum Result { Running, Succeeded, Failed, Cancelled };

    explicit TUrlDownload(QObject* parent = nullptr);
    ~TUrlDownload() override;

    // Starts the transfer; the target must not exist yet.
    void Start(const QUrl& source, const QString& target);
    void Cancel();
    Result result() const { return result_; }
    QString ErrorText() const { return error_; }

signals:
    // total is -1 while the size is unknown.
    void Progress(qint64 received, qint64 total);
    void Finished(TUrlDownload::Result result);

private:
    void ReadAvailable();
    void Done();
    void Fail(const QString& error);

    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QFile part_;
    QString target_;
    qint64 received_ = 0;
    Result result_ = Running;
    QString error_;
};
