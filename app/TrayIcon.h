#pragma once
// The tray icon and its menu: the way back to a hidden window. A left click
// hides or shows the window; a right click pops the menu when the button
// comes up, so that the release does not close it at once.
#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // menu holds hideAction (its text follows the window) and closeAction.
    TTrayIcon(QWidget* window, QMenu* menu, QAction* hideAction, QAction* closeAction, QObject* parent = nullptr);

    QSystemTrayIcon* Icon() const { return icon_; }
    void Show();
    void Hide();
    // Hides a shown window; shows, restores and raises a hidden one.
    void ToggleWindow();
    // A right-button release anywhere: the menu asked for waits for it.
    void RightButtonReleased();
    void PopMenu();

private:
    QWidget* window_;
    QMenu* menu_;
    QAction* hideAction_;
    QSystemTrayIcon* icon_;
    bool menuPending_ = false;
};
