#include "SavesFile.h"

#include "KeptFiles.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kFormat = QStringLiteral("orvanzev-saves");

} // namespace

QByteArray SavesFileContent(const QString& game, const QString& movie, const QVariantMap& saves, const QDateTime& when)
{
    const QJsonObject file{{QStringLiteral("format"), kFormat},
                           {QStringLiteral("version"), 1},
                           {QStringLiteral("game"), game},
                           {QStringLiteral("movie"), movie},
                           {QStringLiteral("time"), when.toString(Qt::ISODate)},
                           {QStringLiteral("saves"), QJsonObject::fromVariantMap(saves)}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

TSavesFile ReadSavesFile(const QByteArray& bytes)
{
    TSavesFile read;
    const QString notSaves = QStringLiteral("这个文件不是游戏存档。");
    if (bytes.size() > kMaxSavesFileBytes) {
        read.error = QStringLiteral("这个存档文件太大。");
        return read;
    }
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parsed);
    const QJsonObject file = document.object();
    if (parsed.error != QJsonParseError::NoError || !document.isObject()
        || file.value(QStringLiteral("format")).toString() != kFormat || !file.value(QStringLiteral("saves")).isObject()) {
        read.error = notSaves;
        return read;
    }
    if (file.value(QStringLiteral("version")).toInt() != 1) {
        read.error = QStringLiteral("这个存档来自更新版本的程序，无法导入。");
        return read;
    }
    const QJsonValue movie = file.value(QStringLiteral("movie"));
    if (!movie.isUndefined() && !movie.isString()) {
        read.error = notSaves;
        return read;
    }
    read.movie = movie.toString();
    qint64 characters = 0;
    const QJsonObject saves = file.value(QStringLiteral("saves")).toObject();
    for (auto value = saves.begin(); value != saves.end(); ++value) {
        // The program's own marks in the game's storage are not saved data.
        if (!value->isString() || value.key().isEmpty() || value.key().startsWith(QLatin1String("orvanzev:"))) {
            read.error = notSaves;
            read.saves.clear();
            return read;
        }
        characters += value.key().size() + value->toString().size();
        if (characters > kMaxSavedCharacters) {
            read.error = QStringLiteral("这个存档文件太大。");
            read.saves.clear();
            return read;
        }
        read.saves.insert(value.key(), value->toString());
    }
    return read;
}
