#pragma once
#include <QString>

// Removes from the games folder what an interrupted download can leave
// there: partial files and complete files named like a downloaded game (14
// digits and maybe an extension of letters and digits; ".part" after it for
// a partial file, ".part.download" while the engine still writes it) that
// no entry of the local list names, and folders of kept files (14 digits)
// whose stem no entry's file has. Other files, folders and links are never
// touched, and nothing at all is removed when the local list cannot be read.
// Gives the number of files and folders removed.
int RemoveDownloadLeftovers(const QString& gamesFolder, const QString& localList);
