#pragma once
// The files a game loaded beside its movie, kept with its offline copy in a
// folder named after the game file's stem, laid out by host and path, with
// a manifest (manifest.json) that says what each file was.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <optional>

// No game keeps more files than this.
inline constexpr int kMaxKeptFiles = 500;
// Nor more saved data (characters of keys and values) than a page's local
// storage holds.
inline constexpr int kMaxSavedCharacters = 5 * 1024 * 1024;

struct TKeptFile {
    QUrl address;   // the final address, after redirects
    QUrl requested; // the address the movie asked for
    QString path; // relative to the game's folder
    QString type; // the content type the server gave
};

// The script that gives the loads a page noted while its movie played.
QString NotedLoadsScript();

// Of a page's noted loads ({requested, url, ok, type} maps), the ones to
// keep: successful http or https loads other than the movie itself, once
// each by kept path, in the order they were made, at most kMaxKeptFiles.
QList<TKeptFile> FilesToKeep(const QVariantList& loads, const QUrl& movie);

// The folder that holds the kept files of gameFile (a name of the games
// folder made by the download rule: 14 digits and an extension); nothing
// for any other name.
std::optional<QString> KeptFolderOf(const QString& gamesFolder, const QString& gameFile);

// Whether a new game file may not take fileName in the games folder: a file
// of that name, its partial file, or anything of the same stem (another
// game's file or kept folder) is there.
bool GameFileNameTaken(const QString& gamesFolder, const QString& fileName);

// The manifest of a game's kept files, read back from folder for their
// sizes and SHA-256 hashes: the page, the movie, the time and the files
// (each with the address asked for and the final one).
QByteArray KeptManifest(const QUrl& page, const QUrl& movie, const QList<TKeptFile>& files, const QString& folder,
                        const QDateTime& when);

// The web address of the movie that gameFile's manifest names; empty when it
// has none.
QString KeptMovie(const QString& gamesFolder, const QString& gameFile);
