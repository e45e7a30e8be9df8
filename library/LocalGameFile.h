#pragma once
#include <QDateTime>
#include <QString>
#include <QUrl>

// The file name a downloaded game gets in Data/Flash: the local time as
// yyyyMMddhhmmss followed by the extension of the source address's file,
// if that is letters and digits only (".swf"). Never holds a "/".
QString LocalGameFileName(const QDateTime& when, const QUrl& source);

// The extension rule alone: "." and the letters and digits after the last
// "." of the address's last path segment, or nothing.
QString GameFileExtension(const QUrl& source);
