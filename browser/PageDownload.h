#pragma once
// Fetches a game file into a file as the game's page itself would fetch it:
// the page starts the transfer, so it goes out with the profile's cookies,
// the engine's user agent and the page as referrer, trusting the
// certificates the page trusts. Redirects are followed only as
// GameFileRedirectAllowed says. The engine writes the data to
// "<target>.part.download", renames it to "<target>.part" when the transfer
// is complete, and only then is that renamed to the target; a failed or
// cancelled transfer leaves nothing behind. (The engine writes the file
// itself, so this rename stands in for the program's atomic-write helper.)
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineUrlRequestInfo;
class QWebEngineUrlRequestInterceptor;

class TPageDownload : public QObject {
    Q_OBJECT
public:
    enum Result { Running, Succeeded, Failed, Cancelled };

    explicit TPageDownload(QWebEnginePage* page, QObject* parent = nullptr);
    ~TPageDownload() override;

    // Starts the transfer; the target's folder must exist, the target not.
    void Start(const QUrl& source, const QString& target);
    void Cancel();
    Result result() const { return result_; }
    QString ErrorText() const { return error_; }
    // Whether a transfer this page asked for is still under way.
    static bool Busy(const QWebEnginePage* page);

signals:
    // total is -1 while the size is unknown.
    void Progress(qint64 received, qint64 total);
    void Finished(TPageDownload::Result result);

private:
    class Redirects;

    void Requested(QWebEngineDownloadRequest* request);
    bool Follow(const QUrl& url);
    void Transferred();
    void End(Result result, const QString& error = {});

    QPointer<QWebEnginePage> page_;
    const QWebEnginePage* busyPage_ = nullptr;
    Redirects* redirects_;
    QPointer<QWebEngineDownloadRequest> request_;
    QUrl hop_;        // the address the next request may come from
    bool requesting_ = false;
    QString target_;
    Result result_ = Running;
    QString error_;
};
