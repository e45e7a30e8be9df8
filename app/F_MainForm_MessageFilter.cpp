// The application's message filter: the boss key, the left view's mouse,
// no right clicks anywhere else, and the strip at the window's left edge.
#include "F_MainForm.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace {

bool IsRightClick(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TMainForm::appEventsMessage(QObject* watched, QEvent* event)
{
    // 1. Boss key: B released while Ctrl is down. A key event reaches its
    // window first and then each widget on its way; look at it once.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched->isWindowType()) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Control)
            ctrlDown_ = event->type() == QEvent::KeyPress;
        if (event->type() == QEvent::KeyRelease && key->key() == Qt::Key_B && !key->isAutoRepeat()
            && (ctrlDown_ || (key->modifiers() & Qt::ControlModifier))) {
            BossKey();
            return true;
        }
    }
    if (event->type() == QEvent::ApplicationDeactivate)
        ctrlDown_ = false;

    // 5. The active tab's reload key, while that tab has the keyboard. The
    // engine itself has no shortcut for the kept-back keys (no back from
    // Backspace or Alt+Left, no find, print, open or new window), and the
    // page receives every key.
    if (event->type() == QEvent::KeyPress && watched->isWindowType() && pager_web
        && static_cast<const QKeyEvent*>(event)->key() == Qt::Key_F5
        && static_cast<const QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        TWebPageEx* page = pager_web->ActivePage();
        QWidget* focus = QApplication::focusWidget();
        if (page && isActiveWindow() && !page->WebBrowser->Busy() && focus
            && (focus == page->WebBrowser || page->WebBrowser->isAncestorOf(focus)))
            page->WebBrowser->Refresh();
    }
    if (trayMenuPending_ && event->type() == QEvent::MouseButtonRelease
        && static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton)
        QTimer::singleShot(0, this, &TMainForm::PopTrayMenu);

    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;

    // 2. The left view handles its own right clicks and menu keys.
    if (wb_left && (widget == wb_left || wb_left->isAncestorOf(widget)))
        return LeftViewInput(watched, event);

    // 3. No right click and no context menu anywhere else.
    if (IsRightClick(event))
        return true;

    // 4. While the left bar is hidden, the strip shows at the left edge.
    if (event->type() == QEvent::MouseMove && pnl_left && pnl_left->isHidden()) {
        const bool atEdge = mapFromGlobal(QCursor::pos()).x() < 5;
        if (pnl_toggle->isHidden() == atEdge) {
            pnl_toggle->setVisible(atEdge);
            LayoutBrowsers();
        }
    }
    return false;
}
