#pragma once
// Sees every input event of the application before its widget does: the
// boss key, the active tab's reload key, the left view's own input, no
// right clicks anywhere else in the window, and where the pointer is.
#include "BossKey.h"

#include <QObject>
#include <QPoint>
#include <functional>

class QWidget;
class TWebPageControlEx;

class TMessageFilter : public QObject {
    Q_OBJECT
public:
    // Takes an event of the left view; true when it goes no further.
    using ViewInput = std::function<bool(QObject* watched, QEvent* event)>;

    TMessageFilter(QWidget* window, TWebPageControlEx* pager, QWidget* leftView, ViewInput leftViewInput,
                   QObject* parent = nullptr);

    // True when the event goes no further.
    bool Filter(QObject* watched, QEvent* event);

signals:
    void BossKeyPressed();
    // The right button came up, anywhere.
    void RightButtonReleased();
    // The pointer moved over the window; atLeftEdge while it is within the
    // window's five leftmost pixels.
    void PointerMoved(bool atLeftEdge);

private:
    QWidget* window_;
    TWebPageControlEx* pager_;
    QWidget* leftView_;
    ViewInput leftViewInput_;
    TBossKey bossKey_;
};
