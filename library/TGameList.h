#pragma once
// One of the user's two game lists, an XML file in Data/: a root element
// whose child nodes are the entries in order; each entry's first child is
// its name (text) and its second its address (one CDATA section). Entries
// and fields are addressed purely by position.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <pugixml.hpp>
#include <stdexcept>

// The list file cannot be read or is not well-formed XML.
class EGameListLoad : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The list file does not exist.
class EGameListMissing : public EGameListLoad {
public:
    using EGameListLoad::EGameListLoad;
};

// A field cannot be read as the list format says (missing, or holding
// anything but one text node or one CDATA section), or has no value where
// text was needed.
class EGameListField : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TGameList {
public:
    enum Field { Name = 0, Address = 1 };

    // "gamefavorites" or "gamelocal": the file Data/<kind>.xml.
    static QString FileOf(const QString& programFolder, const QString& kind);

    enum class IfMissing { Fail, StartEmpty };

    // Loads and parses the whole file. A file that declares an encoding
    // other than UTF-8 is read in that encoding and, when saved, written
    // as UTF-8 under a declaration that says so. A missing file either
    // fails or gives an empty list that the first save creates.
    explicit TGameList(const QString& file, IfMissing ifMissing = IfMissing::Fail);

    int Count() const;
    // The field's value; no value for a field without content.
    std::optional<QString> Value(int entry, Field field) const;
    // The field's value as text: a field without content fails.
    QString Text(int entry, Field field) const;
    // The first entry whose field, read as text, equals text exactly;
    // a field that cannot be read ends the scan with EGameListField.
    std::optional<int> Find(Field field, const QString& text) const;
    // The same, where an entry without a value simply never matches.
    std::optional<int> FindValue(Field field, const QString& text) const;
    // The field of every entry that has a value, in list order; a field
    // that cannot be read fails with EGameListField.
    QStringList Values(Field field) const;

    // The name is stored as ListText makes it.
    void Append(const QString& name, const QString& address);
    void Remove(int entry);

    // Writes the whole document back, unindented, with its declaration.
    // The list is replaced only by a complete new file; false when any
    // part of it cannot be written, and then the file on disk is as it was.
    // A list that was only appended to since it was read, from a file that
    // already held no whitespace between elements, is written as the file's
    // own bytes with the new entries put before the root's end tag.
    bool Save() const;

private:
    void Parse(const QByteArray& bytes);
    static const char* RawValueOf(pugi::xml_node entry, Field field);
    static std::optional<QString> ValueOf(pugi::xml_node entry, Field field);
    pugi::xml_node Root() const;
    pugi::xml_node Entry(int entry) const;
    // Offsets into the file as read.
    struct KeptBytes {
        qsizetype declarationEnd, contentStart, endTagStart, end;
    };
    std::optional<KeptBytes> KeptBytesOfFile() const;

    // First: the document's memory comes from the list pool.
    struct ListMemory {
        ListMemory();
    } memory_;
    QString file_;
    pugi::xml_document document_;
    qsizetype size_ = 0;
    // The file as read when it was UTF-8, until an entry is removed.
    QByteArray original_;
    pugi::xml_node firstAppended_;
};
