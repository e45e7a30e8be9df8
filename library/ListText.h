#pragma once
#include <QString>

// The longest name or title a list stores, in UTF-8 bytes.
inline constexpr int kListTextMaxBytes = 1024;

// A name or title as a list stores it, and so as it reads back: every
// character that XML 1.0 cannot hold (a control character other than tab,
// line feed and carriage return, U+FFFE, U+FFFF, half of a surrogate pair)
// becomes U+FFFD; a carriage return, alone or before a line feed, becomes a
// line feed, as an XML reader would make it; then the text is cut to at most
// kListTextMaxBytes bytes of UTF-8, whole characters only. Every other
// character stays as it is.
QString ListText(const QString& text);
