#include "KeptFilePath.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Eight hexadecimal digits that tell texts apart.
QString ShortHash(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex().left(8));
}

bool Reserved(const QString& name)
{
    static const QRegularExpression reserved(QStringLiteral("^(con|prn|aux|nul|com[0-9]|lpt[0-9])(\\..*)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name).hasMatch();
}

// The stem and the extension (with its "."), split at the last ".".
std::pair<QString, QString> SplitExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

// The longest prefix of whole characters in at most maxBytes UTF-8 bytes.
QString CutBytes(const QString& text, int maxBytes)
{
    QString cut;
    int bytes = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int size = int(text.mid(i, length).toUtf8().size());
        if (bytes + size > maxBytes)
            break;
        cut += text.mid(i, length);
        bytes += size;
        i += length;
    }
    return cut;
}

QString SafeName(QString name)
{
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(c)
            || c.category() == QChar::Other_Surrogate)
            c = QLatin1Char('_');
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || Reserved(name)
        || name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.prepend(QLatin1Char('_'));
    if (name.toUtf8().size() > kKeptNameMaxBytes) {
        const auto [stem, extension] = SplitExtension(name);
        const QString mark = QLatin1Char('~') + ShortHash(name);
        const QString keep = extension.toUtf8().size() <= 16 ? extension : QString();
        name = CutBytes(stem, kKeptNameMaxBytes - int((mark + keep).toUtf8().size())) + mark + keep;
    }
    return name;
}

} // namespace

std::optional<QString> KeptFilePath(const QUrl& address)
{
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || address.host().isEmpty() || !address.userInfo().isEmpty())
        return std::nullopt;
    QString host = address.host(QUrl::FullyEncoded).toLower();
    if (address.port() != -1)
        host += QLatin1Char('_') + QString::number(address.port());
    QStringList parts{SafeName(host)};

    // Split before decoding, so that an encoded "/" stays inside its name.
    QStringList segments = address.path(QUrl::FullyEncoded).split(QLatin1Char('/'));
    if (!segments.isEmpty() && segments.first().isEmpty())
        segments.removeFirst();
    if (segments.isEmpty() || segments.last().isEmpty()) {
        if (!segments.isEmpty())
            segments.removeLast();
        segments << QStringLiteral("index.html");
    }
    for (qsizetype i = 0; i < segments.size(); ++i) {
        QString name = QUrl::fromPercentEncoding(segments[i].toUtf8());
        if (i == segments.size() - 1 && address.hasQuery()) {
            const auto [stem, extension] = SplitExtension(name);
            name = stem + QLatin1Char('~') + ShortHash(address.query(QUrl::FullyEncoded)) + extension;
        }
        parts << SafeName(name);
    }
    return parts.join(QLatin1Char('/'));
}
