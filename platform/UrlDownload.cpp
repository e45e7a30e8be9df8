#include "UrlDownload.h"

#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

constexpr qint64 kReadBufferSize = 1024 * 1024;

} // namespace

TUrlDownload::TUrlDownload(QObject* parent) : QObject(parent) {}

TUrlDownload::~TUrlDownload()
{
    if (result_ == Running)
        Cancel();
}

void TUrlDownload::Start(const QUrl& source, const QString& target)
{
    target_ = target;
    if (!source.isValid() || (source.scheme() != QLatin1String("http") && source.scheme() != QLatin1String("https"))) {
        Fail(QStringLiteral("Not an http address: %1").arg(source.toString()));
        return;
    }
    if (QFileInfo::exists(target)) {
        Fail(QStringLiteral("%1 exists already").arg(target));
        return;
    }
    // Not a QSaveFile: the download never replaces a file that appeared in the
    // meantime, and its partial file has the name the start-up clean-up knows.
    part_.setFileName(target + QStringLiteral(".part"));
    if (!part_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        Fail(QStringLiteral("Unable to write %1").arg(part_.fileName()));
        return;
    }
    QNetworkRequest request(source);
    // The game file comes from the page's own host only.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    reply_ = network_.get(request);
    // The transfer waits for the file rather than piling up in memory, so
    // that no single read has more than this to write.
    reply_->setReadBufferSize(kReadBufferSize);
    connect(reply_, &QNetworkReply::readyRead, this, &TUrlDownload::ReadAvailable);
    connect(reply_, &QNetworkReply::downloadProgress, this, &TUrlDownload::Progress);
    connect(reply_, &QNetworkReply::finished, this, &TUrlDownload::Done);
}

void TUrlDownload::Cancel()
{
    if (result_ != Running)
        return;
    result_ = Cancelled;
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    part_.remove();
    emit Finished(result_);
}

void TUrlDownload::ReadAvailable()
{
    // Large pieces straight from the reply into the file.
    char buffer[256 * 1024];
    for (;;) {
        const qint64 size = reply_->read(buffer, sizeof buffer);
        if (size <= 0)
            return;
        if (part_.write(buffer, size) != size) {
            Fail(QStringLiteral("Unable to write %1").arg(part_.fileName()));
            return;
        }
        received_ += size;
    }
}

void TUrlDownload::Done()
{
    if (result_ != Running)
        return;
    ReadAvailable();
    if (result_ != Running)
        return;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (reply_->error() != QNetworkReply::NoError) {
        Fail(reply_->errorString());
        return;
    }
    if (status < 200 || status > 299) {
        Fail(QStringLiteral("HTTP status %1").arg(status));
        return;
    }
    if (length.isValid() && length.toLongLong() != received_) {
        Fail(QStringLiteral("The transfer ended after %1 of %2 bytes").arg(received_).arg(length.toLongLong()));
        return;
    }
    if (!part_.flush() || (part_.close(), part_.error() != QFileDevice::NoError) || !part_.rename(target_)) {
        Fail(QStringLiteral("Unable to store %1").arg(target_));
        return;
    }
    reply_->deleteLater();
    result_ = Succeeded;
    emit Finished(result_);
}

void TUrlDownload::Fail(const QString& error)
{
    if (result_ != Running)
        return;
    result_ = Failed;
    error_ = error;
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    part_.close();
    part_.remove();
    emit Finished(result_);
}
