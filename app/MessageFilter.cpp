#include "MessageFilter.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/RightClick.h"
#include "browser/TEmbeddedWB.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

TMessageFilter::TMessageFilter(QWidget* window, TWebPageControlEx* pager, QWidget* leftView, ViewInput leftViewInput,
                               QObject* parent)
    : QObject(parent), window_(window), pager_(pager), leftView_(leftView), leftViewInput_(std::move(leftViewInput))
{
}

bool TMessageFilter::Filter(QObject* watched, QEvent* event)
{
    // A key event reaches its window first and then each widget on its
    // way; look at it once.
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (key && watched->isWindowType()) {
        const auto* keyEvent = static_cast<const QKeyEvent*>(event);
        if (bossKey_.Key(event->type() == QEvent::KeyPress, keyEvent->key(), keyEvent->modifiers(), keyEvent->isAutoRepeat())) {
            emit BossKeyPressed();
            return true;
        }
        // The active tab's reload key, while that tab has the keyboard. The
        // engine itself has no shortcut for the kept-back keys (no back from
        // Backspace or Alt+Left, no find, print, open or new window), and the
        // page receives every key.
        if (event->type() == QEvent::KeyPress && keyEvent->key() == Qt::Key_F5 && keyEvent->modifiers() == Qt::NoModifier) {
            TWebPageEx* page = pager_->ActivePage();
            QWidget* focus = QApplication::focusWidget();
            if (page && window_->isActiveWindow() && !page->WebBrowser->Busy() && focus
                && (focus == page->WebBrowser || page->WebBrowser->isAncestorOf(focus)))
                page->WebBrowser->Refresh();
        }
    }
    if (event->type() == QEvent::ApplicationDeactivate)
        bossKey_.FocusLost();
    if (event->type() == QEvent::MouseButtonRelease && static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton)
        emit RightButtonReleased();

    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    if (widget == leftView_ || leftView_->isAncestorOf(widget))
        return leftViewInput_(watched, event);
    if (IsRightClick(event))
        return true;
    if (event->type() == QEvent::MouseMove)
        emit PointerMoved(window_->mapFromGlobal(QCursor::pos()).x() < 5);
    return false;
}
