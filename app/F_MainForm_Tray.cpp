// The tray icon: a left click hides or shows the window, a right click pops
// the tray menu; closing the window removes the icon and ends the program.
#include "F_MainForm.h"
#include "browser/CaptionRules.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

void TMainForm::AddTrayIcon()
{
    TrayIcon = new QSystemTrayIcon(windowIcon(), this);
    // The tip holds at most 63 bytes, cut between characters.
    TrayIcon->setToolTip(captions::CutToBytes(QApplication::applicationDisplayName(), 63));
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Every left-button release toggles, the second of a double click too.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            ToggleVisibility();
        } else if (reason == QSystemTrayIcon::Context) {
            // The menu comes with the button's release (the message filter
            // sees it), so that the release does not close it at once.
            trayMenuPending_ = true;
            QTimer::singleShot(500, this, &TMainForm::PopTrayMenu);
        }
    });
    connect(pm_tray, &QMenu::aboutToShow, this, &TMainForm::suitemppm_trayPopup);
    connect(Menu_Hide, &QAction::triggered, this, &TMainForm::Menu_HideClick);
    connect(Menu_Close, &QAction::triggered, this, &TMainForm::Menu_CloseClick);
    TrayIcon->show();
}

void TMainForm::PopTrayMenu()
{
    if (!trayMenuPending_)
        return;
    trayMenuPending_ = false;
    // Forward, but without taking the focus: that would close the menu.
    if (isVisible())
        raise();
    pm_tray->popup(QCursor::pos());
}

void TMainForm::ToggleVisibility()
{
    if (isVisible()) {
        hide();
        return;
    }
    // A minimised window counts as visible; showing it restores it.
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TMainForm::suitemppm_trayPopup() { Menu_Hide->setText(isVisible() ? QStringLiteral("隐藏") : QStringLiteral("显示")); }

void TMainForm::Menu_HideClick() { ToggleVisibility(); }

void TMainForm::Menu_CloseClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (TrayIcon)
        TrayIcon->hide();
    QWidget::closeEvent(event);
    emit FormClosed();
}
