#include "TrayIcon.h"
#include "browser/CaptionRules.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

TTrayIcon::TTrayIcon(QWidget* window, QMenu* menu, QAction* hideAction, QAction* closeAction, QObject* parent)
    : QObject(parent), window_(window), menu_(menu), hideAction_(hideAction),
      icon_(new QSystemTrayIcon(window->windowIcon(), this))
{
    // The tip holds at most 63 bytes, cut between characters.
    icon_->setToolTip(captions::CutToBytes(QApplication::applicationDisplayName(), 63));
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Every left-button release toggles, the second of a double click too.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            ToggleWindow();
        } else if (reason == QSystemTrayIcon::Context) {
            menuPending_ = true;
            QTimer::singleShot(500, this, &TTrayIcon::PopMenu);
        }
    });
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        hideAction_->setText(window_->isVisible() ? QStringLiteral("隐藏") : QStringLiteral("显示"));
    });
    connect(hideAction_, &QAction::triggered, this, &TTrayIcon::ToggleWindow);
    connect(closeAction, &QAction::triggered, window_, &QWidget::close);
}

void TTrayIcon::Show() { icon_->show(); }
void TTrayIcon::Hide() { icon_->hide(); }

void TTrayIcon::RightButtonReleased()
{
    if (menuPending_)
        QTimer::singleShot(0, this, &TTrayIcon::PopMenu);
}

void TTrayIcon::PopMenu()
{
    if (!menuPending_)
        return;
    menuPending_ = false;
    // Forward, but without taking the focus: that would close the menu.
    if (window_->isVisible())
        window_->raise();
    menu_->popup(QCursor::pos());
}

void TTrayIcon::ToggleWindow()
{
    if (window_->isVisible()) {
        window_->hide();
        return;
    }
    // A minimised window counts as visible; showing it restores it.
    if (window_->isMinimized())
        window_->showNormal();
    else
        window_->show();
    window_->raise();
    window_->activateWindow();
}
