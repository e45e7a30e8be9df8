#include "CaptionRules.h"

namespace captions {
namespace {

int ByteLength(const QString& text) { return static_cast<int>(text.toUtf8().size()); }

QString Shorten(const QString& text, int wholeUpTo, int cutTo)
{
    // A character takes at least one byte: a longer text is never whole.
    if (text.size() <= wholeUpTo && ByteLength(text) <= wholeUpTo)
        return text;
    return CutToBytes(text, cutTo) + QStringLiteral("..");
}

} // namespace

QString CutToBytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size()
                          && text.at(end + 1).isLowSurrogate();
        const qsizetype units = pair ? 2 : 1;
        const int size = ByteLength(text.mid(end, units));
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

QString FromUrl(const QString& url) { return Shorten(url, 40, 20); }

QString FromTitle(const QString& title) { return Shorten(title, 30, 30); }

QString FromGameName(const QString& name) { return Shorten(name, 60, 60); }

QString ToolTip(const QString& address) { return Shorten(address, 1024, 1024); }

} // namespace captions
