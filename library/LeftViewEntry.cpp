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

namespace {

// The facts of the element `element` names, as the left click reports them
// (resources/scripts/left_view.js), with where it is drawn.
QString LeftViewFactsScript(const QString& element)
{
    return QStringLiteral(
               "(function(){var e=%1;if(!e||e===document.body)return null;"
               "var cut=function(v){v=v==null?'':String(v);return [v.slice(0,4096),v.length];};"
               "var d=e.dataset||{},n=cut(d.name),a=cut(d.url),r=e.getBoundingClientRect();"
               "return {className:String(e.getAttribute('class')||''),innerText:cut(e.innerText)[0],"
               "index:d.index==null?'':String(d.index),name:n[0],nameLength:n[1],address:a[0],addressLength:a[1],"
               "x:Math.round(r.left),y:Math.round(r.bottom)};})()")
        .arg(element);
}

} // namespace

QString LeftViewHitScript(int x, int y)
{
    return LeftViewFactsScript(QStringLiteral("document.elementFromPoint(%1,%2)").arg(x).arg(y));
}

QString LeftViewFocusScript()
{
    return LeftViewFactsScript(QStringLiteral("document.activeElement"));
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

std::optional<platform::ListKind> ListOfHit(const LeftViewHit& hit) { return platform::TProgramFiles::ListKindOf(hit.kind); }

bool PlaysOnRelease(const QVariantMap& request)
{
    return request.value(QStringLiteral("what")).toString() == QLatin1String("leftButtonUp")
           && request.value(QStringLiteral("hit")).toBool()
           && ListOfHit(LeftViewHit::FromPage(request)) == platform::ListKind::Local;
}
