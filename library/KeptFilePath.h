#pragma once
// Where a file that a game loaded is kept beside the game: a relative path
// laid out by host and path, which never leaves the game's folder.
#include <QString>
#include <QUrl>
#include <optional>

// The longest name of one folder or file, in UTF-8 bytes.
inline constexpr int kKeptNameMaxBytes = 120;

// The relative path of an http or https address: "<host>[_<port>]/<path>".
// Each path segment is decoded and made a safe name: "/", "\", control
// characters and characters no file system takes become "_"; ".", ".."
// and names that systems reserve (CON, NUL, COM1, ...) get a "_" in front;
// a name too long is cut and marked with a hash of the whole. A path that
// ends in "/" names "index.html" in that folder. A query makes its own file:
// "name~<hash>.ext". The same address always gives the same path; nothing
// for other schemes, addresses without a host, or user names and passwords.
std::optional<QString> KeptFilePath(const QUrl& address);
