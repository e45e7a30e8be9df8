#include "LocalGameImport.h"

#include "KeptFiles.h"
#include "ListText.h"
#include "LocalGameFile.h"
#include "TGameList.h"
#include "platform/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <optional>

namespace {

enum class Copy { Done, NotSwf, Failed };

// Copies source to target through "<target>.part", which only a complete
// copy leaves, renamed; the start-up clean-up knows that name.
Copy CopyGame(const QString& source, const QString& target)
{
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly))
        return Copy::Failed;
    if (!HasSwfHeader(in.peek(3)))
        return Copy::NotSwf;
    QFile part(target + QStringLiteral(".part"));
    if (!part.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return Copy::Failed;
    bool written = true;
    while (written && !in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        written = !block.isEmpty() && part.write(block) == block.size();
    }
    part.close();
    if (!written || in.error() != QFileDevice::NoError || part.error() != QFileDevice::NoError
        || !part.rename(target)) {
        part.remove();
        return Copy::Failed;
    }
    return Copy::Done;
}

} // namespace

bool HasSwfHeader(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(3);
    return head == "FWS" || head == "CWS" || head == "ZWS";
}

TImportReport ImportLocalGames(const QStringList& files, const QString& listFile, const QString& gamesFolder,
                               const QDateTime& now)
{
    TImportReport report;
    std::optional<TGameList> list;
    try {
        list.emplace(listFile, TGameList::IfMissing::StartEmpty);
    } catch (const EGameListLoad& error) {
        platform::ReportException(QString::fromUtf8(error.what()));
        report.lines << QStringLiteral("添加失败：无法读取本地游戏列表，列表没有改动。");
        return report;
    }
    const QDir games(gamesFolder);
    QDateTime when = now;
    QStringList copies;
    QSet<QString> names;
    for (const QString& file : files) {
        const QString shown = QFileInfo(file).fileName();
        const QString name = ListText(QFileInfo(file).completeBaseName());
        bool listed = names.contains(name);
        try {
            listed = listed || list->Find(TGameList::Name, name).has_value();
        } catch (const EGameListField&) {
            listed = true; // an entry that cannot be read could be this one
        }
        if (name.isEmpty() || listed) {
            report.lines << QStringLiteral("本地游戏中已有“%1”，没有添加。").arg(name);
            continue;
        }
        const QUrl source = QUrl::fromLocalFile(file);
        QString fileName = LocalGameFileName(when, source);
        while (GameFileNameTaken(games.path(), fileName))
            fileName = LocalGameFileName(when = when.addSecs(1), source);
        const Copy copied = CopyGame(file, games.filePath(fileName));
        if (copied == Copy::NotSwf) {
            report.lines << QStringLiteral("“%1”不是 Flash 游戏文件（SWF），没有添加。").arg(shown);
            continue;
        }
        if (copied == Copy::Failed) {
            report.lines << QStringLiteral("无法复制“%1”，没有添加。").arg(shown);
            continue;
        }
        list->Append(name, fileName);
        names.insert(name);
        copies << games.filePath(fileName);
        report.lines << QStringLiteral("已添加“%1”。").arg(name);
    }
    if (copies.isEmpty())
        return report;
    if (!list->Save()) {
        for (const QString& copy : copies)
            QFile::remove(copy);
        report.lines = QStringList{QStringLiteral("添加失败：无法保存本地游戏列表，列表没有改动。")};
        return report;
    }
    report.added = int(copies.size());
    return report;
}
