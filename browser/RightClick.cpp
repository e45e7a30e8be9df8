#include "RightClick.h"

#include <QMouseEvent>

bool IsRightClick(QEvent::Type type, Qt::MouseButton button)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return button == Qt::RightButton;
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

bool IsRightClick(const QEvent* event)
{
    const bool mouse = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
                       || event->type() == QEvent::MouseButtonDblClick;
    return IsRightClick(event->type(), mouse ? static_cast<const QMouseEvent*>(event)->button() : Qt::NoButton);
}
