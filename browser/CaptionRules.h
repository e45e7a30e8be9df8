#pragma once
#include <QString>

// Tab captions are limited by their length in bytes (UTF-8, the system code
// page); a shortened caption is whole characters followed by "..".
namespace captions {

// The longest prefix of text, in whole characters, of at most maxBytes bytes.
QString CutToBytes(const QString& text, int maxBytes);
// An address: whole when at most 40 bytes, else its first 20 bytes + "..".
QString FromUrl(const QString& url);
// A title: whole when at most 30 bytes, else its first 30 bytes + "..".
QString FromTitle(const QString& title);

} // namespace captions
