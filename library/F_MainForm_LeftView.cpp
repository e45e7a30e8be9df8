// The left view's actions: a context menu with "删除" on list entries.
#include "app/F_MainForm.h"
#include "TGameList.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>

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
