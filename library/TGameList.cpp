#include "TGameList.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <sstream>

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

} // namespace

QString TGameList::FileOf(const QString& programFolder, const QString& kind)
{
    return QDir(programFolder).filePath(QStringLiteral("Data/") + kind + QStringLiteral(".xml"));
}

TGameList::TGameList(const QString& file) : file_(file)
{
    const pugi::xml_parse_result result = document_.load_file(QFile::encodeName(file).constData(), kParseOptions);
    if (!result)
        throw EGameListLoad(QStringLiteral("Unable to load %1: %2").arg(file, QString::fromUtf8(result.description())).toStdString());
    encoding_ = result.encoding;
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

std::optional<QString> TGameList::Value(int entry, Field field) const
{
    const pugi::xml_node node = NthChild(Entry(entry), field);
    if (!node)
        throw EGameListField("The list entry has no such field");
    const pugi::xml_node content = node.first_child();
    if (node.type() != pugi::node_element || (content && content.next_sibling()))
        throw EGameListField("The list field is not one text");
    if (!content)
        return std::nullopt;
    if (content.type() != pugi::node_pcdata && content.type() != pugi::node_cdata)
        throw EGameListField("The list field is not one text");
    return QString::fromUtf8(content.value());
}

QString TGameList::Text(int entry, Field field) const
{
    const std::optional<QString> value = Value(entry, field);
    if (!value)
        throw EGameListField("The list field has no value");
    return *value;
}

std::optional<int> TGameList::Find(Field field, const QString& text) const
{
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (Text(i, field) == text)
            return i;
    return std::nullopt;
}

std::optional<int> TGameList::FindValue(Field field, const QString& text) const
{
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (Value(i, field) == text)
            return i;
    return std::nullopt;
}

void TGameList::Append(const QString& name, const QString& address)
{
    pugi::xml_node item = Root().append_child("item");
    item.append_child("txt").append_child(pugi::node_pcdata).set_value(name.toUtf8().constData());
    item.append_child("url").append_child(pugi::node_cdata).set_value(address.toUtf8().constData());
}

void TGameList::Remove(int entry)
{
    const pugi::xml_node node = Entry(entry);
    if (!node)
        throw EGameListField("The list has no such entry");
    Root().remove_child(node);
}

bool TGameList::Save() const
{
    if (!QFileInfo(file_).isWritable())
        return false;
    std::ostringstream text;
    document_.save(text, "", pugi::format_raw | pugi::format_no_declaration, encoding_);
    const std::string bytes = text.str();
    QSaveFile file(file_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        return false;
    return file.commit();
}
