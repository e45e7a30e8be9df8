#include "TGameList.h"
#include "ListEncoding.h"
#include "ListMemory.h"
#include "ListText.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUtf8StringView>
#include <cstring>

namespace {

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments
                                   | pugi::parse_pi | pugi::parse_doctype;

pugi::xml_node NthChild(pugi::xml_node parent, int index)
{
    if (index < 0)
        return {};
    pugi::xml_node child = parent.first_child();
    for (int i = 0; child && i < index; ++i)
        child = child.next_sibling();
    return child;
}

// Whether a stored field, a C string, holds exactly the wanted bytes; stops
// at the first difference instead of measuring the field first.
bool SameText(const char* stored, const QByteArray& wanted)
{
    if (wanted.contains('\0'))
        return false;
    return std::strncmp(stored, wanted.constData(), size_t(wanted.size())) == 0 && stored[wanted.size()] == '\0';
}

// The whole file into bytes.
bool ReadWhole(QFile& file, QByteArray& bytes)
{
    constexpr qint64 kPiece = 256 * 1024;
    bytes.reserve(qsizetype(file.size()) + kPiece);
    for (;;) {
        const qsizetype done = bytes.size();
        bytes.resize(done + kPiece);
        const qint64 got = file.read(bytes.data() + done, kPiece);
        if (got < 0)
            return false;
        bytes.resize(done + qsizetype(got));
        if (got == 0)
            return true;
    }
}

} // namespace

TGameList::ListMemory::ListMemory() { UseListMemory(); }

QString TGameList::FileOf(const QString& programFolder, const QString& kind)
{
    return QDir(programFolder).filePath(QStringLiteral("Data/") + kind + QStringLiteral(".xml"));
}

TGameList::TGameList(const QString& file, IfMissing ifMissing) : file_(file)
{
    if (!QFileInfo::exists(file)) {
        if (ifMissing == IfMissing::Fail)
            throw EGameListMissing(QStringLiteral("Unable to read %1: it does not exist").arg(file).toStdString());
        // As the lists are shipped: a declaration and an empty root.
        pugi::xml_node declaration = document_.append_child(pugi::node_declaration);
        declaration.append_attribute("version").set_value("1.0");
        declaration.append_attribute("encoding").set_value("UTF-8");
        document_.append_child("list");
        return;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw EGameListLoad(QStringLiteral("Unable to read %1: %2").arg(file, in.errorString()).toStdString());
    // The document keeps its own copy, from the list pool.
    if (!ReadWhole(in, original_))
        throw EGameListLoad(QStringLiteral("Unable to read %1: %2").arg(file, in.errorString()).toStdString());
    Parse(original_);
}

void TGameList::Parse(const QByteArray& bytes)
{
    const QByteArray declared = DeclaredEncoding(bytes);
    pugi::xml_parse_result result;
    bool utf8 = true;
    if (declared.isEmpty() || IsUtf8Name(declared)) {
        size_ = bytes.size();
        result = document_.load_buffer(bytes.constData(), size_t(size_), kParseOptions);
        utf8 = result.encoding == pugi::encoding_utf8;
        // Bytes that are no UTF-8 are a list that web pages cannot read.
        if (result && utf8 && !QUtf8StringView(bytes.constData(), bytes.size()).isValidUtf8())
            throw EGameListLoad(QStringLiteral("Unable to load %1: it is not valid UTF-8").arg(file_).toStdString());
    } else {
        utf8 = false;
        const std::optional<QString> text = Decode(declared, bytes);
        if (!text)
            throw EGameListLoad(QStringLiteral("Unable to load %1: it is not valid %2")
                                    .arg(file_, QString::fromLatin1(declared))
                                    .toStdString());
        const QByteArray converted = text->toUtf8();
        size_ = converted.size();
        result = document_.load_buffer(converted.constData(), size_t(size_), kParseOptions, pugi::encoding_utf8);
    }
    if (!result)
        throw EGameListLoad(QStringLiteral("Unable to load %1: %2").arg(file_, QString::fromUtf8(result.description())).toStdString());
    // Held and written back as UTF-8, the declaration says so. An encoding
    // read from the declaration that is not the value of its encoding
    // attribute, as the parser sees it, could not be changed: the saved list
    // would still declare it and no longer load.
    if (!utf8)
        original_.clear();
    const pugi::xml_node declaration =
        document_.find_child([](pugi::xml_node node) { return node.type() == pugi::node_declaration; });
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (!declared.isEmpty() && !IsUtf8Name(declared) && QByteArray(encoding.value()).toLower() != declared.toLower())
        throw EGameListLoad(QStringLiteral("Unable to load %1: its declaration is not well-formed").arg(file_).toStdString());
    if (encoding && !IsUtf8Name(encoding.value()))
        encoding.set_value("UTF-8");
}

pugi::xml_node TGameList::Root() const { return document_.document_element(); }

pugi::xml_node TGameList::Entry(int entry) const { return NthChild(Root(), entry); }

int TGameList::Count() const
{
    int count = 0;
    for (pugi::xml_node child = Root().first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

std::optional<QString> TGameList::Value(int entry, Field field) const { return ValueOf(Entry(entry), field); }

std::optional<QString> TGameList::ValueOf(pugi::xml_node entry, Field field)
{
    const char* value = RawValueOf(entry, field);
    return value ? std::optional<QString>(QString::fromUtf8(value)) : std::nullopt;
}

QString TGameList::Text(int entry, Field field) const
{
    const std::optional<QString> value = Value(entry, field);
    if (!value)
        throw EGameListField("The list field has no value");
    return *value;
}

// The field's content as stored (UTF-8): null for a field without content.
const char* TGameList::RawValueOf(pugi::xml_node entry, Field field)
{
    const pugi::xml_node node = NthChild(entry, field);
    if (!node)
        throw EGameListField("The list entry has no such field");
    const pugi::xml_node content = node.first_child();
    if (node.type() != pugi::node_element || (content && content.next_sibling()))
        throw EGameListField("The list field is not one text");
    if (!content)
        return nullptr;
    if (content.type() != pugi::node_pcdata && content.type() != pugi::node_cdata)
        throw EGameListField("The list field is not one text");
    return content.value();
}

std::optional<int> TGameList::Find(Field field, const QString& text) const
{
    // Compared as stored: the same characters are the same UTF-8 bytes.
    const QByteArray wanted = text.toUtf8();
    int i = 0;
    for (pugi::xml_node entry = Root().first_child(); entry; entry = entry.next_sibling(), ++i) {
        const char* value = RawValueOf(entry, field);
        if (!value)
            throw EGameListField("The list field has no value");
        if (SameText(value, wanted))
            return i;
    }
    return std::nullopt;
}

std::optional<int> TGameList::FindValue(Field field, const QString& text) const
{
    const QByteArray wanted = text.toUtf8();
    int i = 0;
    for (pugi::xml_node entry = Root().first_child(); entry; entry = entry.next_sibling(), ++i) {
        const char* value = RawValueOf(entry, field);
        if (value && SameText(value, wanted))
            return i;
    }
    return std::nullopt;
}

QStringList TGameList::Values(Field field) const
{
    QStringList values;
    for (pugi::xml_node entry = Root().first_child(); entry; entry = entry.next_sibling())
        if (const char* value = RawValueOf(entry, field))
            values << QString::fromUtf8(value);
    return values;
}

void TGameList::Append(const QString& name, const QString& address)
{
    pugi::xml_node item = Root().append_child("item");
    item.append_child("txt").append_child(pugi::node_pcdata).set_value(ListText(name).toUtf8().constData());
    item.append_child("url").append_child(pugi::node_cdata).set_value(address.toUtf8().constData());
    if (!firstAppended_)
        firstAppended_ = item;
}

void TGameList::Remove(int entry)
{
    const pugi::xml_node node = Entry(entry);
    if (!node)
        throw EGameListField("The list has no such entry");
    Root().remove_child(node);
    original_.clear();
}

// What of the file as read an append-only save keeps, when the file held
// no whitespace between elements: whitespace-only text, which loading
// drops, only ever follows a '>'. The whitespace that may follow the
// declaration and the end tag goes, as when the document is written whole.
// A '>' followed by whitespace inside a text or CDATA section merely makes
// the file be written whole.
std::optional<TGameList::KeptBytes> TGameList::KeptBytesOfFile() const
{
    // The parser reads a file only up to its first NUL byte.
    const pugi::xml_node root = Root();
    if (original_.isEmpty() || original_.contains('\0') || root != document_.last_child())
        return std::nullopt;
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    KeptBytes kept{0, 0, 0, original_.size()};
    if (const pugi::xml_node first = document_.first_child(); first.type() == pugi::node_declaration) {
        for (pugi::xml_attribute a = first.first_attribute(); a; a = a.next_attribute())
            if (std::strchr(a.value(), '>'))
                return std::nullopt;
        if (!original_.startsWith("<?xml"))
            return std::nullopt;
        kept.declarationEnd = kept.contentStart = original_.indexOf("?>") + 2;
    }
    while (kept.contentStart < kept.end && isSpace(original_.at(kept.contentStart)))
        ++kept.contentStart;
    while (kept.end > kept.contentStart && isSpace(original_.at(kept.end - 1)))
        --kept.end;
    const QByteArray endTag = QByteArray("</") + root.name() + '>';
    kept.endTagStart = kept.end - endTag.size();
    if (kept.endTagStart <= kept.contentStart || original_.at(kept.contentStart) != '<'
        || QByteArrayView(original_).sliced(kept.endTagStart, endTag.size()) != endTag)
        return std::nullopt;
    const char* const last = original_.constData() + kept.end - 1;
    for (const char* at = original_.constData() + kept.contentStart;
         (at = static_cast<const char*>(std::memchr(at, '>', size_t(last - at)))); ++at)
        if (isSpace(at[1]))
            return std::nullopt;
    return kept;
}

bool TGameList::Save() const
{
    // The document's text, in memory that stays with the thread.
    struct Writer : pugi::xml_writer {
        QByteArray& bytes;
        explicit Writer(QByteArray& out) : bytes(out) {}
        void write(const void* data, size_t size) override { bytes.append(static_cast<const char*>(data), qsizetype(size)); }
    };
    thread_local QByteArray text;
    text.resize(0);
    text.reserve(size_ + size_ / 8 + 4096);
    Writer writer(text);
    constexpr unsigned kFormat = pugi::format_raw | pugi::format_no_declaration;
    if (const std::optional<KeptBytes> kept = KeptBytesOfFile()) {
        const char* bytes = original_.constData();
        text.append(bytes, kept->declarationEnd);
        text.append(bytes + kept->contentStart, kept->endTagStart - kept->contentStart);
        for (pugi::xml_node item = firstAppended_; item; item = item.next_sibling())
            item.print(writer, "", kFormat, pugi::encoding_utf8);
        text.append(bytes + kept->endTagStart, kept->end - kept->endTagStart);
    } else {
        document_.save(writer, "", kFormat, pugi::encoding_utf8);
    }
    return platform::ReplaceFileContent(file_, text);
}
