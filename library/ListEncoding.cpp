#include "ListEncoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

QByteArray DeclaredEncoding(const QByteArray& bytes)
{
    if (!bytes.startsWith("<?xml"))
        return {};
    const qsizetype end = bytes.indexOf("?>");
    if (end < 0)
        return {};
    static const QRegularExpression declaration(
        QStringLiteral(R"(^<\?xml\s(?:[^>]*?\s)?encoding\s*=\s*(["'])([A-Za-z][A-Za-z0-9._-]*)\1)"));
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(bytes.left(end)));
    return match.hasMatch() ? match.captured(2).toLatin1() : QByteArray();
}

bool IsUtf8Name(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    return lower == "utf-8" || lower == "utf8";
}

std::optional<QString> Decode(const QByteArray& name, const QByteArray& bytes)
{
    static const QByteArrayList gbk{"gb2312",     "gbk",      "gb_2312",  "gb_2312-80", "x-gbk",
                                    "csgb2312", "chinese", "iso-ir-58", "csiso58gb231280", "gb18030"};
    const QByteArray lower = name.toLower();
    QStringDecoder decoder(gbk.contains(lower) ? "GB18030" : name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
