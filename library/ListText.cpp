#include "ListText.h"

namespace {

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

int Utf8Size(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

} // namespace

QString ListText(const QString& text)
{
    QString stored;
    int bytes = 0;
    // Only as much of the text as can be stored is ever looked at.
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            units = 2;
        }
        i += units;
        if (c == 0xD) {
            c = 0xA;
            if (i < text.size() && text.at(i) == QLatin1Char('\n'))
                ++i;
        } else if (!IsXmlChar(c)) {
            c = QChar::ReplacementCharacter;
        }
        bytes += Utf8Size(c);
        if (bytes > kListTextMaxBytes)
            break;
        if (QChar::requiresSurrogates(c)) {
            stored += QChar(QChar::highSurrogate(c));
            stored += QChar(QChar::lowSurrogate(c));
        } else {
            stored += QChar(char16_t(c));
        }
    }
    return stored;
}
