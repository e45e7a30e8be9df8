#include "DownloadLeftovers.h"
#include "TGameList.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

int RemoveDownloadLeftovers(const QString& gamesFolder, const QString& localList)
{
    QSet<QString> named;
    try {
        const QStringList files = TGameList(localList).Values(TGameList::Address);
        named = QSet<QString>(files.begin(), files.end());
    } catch (const std::exception&) {
        return 0;
    }
    static const QRegularExpression download(QStringLiteral("^[0-9]{14}(\\.[A-Za-z0-9]+)?(\\.part(\\.download)?)?$"));
    const QDir games(gamesFolder);
    int removed = 0;
    for (const QString& file : games.entryList(QDir::Files | QDir::NoSymLinks | QDir::Hidden | QDir::System))
        if (download.match(file).hasMatch() && !named.contains(file) && QFile::remove(games.filePath(file)))
            ++removed;
    // A folder of kept files whose game no entry names.
    QSet<QString> stems;
    for (const QString& file : named)
        stems.insert(file.section(QLatin1Char('.'), 0, 0));
    static const QRegularExpression kept(QStringLiteral("^[0-9]{14}$"));
    for (const QString& folder : games.entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot | QDir::Hidden))
        if (kept.match(folder).hasMatch() && !stems.contains(folder) && QDir(games.filePath(folder)).removeRecursively())
            ++removed;
    return removed;
}
