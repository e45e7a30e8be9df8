// The tray icon in a real tray host (trayer) on the test display, driven by
// real clicks from xdotool.
#include "RunningMainWindow.h"
#include "app/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <csignal>
#include <sys/prctl.h>

using testing_support::VisibleMenu;
using testing_support::WaitFor;
using testing_support::Xdotool;

namespace {

class Tray : public testing_support::RunningMainWindow {
protected:
    void SetUp() override
    {
        host_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        host_.start("trayer", {"--edge", "top", "--align", "left", "--widthtype", "request", "--height", "32",
                               "--SetDockType", "false", "--SetPartialStrut", "false"});
        ASSERT_TRUE(host_.waitForStarted());
        ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));
        Start();
        ASSERT_TRUE(WaitFor([&] { return form_->Tray->Icon()->geometry().isValid() && !form_->Tray->Icon()->geometry().isEmpty(); }));
    }
    void TearDown() override
    {
        RunningMainWindow::TearDown();
        host_.kill();
        host_.waitForFinished();
    }
    // Clicks at a point of the screen while the program goes on handling events.
    static void ClickAt(QPoint at, int button)
    {
        QProcess xdotool;
        xdotool.start("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                                  QString::number(button)});
        EXPECT_TRUE(WaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 10000));
    }
    void ClickIcon(int button) { ClickAt(form_->Tray->Icon()->geometry().center(), button); }
    static QStringList Shown(QMenu* menu)
    {
        QStringList items;
        for (QAction* action : menu->actions())
            if (action->isVisible())
                items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return items;
    }

    QProcess host_;
};

TEST_F(Tray, IconCarriesTheNameAndALeftClickHidesAndShowsTheWindow)
{
    EXPECT_TRUE(form_->Tray->Icon()->isVisible());
    EXPECT_EQ(form_->Tray->Icon()->toolTip().toStdString(), "zev子");
    ClickIcon(1);
    ASSERT_TRUE(WaitFor([&] { return !form_->isVisible(); }));
    ClickIcon(1);
    ASSERT_TRUE(WaitFor([&] { return form_->isVisible(); }));

    // A minimised window counts as visible; showing it again restores it.
    form_->showMinimized();
    ClickIcon(1);
    ASSERT_TRUE(WaitFor([&] { return !form_->isVisible(); }));
    ClickIcon(1);
    ASSERT_TRUE(WaitFor([&] { return form_->isVisible(); }));
    EXPECT_FALSE(form_->isMinimized());
}

TEST_F(Tray, RightClickMenuShowsHidesAndCloses)
{
    // Hidden by the boss key: the menu offers the way back.
    form_->BossKey();
    ClickIcon(3);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    EXPECT_EQ(Shown(menu).join(' ').toStdString(), "显示 - 关闭");
    ClickAt(menu->mapToGlobal(menu->actionGeometry(form_->Menu_Hide).center()), 1);
    ASSERT_TRUE(WaitFor([&] { return form_->isVisible(); }));

    QSignalSpy closed(form_.get(), &TMainForm::FormClosed);
    ClickIcon(3);
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    EXPECT_EQ(Shown(menu).join(' ').toStdString(), "隐藏 - 关闭");
    ClickAt(menu->mapToGlobal(menu->actionGeometry(form_->Menu_Close).center()), 1);
    ASSERT_TRUE(WaitFor([&] { return closed.count() == 1; }));
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(form_->Tray->Icon()->isVisible()) << "the icon is gone";
}

} // namespace
