#include "UpdateCheck.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// Besides letters, digits and "-._~", what a query value may hold without
// changing its meaning; "&", "=", "+", "#" and "%" would, so they are encoded.
QByteArray QueryValue(const std::string& value)
{
    return QByteArray::fromStdString(value).toPercentEncoding("!$'()*,;:@/?");
}

} // namespace

QByteArray UpdateCheckAddress(const std::string& checkUrl, const std::string& softVersion,
                              const std::string& machineCode)
{
    return QByteArray::fromStdString(checkUrl) + "?var=" + QueryValue(softVersion) + "&MAC=" + QueryValue(machineCode);
}

std::optional<QByteArray> VersionEntry(const QByteArray& reply)
{
    static constexpr QByteArrayView kMarker = "CurrentVersion=";
    const qsizetype marker = reply.indexOf(kMarker);
    if (marker < 0)
        return std::nullopt;
    const qsizetype start = marker + kMarker.size();
    const qsizetype end = reply.indexOf(';', start);
    if (end < 0)
        return std::nullopt;
    return reply.mid(start, end - start);
}

TUpdateCheck::TUpdateCheck(const platform::THttpLimits& limits, QObject* parent) : QObject(parent), limits_(limits)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        Drop();
        emit Finished(false);
    });
}

void TUpdateCheck::Start(const TUpdateQuery& query)
{
    Drop();
    emit Started();
    const QUrl url = QUrl::fromEncoded(UpdateCheckAddress(query.CheckURL, query.SoftVersion, query.MachineCode));
    if (query.CheckURL.empty() || !url.isValid()) {
        emit Finished(false);
        return;
    }
    softVersion_ = QByteArray::fromStdString(query.SoftVersion);
    body_.clear();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    reply_ = network_.get(request);
    reply_->setReadBufferSize(256 * 1024);
    connect(reply_, &QNetworkReply::readyRead, this, &TUpdateCheck::Read);
    connect(reply_, &QNetworkReply::finished, this, &TUpdateCheck::End);
    deadline_.start(limits_.TimeoutMs);
}

void TUpdateCheck::Read()
{
    body_ += reply_->read(limits_.MaxBody + 1 - body_.size());
    if (body_.size() > limits_.MaxBody) {
        Drop();
        emit Finished(false);
    }
}

void TUpdateCheck::End()
{
    QNetworkReply* reply = reply_;
    if (!reply)
        return;
    reply_ = nullptr;
    deadline_.stop();
    reply->deleteLater();
    body_ += reply->readAll();
    const bool answered = reply->error() == QNetworkReply::NoError && body_.size() <= limits_.MaxBody
                       && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    const std::optional<QByteArray> version = answered ? VersionEntry(body_) : std::nullopt;
    emit Finished(version && *version != softVersion_);
}

void TUpdateCheck::Drop()
{
    deadline_.stop();
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}
