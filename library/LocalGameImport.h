#pragma once
// Adds SWF files the user already has to the local list: each is copied into
// the games folder under the downloaded games' naming rule and listed under
// its file name without extension.
#include <QDateTime>
#include <QStringList>

// Whether bytes start like a Flash movie: "FWS", "CWS" or "ZWS".
bool HasSwfHeader(const QByteArray& bytes);

// What an import came to: one line for the user for each file, in order,
// and the number of games added.
struct TImportReport {
    QStringList lines;
    int added = 0;
};

// Imports files into gamesFolder and listFile. A file that is no SWF, whose
// name the list holds already, or that cannot be copied is refused with its
// reason. The list is saved once for all; when that fails, the copies are
// removed again and nothing is added. A list that cannot be read refuses all.
TImportReport ImportLocalGames(const QStringList& files, const QString& listFile, const QString& gamesFolder,
                               const QDateTime& now);
