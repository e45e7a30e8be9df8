// The left view's actions: a context menu with "删除" on list entries, from
// a right click or the menu key on the focused entry, and
// playing a local game with a left click.
#include "app/F_MainForm.h"
#include "LeftViewEntry.h"
#include "TGameList.h"
#include "browser/CaptionRules.h"
#include "browser/LocalGamePages.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

bool IsListKind(const QString& className)
{
    return className == QLatin1String("gamelocal") || className == QLatin1String("gamefavorites");
}

// A downloaded game's file as a list holds it: a plain name inside
// Data/Flash, never a path to anywhere else, and never one of the local
// player's own pages and scripts that ship beside the games.
bool IsGameFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')))
        return false;
    static const QStringList playerSuffixes = {QStringLiteral(".htm"), QStringLiteral(".html"), QStringLiteral(".js"),
                                               QStringLiteral(".mjs"), QStringLiteral(".css"), QStringLiteral(".wasm")};
    for (const QString& suffix : playerSuffixes)
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            return false;
    return true;
}

} // namespace

bool TMainForm::LeftViewInput(QObject*, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool menuKey = key->key() == Qt::Key_Menu
                             || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        if (!menuKey)
            return false;
        if (!key->isAutoRepeat())
            PopLeftMenuAt(LeftViewFocusScript(), std::nullopt);
        return true;
    }
    const bool context = event->type() == QEvent::ContextMenu
                         || ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
                              || event->type() == QEvent::MouseButtonDblClick)
                             && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton);
    if (!context)
        return false;
    // The menu comes with the release; every right-button event is swallowed.
    if (event->type() != QEvent::MouseButtonRelease)
        return true;
    const QPoint screen = QCursor::pos();
    const QPoint client = wb_left->mapFromGlobal(screen);
    PopLeftMenuAt(LeftViewHitScript(client.x(), client.y()), screen);
    return true;
}

// Asks the page what `script` points at and, for a list entry, shows the
// menu at `screen`, or below the entry when no point is given.
void TMainForm::PopLeftMenuAt(const QString& script, std::optional<QPoint> screen)
{
    if (!wb_left->Document()->Loaded())
        return;
    wb_left->Document()->execScript(script, [this, screen](const QVariant& answer) {
        const QVariantMap facts = answer.toMap();
        if (facts.isEmpty())
            return;
        const LeftViewHit hit = LeftViewHit::FromPage(facts);
        if (!IsListKind(hit.kind))
            return;
        LeftItemKind = hit.kind;
        LeftItemName = hit.entry ? hit.entry->name : hit.text;
        LeftItemEntry = hit.entry;
        const QPoint below(facts.value(QStringLiteral("x")).toInt(), facts.value(QStringLiteral("y")).toInt());
        pm_left->popup(screen.value_or(wb_left->mapToGlobal(below)));
    });
}

// The play path: a left-button release on a local entry plays its game and
// is kept from the page; any other release goes on to the page.
void TMainForm::LeftViewRequest(TEmbeddedWB*, const QVariantMap& request, QString& answer)
{
    if (request.value(QStringLiteral("what")).toString() != QLatin1String("leftButtonUp"))
        return;
    const LeftViewHit hit = LeftViewHit::FromPage(request);
    if (!request.value(QStringLiteral("hit")).toBool() || hit.kind != QLatin1String("gamelocal"))
        return;
    answer = QStringLiteral("handled");
    LeftItemKind = hit.kind;
    LeftItemName = hit.entry ? hit.entry->name : hit.text;
    LeftItemEntry = hit.entry;
    // Opened once the page has its answer, not inside its event.
    QTimer::singleShot(0, this, &TMainForm::PlayLocalGame);
}

void TMainForm::PlayLocalGame()
{
    TGameList list(ListFile(QStringLiteral("gamelocal")));
    QString name;
    std::optional<QString> file;
    try {
        if (const std::optional<int> entry = Locate(list, LeftItemName, LeftItemEntry)) {
            name = list.Value(*entry, TGameList::Name).value_or(QString());
            file = list.Value(*entry, TGameList::Address);
        }
    } catch (const EGameListField&) {
        return;
    }
    if (!file)
        return;
    const QUrl address = local_games::PlayerPage(QString::fromStdString((programFolder_ / "Data" / "Flash").string()), *file, name);
    TWebPageEx* page = pager_web->OpenPage(address.toString(QUrl::FullyEncoded), true);
    page->SetCaption(captions::FromGameName(name));
    page->GameName = name;
}

void TMainForm::menu_deleteClick()
{
    if (!IsListKind(LeftItemKind))
        return;
    TGameList list(ListFile(LeftItemKind));
    std::optional<QString> file;
    try {
        const std::optional<int> entry = Locate(list, LeftItemName, LeftItemEntry);
        if (!entry) {
            // The list has changed since it was drawn: show it as it is now.
            RefreshLeftView(LeftItemKind);
            return;
        }
        if (LeftItemKind == QLatin1String("gamelocal"))
            file = list.Value(*entry, TGameList::Address);
        list.Remove(*entry);
    } catch (const EGameListField&) {
        return;
    }
    // The game's file goes only once the list no longer names it.
    if (!list.Save()) {
        ShowMessage(QStringLiteral("删除失败：无法保存游戏列表。"));
        return;
    }
    if (file && IsGameFileName(*file))
        QFile::remove(QDir(QString::fromStdString((programFolder_ / "Data" / "Flash").string())).filePath(*file));
    RefreshLeftView(LeftItemKind);
}
