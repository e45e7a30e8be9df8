#include "LocalGamePages.h"

#include "FlashPlayer.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>

namespace local_games {
namespace {

const QString kPlayerPage = QStringLiteral("swf.htm");
const QString kSavesPage = QStringLiteral("/saves.htm");

struct Game {
    QString folder;
    QString file;
};

// The games played so far, by the host of their origin.
QHash<QString, Game>& Games()
{
    static QHash<QString, Game> games;
    return games;
}

// A file name that stays inside its folder.
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

// The same game of the same program folder keeps its origin, and with it
// what it stored in the page's storage, from one run to the next.
QString HostOf(const QString& gamesFolder, const QString& fileName)
{
    const QByteArray key = (QDir(gamesFolder).absolutePath() + QLatin1Char('/') + fileName).toUtf8();
    return QStringLiteral("game-")
           + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
}

bool IsGameOrigin(const QUrl& url, const QString& host)
{
    return url.scheme() == QLatin1String(flash::kScheme) && url.host() == host;
}

// A page of the game's origin; from now on the origin answers.
QUrl GamePage(const QString& gamesFolder, const QString& fileName, const QString& path)
{
    const QString host = HostOf(gamesFolder, fileName);
    Games().insert(host, Game{QDir(gamesFolder).absolutePath(), fileName});
    QUrl page;
    page.setScheme(QString::fromLatin1(flash::kScheme));
    page.setHost(host);
    page.setPath(path);
    return page;
}

} // namespace

QUrl SavesPage(const QString& gamesFolder, const QString& fileName)
{
    return GamePage(gamesFolder, fileName, kSavesPage);
}

QUrl PlayerPage(const QString& gamesFolder, const QString& fileName, const QString& name)
{
    QUrl page = GamePage(gamesFolder, fileName, QLatin1Char('/') + kPlayerPage);
    page.setQuery(QString::fromLatin1(QUrl::toPercentEncoding(fileName)), QUrl::StrictMode);
    page.setFragment(QString::fromLatin1(QUrl::toPercentEncoding(name)), QUrl::StrictMode);
    return page;
}

QString FileFor(const QString& gamesFolder, const QString& fileName, const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    const QStringList segments = QUrl::fromPercentEncoding(path.mid(1).toUtf8()).split(QLatin1Char('/'));
    for (const QString& segment : segments)
        if (!IsPlainName(segment))
            return {};
    const QDir games(gamesFolder);
    if (segments == QStringList{kPlayerPage})
        return games.filePath(kPlayerPage);
    if (!IsPlainName(fileName))
        return {};
    if (segments == QStringList{fileName})
        return games.filePath(fileName);
    const QFileInfo own(games.filePath(QFileInfo(fileName).completeBaseName()));
    const QFileInfo file(own.filePath() + QLatin1Char('/') + segments.join(QLatin1Char('/')));
    const QString ownFolder = own.canonicalFilePath();
    if (ownFolder.isEmpty() || !file.isFile() || !file.canonicalFilePath().startsWith(ownFolder + QLatin1Char('/')))
        return {};
    return file.filePath();
}

bool Serve(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    const auto game = Games().constFind(url.host());
    if (game == Games().constEnd())
        return false;
    // The program opens the player page; after that only the game's own
    // page asks for anything.
    const QUrl initiator = job->initiator();
    if (job->requestMethod() != "GET" || (!initiator.isEmpty() && !IsGameOrigin(initiator, url.host()))) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return true;
    }
    if (url.path(QUrl::FullyEncoded) == kSavesPage) {
        auto* blank = new QBuffer(job);
        blank->setData("<!DOCTYPE html><title></title>");
        job->reply("text/html", blank);
        return true;
    }
    const QString path = FileFor(game->folder, game->file, url.path(QUrl::FullyEncoded));
    auto* file = new QFile(path, job);
    if (path.isEmpty() || !file->open(QIODevice::ReadOnly)) {
        delete file;
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return true;
    }
    job->reply(QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toUtf8(), file);
    return true;
}

} // namespace local_games
