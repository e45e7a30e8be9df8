#pragma once
#include <QString>

// Tab captions are limited by their length in bytes (UTF-8, the system code
// page); a shortened caption is whole characters followed by "..".
// Each rule reads no more of its text than its limit needs, whatever the
// text's length.
namespace captions {

// The longest prefix of text, in whole characters, of at most maxBytes bytes.
QString CutToBytes(const QString& text, int maxBytes);
// An address: whole when at most 40 bytes, else its first 20 bytes + "..".
QString FromUrl(const QString& url);
// A title: whole when at most 30 bytes, else its first 30 bytes + "..".
QString FromTitle(const QString& title);
// A game's name: whole when at most 60 bytes, else its first 60 bytes + "..".
QString FromGameName(const QString& name);
// A tab's tooltip, the page's address: whole when at most 1024 bytes, else
// its first 1024 bytes + "..".
QString ToolTip(const QString& address);

} // namespace captions
