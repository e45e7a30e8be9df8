#include "BuiltInSite.h"

#include "SitePath.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpServer>

namespace services {

const QByteArray TBuiltInSite::ServerName = QByteArrayLiteral("orvanzev-site");

namespace {

using Status = QHttpServerResponder::StatusCode;

// Static files of one folder, GET and HEAD only, to requests that name this
// server by its loopback address (a page of another name that resolves here
// gets nothing).
class TSiteServer : public QAbstractHttpServer {
public:
    TSiteServer(const QString& folder, quint16 port, QObject* parent)
        : QAbstractHttpServer(parent), folder_(folder), port_(QByteArray::number(port)) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        const QByteArray host = request.value("Host").toLower();
        if (host != "127.0.0.1:" + port_ && host != "localhost:" + port_) {
            Answer(responder, Status::Forbidden);
            return true;
        }
        const auto method = request.method();
        if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
            Answer(responder, Status::MethodNotAllowed);
            return true;
        }
        const TSiteTarget target = SiteTarget(folder_, request.url().path(QUrl::FullyDecoded));
        if (target.Is == TSiteTarget::Kind::Folder) {
            const QByteArray location = QUrl(target.Path).toString(QUrl::FullyEncoded).toUtf8();
            responder.write(QByteArray(), {{"Server", TBuiltInSite::ServerName}, {"Location", location}}, Status::MovedPermanently);
            return true;
        }
        QFile file(target.Path);
        if (target.Is != TSiteTarget::Kind::File || !file.open(QIODevice::ReadOnly)) {
            Answer(responder, Status::NotFound);
            return true;
        }
        // Movies go out under the type game sites have always used.
        QByteArray type = target.Path.endsWith(QLatin1String(".swf"), Qt::CaseInsensitive)
                              ? QByteArrayLiteral("application/x-shockwave-flash")
                              : mimeTypes_.mimeTypeForFile(target.Path, QMimeDatabase::MatchExtension).name().toLatin1();
        if (type.startsWith("text/") || type == "image/svg+xml" || type == "application/javascript")
            type += "; charset=utf-8";
        const QHttpServerResponder::HeaderList headers{{"Server", TBuiltInSite::ServerName}, {"Content-Type", type},
                                                       {"Cache-Control", "no-cache"}, {"X-Content-Type-Options", "nosniff"}};
        if (method == QHttpServerRequest::Method::Head) {
            responder.writeStatusLine();
            responder.writeHeaders(headers);
            responder.writeHeader("Content-Length", QByteArray::number(file.size()));
            responder.writeBody(QByteArray());
        } else {
            responder.write(file.readAll(), headers);
        }
        return true;
    }

    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        QHttpServerResponder responder = makeResponder(request, socket);
        Answer(responder, Status::NotFound);
    }

private:
    static void Answer(QHttpServerResponder& responder, Status status)
    {
        responder.write(QByteArray(), {{"Server", TBuiltInSite::ServerName}, {"Content-Type", "text/plain"}}, status);
    }

    QString folder_;
    QByteArray port_;
    QMimeDatabase mimeTypes_;
};

} // namespace

TBuiltInSite::TBuiltInSite(const QString& folder, quint16 port, QObject* parent)
    : QObject(parent), folder_(folder), port_(port)
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &TBuiltInSite::TryListen);
}

TBuiltInSite::~TBuiltInSite() = default;

QUrl TBuiltInSite::Origin(quint16 port)
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}

QUrl TBuiltInSite::HomePage(quint16 port)
{
    return QUrl(Origin(port).toString() + QStringLiteral("/index.html"));
}

QUrl TBuiltInSite::SiteOf(const QString& homePage, quint16 port)
{
    const QUrl url(homePage.trimmed());
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) && !url.host().isEmpty())
        return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    return Origin(port);
}

void TBuiltInSite::Start()
{
    TryListen();
}

void TBuiltInSite::TryListen()
{
    if (server_)
        return;
    auto* tcp = new QTcpServer(this);
    if (!tcp->listen(QHostAddress::LocalHost, port_)) {
        delete tcp;
        AskHolder();
        retry_.start(RetryMs);
        return;
    }
    server_ = new TSiteServer(folder_, port_, this);
    tcp->setParent(server_);
    server_->bind(tcp);
    asked_ = false;
    emit Served();
}

// A game box answers with the site's server name; anything else, or no
// answer at all, is a program of another kind.
void TBuiltInSite::AskHolder()
{
    if (asking_ || asked_)
        return;
    if (!network_) {
        network_ = new QNetworkAccessManager(this);
        network_->setProxy(QNetworkProxy::NoProxy);
    }
    QNetworkRequest request(HomePage());
    request.setTransferTimeout(3000);
    asking_ = true;
    QNetworkReply* reply = network_->head(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        asking_ = false;
        asked_ = true;
        if (server_ || reply->rawHeader("Server") == ServerName)
            return;
        emit PortHeldByOther(port_);
    });
}

} // namespace services
