#pragma once
// Downloaded games play in their tabs from the program's own scheme, each
// game under an origin of its own. A game reaches its player page, its own
// file and the folder of the same stem beside it; the player comes from
// "orvanzev://ruffle/". Nothing else on disk, and no other game, is
// reachable, and no web page may ask for a game's files.
#include <QString>
#include <QUrl>

class QWebEngineUrlRequestJob;

namespace local_games {

// The player page playing fileName, a game of gamesFolder (Data/Flash):
// orvanzev://game-<id>/swf.htm?<fileName>#<name>. The page takes the file
// name from its query and shows name as its title. From now on the game's
// origin answers.
QUrl PlayerPage(const QString& gamesFolder, const QString& fileName, const QString& name);

// A page of the game's origin that holds nothing, for the program to reach
// what the game stored in its origin's storage:
// orvanzev://game-<id>/saves.htm.
QUrl SavesPage(const QString& gamesFolder, const QString& fileName);

// The file that path (percent-encoded, as requested) reads under the origin
// of the game fileName, or an empty string: "/swf.htm" is the player page,
// "/<fileName>" the game's file, any other path a file inside the game's
// own folder, gamesFolder/<fileName without its extension>. Dot segments,
// backslashes, NULs and links that lead out of that folder are refused.
QString FileFor(const QString& gamesFolder, const QString& fileName, const QString& path);

// Answers a request addressed to a game's origin and gives true; any other
// host gives false and leaves the job alone.
bool Serve(QWebEngineUrlRequestJob* job);

} // namespace local_games
