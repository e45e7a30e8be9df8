#pragma once
// A game's saved data in one file, for the player to keep or to carry to
// another computer: a JSON object that names the game and its movie and
// holds the saved data as the game's origin stores it (key -> value).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

// The most a saves file may hold, in bytes.
inline constexpr qint64 kMaxSavesFileBytes = 16 * 1024 * 1024;

QByteArray SavesFileContent(const QString& game, const QString& movie, const QVariantMap& saves, const QDateTime& when);

struct TSavesFile {
    QVariantMap saves; // every value a string
    QString movie;     // the movie's address as the file names it; may be empty
    QString error;     // why the file cannot be taken, in the user's words; empty when it can
};

// Reads a saves file; anything but a saves file of this program, or one
// that holds more than a game's storage can, gives an error.
TSavesFile ReadSavesFile(const QByteArray& bytes);
