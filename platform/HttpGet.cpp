#include "HttpGet.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace platform {

namespace {

// Errors that come with a complete HTTP answer (a 404 or a 500, say), as
// opposed to a transfer that broke off.
bool IsHttpLevelError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
        || error == QNetworkReply::ProtocolInvalidOperationError;
}

} // namespace

THttpReply HttpGet(const QByteArray& encodedUrl, const THttpLimits& limits)
{
    THttpReply result;
    const QUrl url = QUrl::fromEncoded(encodedUrl);
    if (!url.isValid())
        return result;

    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    reply->setReadBufferSize(256 * 1024);
    QEventLoop loop;
    bool tooLong = false;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        result.Body += reply->read(limits.MaxBody + 1 - result.Body.size());
        if (result.Body.size() > limits.MaxBody) {
            tooLong = true;
            loop.quit();
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(limits.TimeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    if (tooLong || !reply->isFinished()) {
        reply->abort();
        return {};
    }
    result.Body += reply->readAll();
    if (result.Body.size() > limits.MaxBody)
        return {};
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || (reply->error() != QNetworkReply::NoError && !IsHttpLevelError(reply->error())))
        return {};
    result.Completed = true;
    result.Status = status.toInt();
    return result;
}

} // namespace platform
