#include "KeptFiles.h"

#include "KeptFilePath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

QString NotedLoadsScript()
{
    return QStringLiteral("(function(){try{return (window.__orvanzevLoads||[]).slice(0,%1)}catch(e){return []}})()")
        .arg(kMaxKeptFiles * 2);
}

QList<TKeptFile> FilesToKeep(const QVariantList& loads, const QUrl& movie)
{
    QList<TKeptFile> files;
    QSet<QString> paths;
    const std::optional<QString> moviePath = KeptFilePath(movie);
    if (moviePath)
        paths.insert(*moviePath);
    for (const QVariant& entry : loads) {
        const QVariantMap load = entry.toMap();
        if (!load.value(QStringLiteral("ok")).toBool())
            continue;
        const QUrl address(load.value(QStringLiteral("url")).toString(), QUrl::StrictMode);
        const std::optional<QString> path = KeptFilePath(address);
        if (!path || paths.contains(*path))
            continue;
        paths.insert(*path);
        files.append({address, QUrl(load.value(QStringLiteral("requested")).toString(), QUrl::StrictMode), *path,
                      load.value(QStringLiteral("type")).toString().left(200)});
        if (files.size() == kMaxKeptFiles)
            break;
    }
    return files;
}

std::optional<QString> KeptFolderOf(const QString& gamesFolder, const QString& gameFile)
{
    static const QRegularExpression downloaded(QStringLiteral("^(\\d{14})\\.[A-Za-z0-9]+$"));
    const QRegularExpressionMatch match = downloaded.match(gameFile);
    if (!match.hasMatch())
        return std::nullopt;
    return QDir(gamesFolder).filePath(match.captured(1));
}

bool GameFileNameTaken(const QString& gamesFolder, const QString& fileName)
{
    const QDir games(gamesFolder);
    if (games.exists(fileName) || games.exists(fileName + QStringLiteral(".part")))
        return true;
    const QString stem = fileName.left(fileName.indexOf(QLatin1Char('.')));
    if (stem.isEmpty() || stem == fileName)
        return false;
    return games.exists(stem)
           || !games.entryList({stem + QStringLiteral(".*")}, QDir::AllEntries | QDir::Hidden | QDir::System).isEmpty();
}

QByteArray KeptManifest(const QUrl& page, const QUrl& movie, const QList<TKeptFile>& files, const QString& folder,
                        const QDateTime& when)
{
    QJsonArray list;
    for (const TKeptFile& file : files) {
        QFile kept(QDir(folder).filePath(file.path));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (kept.open(QIODevice::ReadOnly))
            hash.addData(&kept);
        list.append(QJsonObject{{QStringLiteral("url"), file.address.toString(QUrl::FullyEncoded)},
                                {QStringLiteral("requested"), file.requested.toString(QUrl::FullyEncoded)},
                                {QStringLiteral("path"), file.path},
                                {QStringLiteral("type"), file.type},
                                {QStringLiteral("size"), double(QFileInfo(kept).size())},
                                {QStringLiteral("sha256"), QString::fromLatin1(hash.result().toHex())}});
    }
    const QJsonObject manifest{{QStringLiteral("page"), page.toString(QUrl::FullyEncoded)},
                               {QStringLiteral("movie"), movie.toString(QUrl::FullyEncoded)},
                               {QStringLiteral("time"), when.toString(Qt::ISODate)},
                               {QStringLiteral("files"), list}};
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

QString KeptMovie(const QString& gamesFolder, const QString& gameFile)
{
    const std::optional<QString> folder = KeptFolderOf(gamesFolder, gameFile);
    if (!folder)
        return {};
    QFile manifest(QDir(*folder).filePath(QStringLiteral("manifest.json")));
    if (!manifest.open(QIODevice::ReadOnly) || manifest.size() > 64 * 1024 * 1024)
        return {};
    return QJsonDocument::fromJson(manifest.readAll()).object().value(QStringLiteral("movie")).toString();
}
