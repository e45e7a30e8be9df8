#include "LeftViewEntry.h"

#include "TGameList.h"

namespace {

// Whether a stored text is the one the page drew, of which it sent a prefix.
bool Matches(const std::optional<QString>& stored, const QString& drawn, qsizetype length)
{
    const QString text = stored.value_or(QString());
    return text.size() == length && text.left(drawn.size()) == drawn;
}

} // namespace

LeftViewHit LeftViewHit::FromPage(const QVariantMap& facts)
{
    LeftViewHit hit;
    hit.kind = facts.value(QStringLiteral("className")).toString();
    hit.text = facts.value(QStringLiteral("innerText")).toString();
    bool numeric = false;
    const int index = facts.value(QStringLiteral("index")).toString().toInt(&numeric);
    if (numeric && index >= 0) {
        LeftViewEntry entry;
        entry.index = index;
        entry.name = facts.value(QStringLiteral("name")).toString();
        entry.address = facts.value(QStringLiteral("address")).toString();
        entry.nameLength = facts.value(QStringLiteral("nameLength")).toLongLong();
        entry.addressLength = facts.value(QStringLiteral("addressLength")).toLongLong();
        hit.entry = entry;
    }
    return hit;
}

QString LeftViewHitScript(int x, int y)
{
    // The same facts as the left click reports (resources/scripts/left_view.js).
    return QStringLiteral(
               "(function(){var e=document.elementFromPoint(%1,%2);if(!e)return null;"
               "var cut=function(v){v=v==null?'':String(v);return [v.slice(0,4096),v.length];};"
               "var d=e.dataset||{},n=cut(d.name),a=cut(d.url);"
               "return {className:String(e.getAttribute('class')||''),innerText:cut(e.innerText)[0],"
               "index:d.index==null?'':String(d.index),name:n[0],nameLength:n[1],address:a[0],addressLength:a[1]};})()")
        .arg(x)
        .arg(y);
}

std::optional<int> Locate(const TGameList& list, const QString& text, const std::optional<LeftViewEntry>& entry)
{
    if (!entry)
        return list.FindValue(TGameList::Name, text);
    if (entry->index >= list.Count())
        return std::nullopt;
    if (!Matches(list.Value(entry->index, TGameList::Name), entry->name, entry->nameLength)
        || !Matches(list.Value(entry->index, TGameList::Address), entry->address, entry->addressLength))
        return std::nullopt;
    return entry->index;
}
