#pragma once
// What the left page tells about the element under the pointer: its class
// name and visible text, and, for an entry the page drew with its identity,
// its position in the list and its stored name and address. Texts longer
// than the page ships arrive cut, with the length they have in the page.
#include "platform/ProgramFiles.h"

#include <QString>
#include <QVariantMap>
#include <optional>

class TGameList;

struct LeftViewEntry {
    int index = 0;
    QString name, address;
    qsizetype nameLength = 0, addressLength = 0;
};

struct LeftViewHit {
    QString kind; // the element's class attribute
    QString text; // its visible text
    std::optional<LeftViewEntry> entry;

    static LeftViewHit FromPage(const QVariantMap& facts);
};

// The script that reports a LeftViewHit for a point of the left view.
QString LeftViewHitScript(int x, int y);
// The same for the element that has the keyboard, with the page point below
// its lower left corner as x and y.
QString LeftViewFocusScript();

// The entry's position in the list as the list is now. An entry with its
// identity is found only at its position, and only while its name and
// address there are still the ones drawn; without it, the first entry whose
// name is the visible text. A field that cannot be read ends the search
// with EGameListField.
std::optional<int> Locate(const TGameList& list, const QString& text, const std::optional<LeftViewEntry>& entry);

// Which list a hit's entry belongs to; none for anything else in the page.
std::optional<platform::ListKind> ListOfHit(const LeftViewHit& hit);

// Whether the program takes a request of the left page: a left-button
// release on a local entry plays its game; any other goes on to the page.
bool PlaysOnRelease(const QVariantMap& request);
