#include "FlashPlayer.h"

#include "LocalGamePages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include <optional>

namespace flash {
namespace {

constexpr char kHost[] = "ruffle";

// Serves the player's files, from one flat folder, and the local games;
// nothing else is reachable.
class PlayerFiles : public QWebEngineUrlSchemeHandler {
public:
    PlayerFiles(const QString& folder, QObject* parent) : QWebEngineUrlSchemeHandler(parent), folder_(folder) {}
    void SetFolder(const QString& folder) const { folder_ = folder; }

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        static const QRegularExpression plainName(QStringLiteral("^/[A-Za-z0-9_.-]+$"));
        const QUrl url = job->requestUrl();
        if (url.host() != QLatin1String(kHost) && local_games::Serve(job))
            return;
        const QString path = url.path();
        if (job->requestMethod() != "GET" || url.host() != QLatin1String(kHost) || !plainName.match(path).hasMatch()
            || path.contains(QLatin1String(".."))) {
            job->fail(QWebEngineUrlRequestJob::UrlInvalid);
            return;
        }
        auto* file = new QFile(QDir(folder_).filePath(path.mid(1)), job);
        if (!file->open(QIODevice::ReadOnly)) {
            delete file;
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        if (!url.hasQuery()) {
            job->reply(ContentType(path), file);
            return;
        }
        const std::optional<QByteArray> part = Part(*file, QUrlQuery(url));
        delete file;
        if (!part) {
            job->fail(QWebEngineUrlRequestJob::UrlInvalid);
            return;
        }
        auto* bytes = new QBuffer(job);
        bytes->setData(*part);
        bytes->open(QIODevice::ReadOnly);
        job->reply(ContentType(path), bytes);
    }

private:
    // "offset=N&length=M": up to M bytes from byte N (none past the end);
    // no value for any other query or a part too large.
    static std::optional<QByteArray> Part(QFile& file, const QUrlQuery& query)
    {
        constexpr qint64 kLargestPart = 16 << 20;
        bool offsetRead = false;
        bool lengthRead = false;
        const qint64 offset = query.queryItemValue(QStringLiteral("offset")).toLongLong(&offsetRead);
        const qint64 length = query.queryItemValue(QStringLiteral("length")).toLongLong(&lengthRead);
        if (!offsetRead || !lengthRead || offset < 0 || length < 0 || length > kLargestPart
            || query.queryItems().size() != 2)
            return std::nullopt;
        if (offset >= file.size())
            return QByteArray();
        if (!file.seek(offset))
            return std::nullopt;
        QByteArray bytes = file.read(length);
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        return bytes;
    }

    static QByteArray ContentType(const QString& path)
    {
        if (path.endsWith(QLatin1String(".wasm")))
            return "application/wasm";
        if (path.endsWith(QLatin1String(".js")))
            return "text/javascript";
        return "application/octet-stream";
    }

    mutable QString folder_;
};

// The folder of the player's files, as a URL the program's local pages use.
QString& LocalPlayerUrl()
{
    static QString url;
    return url;
}

QString SupportScriptSource()
{
    QFile file(QStringLiteral(":/scripts/flash_support.js"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("%LOCAL_PLAYER%"), LocalPlayerUrl());
}

} // namespace

void RegisterScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled
                    | QWebEngineUrlScheme::ContentSecurityPolicyIgnored);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void Install(QWebEngineProfile* profile, const QString& playerFolder)
{
    LocalPlayerUrl() = QUrl::fromLocalFile(QDir(playerFolder).absolutePath() + QLatin1Char('/')).toString(QUrl::FullyEncoded);
    if (auto* files = dynamic_cast<const PlayerFiles*>(profile->urlSchemeHandler(kScheme)))
        files->SetFolder(playerFolder);
    else
        profile->installUrlSchemeHandler(kScheme, new PlayerFiles(playerFolder, profile));
}

void OfferTo(QWebEnginePage* page)
{
    QWebEngineScript script;
    script.setName(QStringLiteral("orvanzev-flash"));
    script.setSourceCode(SupportScriptSource());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    page->scripts().insert(script);
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
}

} // namespace flash
