#include "SitePath.h"

#include <QDir>
#include <QFileInfo>

namespace services {

TSiteTarget SiteTarget(const QString& root, const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)) || path.contains(QLatin1Char('\\')))
        return {};
    QString relative = path.mid(1);
    if (relative.isEmpty() || relative.endsWith(QLatin1Char('/')))
        relative += QStringLiteral("index.html");
    const QStringList segments = relative.split(QLatin1Char('/'));
    for (const QString& segment : segments)
        if (segment.isEmpty() || segment.startsWith(QLatin1Char('.')))
            return {};

    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (canonicalRoot.isEmpty())
        return {};
    const QFileInfo target(QDir(canonicalRoot).filePath(relative));
    const QString canonical = target.canonicalFilePath();
    if (!canonical.startsWith(canonicalRoot + QLatin1Char('/')))
        return {};
    if (target.isDir())
        return {TSiteTarget::Kind::Folder, path + QLatin1Char('/')};
    if (!target.isFile() || !target.isReadable())
        return {};
    return {TSiteTarget::Kind::File, canonical};
}

} // namespace services
