#include "PageDownload.h"

#include "GameDownloadCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineUrlRequestInterceptor>

namespace {

// A link with a download attribute that the page's document clicks, from
// the program's own script world, which the page's scripts cannot see.
const char kClickDownloadLink[] = R"JS(
(function (url) {
  var link = document.createElement("a");
  link.href = url;
  link.download = "";
  link.click();
  return true;
})(%1[0])
)JS";

QString PartOf(const QString& target) { return target + QStringLiteral(".part"); }

// Transfers under way, by the page that asked for them.
QHash<const QWebEnginePage*, int>& BusyPages()
{
    static QHash<const QWebEnginePage*, int> pages;
    return pages;
}

} // namespace

// Sees every request of the page's top frame while the transfer is being
// asked for: the download's own request and each redirect after it.
class TPageDownload::Redirects : public QWebEngineUrlRequestInterceptor {
public:
    explicit Redirects(TPageDownload* download) : QWebEngineUrlRequestInterceptor(download), download_(download) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame && !download_->Follow(info.requestUrl()))
            info.block(true);
    }

private:
    TPageDownload* download_;
};

TPageDownload::TPageDownload(QWebEnginePage* page, QObject* parent)
    : QObject(parent), page_(page), redirects_(new Redirects(this))
{
}

TPageDownload::~TPageDownload()
{
    if (result_ == Running)
        Cancel();
}

void TPageDownload::Start(const QUrl& source, const QString& target)
{
    target_ = target;
    if (!page_) {
        End(Failed, QStringLiteral("The page is gone"));
        return;
    }
    if (!source.isValid() || (source.scheme() != QLatin1String("http") && source.scheme() != QLatin1String("https"))) {
        End(Failed, QStringLiteral("Not an http address: %1").arg(source.toString()));
        return;
    }
    // The engine would make the folder; the program never does.
    if (!QFileInfo(target).absoluteDir().exists()) {
        End(Failed, QStringLiteral("No folder for %1").arg(target));
        return;
    }
    for (const QString& file : {target, PartOf(target), PartOf(target) + QStringLiteral(".download")}) {
        if (QFileInfo::exists(file)) {
            End(Failed, QStringLiteral("%1 exists already").arg(file));
            return;
        }
    }
    hop_ = source;
    requesting_ = true;
    busyPage_ = page_;
    ++BusyPages()[busyPage_];
    page_->setUrlRequestInterceptor(redirects_);
    connect(page_->profile(), &QWebEngineProfile::downloadRequested, this, &TPageDownload::Requested);
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (requesting_)
            End(Failed, QStringLiteral("The page's process ended"));
    });
    connect(page_, &QObject::destroyed, this, [this] {
        if (requesting_)
            End(Failed, QStringLiteral("The page is gone"));
    });
    const QString address = QString::fromUtf8(QJsonDocument(QJsonArray{source.toString(QUrl::FullyEncoded)}).toJson(QJsonDocument::Compact));
    page_->runJavaScript(QString::fromLatin1(kClickDownloadLink).arg(address), QWebEngineScript::ApplicationWorld,
                         [self = QPointer<TPageDownload>(this)](const QVariant& clicked) {
                             if (self && self->requesting_ && !clicked.toBool())
                                 self->End(Failed, QStringLiteral("The page did not ask for the file"));
                         });
}

void TPageDownload::Cancel() { End(Cancelled); }

bool TPageDownload::Busy(const QWebEnginePage* page) { return BusyPages().value(page) > 0; }

bool TPageDownload::Follow(const QUrl& url)
{
    if (!requesting_)
        return true;
    if (url == hop_ || GameFileRedirectAllowed(hop_, url)) {
        hop_ = url;
        return true;
    }
    // Not inside the engine's call.
    QTimer::singleShot(0, this, [this, url] {
        End(Failed, QStringLiteral("A redirect to %1 is not followed").arg(url.toString()));
    });
    return false;
}

void TPageDownload::Requested(QWebEngineDownloadRequest* request)
{
    if (!requesting_ || request->page() != page_)
        return;
    requesting_ = false;
    if (page_)
        page_->setUrlRequestInterceptor(nullptr);
    request_ = request;
    const QFileInfo part(PartOf(target_));
    request->setDownloadDirectory(part.absolutePath());
    request->setDownloadFileName(part.fileName());
    auto progress = [this] { emit Progress(request_->receivedBytes(), request_->totalBytes() > 0 ? request_->totalBytes() : -1); };
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, progress);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, progress);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, [this](QWebEngineDownloadRequest::DownloadState state) {
        if (state == QWebEngineDownloadRequest::DownloadCompleted)
            Transferred();
        else if (state == QWebEngineDownloadRequest::DownloadInterrupted)
            End(Failed, request_->interruptReasonString());
        else if (state == QWebEngineDownloadRequest::DownloadCancelled)
            End(Failed, QStringLiteral("The engine cancelled the transfer"));
    });
    request->accept();
}

void TPageDownload::Transferred()
{
    if (result_ != Running)
        return;
    if (!QFile::rename(PartOf(target_), target_)) {
        End(Failed, QStringLiteral("Unable to store %1").arg(target_));
        return;
    }
    End(Succeeded);
}

void TPageDownload::End(Result result, const QString& error)
{
    if (result_ != Running)
        return;
    result_ = result;
    error_ = error;
    if (busyPage_ && --BusyPages()[busyPage_] <= 0)
        BusyPages().remove(busyPage_);
    busyPage_ = nullptr;
    if (requesting_ && page_)
        page_->setUrlRequestInterceptor(nullptr);
    requesting_ = false;
    if (page_)
        disconnect(page_->profile(), nullptr, this, nullptr);
    if (request_) {
        request_->disconnect(this);
        if (result != Succeeded)
            request_->cancel();
    }
    if (result != Succeeded) {
        // The engine removes its own file too, but only later.
        QFile::remove(PartOf(target_) + QStringLiteral(".download"));
        QFile::remove(PartOf(target_));
    }
    emit Finished(result_);
}
