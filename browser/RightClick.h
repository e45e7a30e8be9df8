#pragma once
// What counts as a right click: any press, release or double click of the
// right button, and any context menu request (the keyboard's too).
#include <QEvent>

bool IsRightClick(QEvent::Type type, Qt::MouseButton button);
// The same for an event as it arrives.
bool IsRightClick(const QEvent* event);
