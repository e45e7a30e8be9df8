// The left view's actions: a context menu with "删除" on list entries.
#include "app/F_MainForm.h"
#include "TGameList.h"
#include "browser/LocalGamePages.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

bool IsListKind(const QString& className)
{
    return className == QLatin1String("gamelocal") || className == QLatin1String("gamefavorites");
}

// A downloaded game's file name as a list holds it: a plain name inside
// Data/Flash, never a path to anywhere else.
bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

} // namespace

bool TMainForm::LeftViewMouse(QObject*, QEvent* event)
{
    const bool context = event->type() == QEvent::ContextMenu
                         || ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
                              || event->type() == QEvent::MouseButtonDblClick)
                             && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton);
    if (!context)
        return false;
    // The menu comes with the release; every right-button event is swallowed.
    if (event->type() != QEvent::MouseButtonRelease)
        return true;
    if (!wb_left->Document()->Loaded())
        return true;
    const QPoint screen = QCursor::pos();
    const QPoint client = wb_left->mapFromGlobal(screen);
    wb_left->Document()->elementFromPoint(client.x(), client.y(), [this, screen](const THTMLDocument::ElementInfo& hit) {
        if (!hit.found || !IsListKind(hit.className))
            return;
        LeftItemKind = hit.className;
        LeftItemName = hit.innerText;
        pm_left->popup(screen);
    });
    return true;
}

// The play path: a left-button release on a local entry plays its game and
// is kept from the page; any other release goes on to the page.
void TMainForm::LeftViewRequest(TEmbeddedWB*, const QVariantMap& request, QString& answer)
{
    if (request.value(QStringLiteral("what")).toString() != QLatin1String("leftButtonUp"))
        return;
    const QString className = request.value(QStringLiteral("className")).toString();
    if (!request.value(QStringLiteral("hit")).toBool() || className != QLatin1String("gamelocal"))
        return;
    answer = QStringLiteral("handled");
    LeftItemKind = className;
    LeftItemName = request.value(QStringLiteral("innerText")).toString();
    // Opened once the page has its answer, not inside its event.
    QTimer::singleShot(0, this, &TMainForm::PlayLocalGame);
}

void TMainForm::PlayLocalGame()
{
    TGameList list(ListFile(QStringLiteral("gamelocal")));
    std::optional<QString> file;
    try {
        if (const std::optional<int> entry = list.FindValue(TGameList::Name, LeftItemName))
            file = list.Value(*entry, TGameList::Address);
    } catch (const EGameListField&) {
        return;
    }
    if (!file)
        return;
    const QUrl address = local_games::PlayerPage(QString::fromStdString((programFolder_ / "Data" / "Flash").string()), *file, LeftItemName);
    TWebPageEx* page = pager_web->OpenPage(address.toString(QUrl::FullyEncoded), true);
    page->SetCaption(LeftItemName);
    page->GameName = LeftItemName;
}

void TMainForm::menu_deleteClick()
{
    if (!IsListKind(LeftItemKind))
        return;
    TGameList list(ListFile(LeftItemKind));
    try {
        if (const std::optional<int> entry = list.FindValue(TGameList::Name, LeftItemName)) {
            if (LeftItemKind == QLatin1String("gamelocal")) {
                const std::optional<QString> file = list.Value(*entry, TGameList::Address);
                if (file && IsPlainFileName(*file))
                    QFile::remove(QDir(QString::fromStdString((programFolder_ / "Data" / "Flash").string())).filePath(*file));
            }
            list.Remove(*entry);
        }
    } catch (const EGameListField&) {
        return;
    }
    list.Save();
    RefreshLeftView(LeftItemKind);
}
