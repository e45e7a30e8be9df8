#include "LocalGameFile.h"

QString GameFileExtension(const QUrl& source)
{
    const QString path = source.path(QUrl::FullyDecoded);
    const QString last = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const QString extension = last.mid(dot + 1);
    if (extension.isEmpty())
        return {};
    for (const QChar c : extension)
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return {};
    return QLatin1Char('.') + extension;
}

QString LocalGameFileName(const QDateTime& when, const QUrl& source)
{
    return when.toString(QStringLiteral("yyyyMMddHHmmss")) + GameFileExtension(source);
}
