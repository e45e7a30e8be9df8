// The window's message filter and tray icon on a plain window of their own,
// without the main window: what each event makes them do.
#include "TestSupport.h"
#include "app/MessageFilter.h"
#include "app/TrayIcon.h"
#include "browser/O_WebPageControlEx.h"

#include <QAction>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

using testing_support::WaitFor;

namespace {

class WindowParts : public testing::Test {
protected:
    void SetUp() override
    {
        window_.resize(600, 400);
        left_ = new QWidget(&window_);
        left_->setGeometry(0, 0, 150, 400);
        leftChild_ = new QWidget(left_);
        pager_ = new TWebPageControlEx(&window_);
        pager_->setGeometry(150, 0, 450, 400);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    static QMouseEvent Mouse(QEvent::Type type, Qt::MouseButton button)
    {
        return QMouseEvent(type, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
    }

    QWidget window_;
    QWidget other_;
    QWidget* left_ = nullptr;
    QWidget* leftChild_ = nullptr;
    TWebPageControlEx* pager_ = nullptr;
};

TEST_F(WindowParts, FilterSendsTheLeftViewItsOwnInputAndSwallowsRightClicksElsewhere)
{
    QList<QObject*> toLeftView;
    bool leftViewAnswer = false;
    TMessageFilter filter(&window_, pager_, left_, [&](QObject* watched, QEvent*) {
        toLeftView << watched;
        return leftViewAnswer;
    });
    QSignalSpy released(&filter, &TMessageFilter::RightButtonReleased);

    QMouseEvent rightUp = Mouse(QEvent::MouseButtonRelease, Qt::RightButton);
    QMouseEvent leftUp = Mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(filter.Filter(pager_, &rightUp)) << "no right click in the rest of the window";
    EXPECT_FALSE(filter.Filter(pager_, &leftUp));
    EXPECT_FALSE(filter.Filter(&other_, &rightUp)) << "another window's events go on";
    EXPECT_TRUE(toLeftView.isEmpty());

    EXPECT_FALSE(filter.Filter(leftChild_, &rightUp)) << "the left view decides for itself";
    leftViewAnswer = true;
    EXPECT_TRUE(filter.Filter(left_, &leftUp));
    EXPECT_EQ(toLeftView, (QList<QObject*>{leftChild_, left_}));
    EXPECT_EQ(released.count(), 3) << "every right-button release is told, wherever it happens";
}

TEST_F(WindowParts, FilterTellsTheBossKeyOnceAndSwallowsIt)
{
    TMessageFilter filter(&window_, pager_, left_, [](QObject*, QEvent*) { return false; });
    QSignalSpy boss(&filter, &TMessageFilter::BossKeyPressed);
    QWindow* window = window_.windowHandle();
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QKeyEvent bDown(QEvent::KeyPress, Qt::Key_B, Qt::ControlModifier);
    QKeyEvent bUp(QEvent::KeyRelease, Qt::Key_B, Qt::ControlModifier);
    EXPECT_FALSE(filter.Filter(window, &ctrl));
    EXPECT_FALSE(filter.Filter(window, &bDown));
    EXPECT_FALSE(filter.Filter(left_, &bUp)) << "a key is looked at on its window only";
    EXPECT_EQ(boss.count(), 0);
    EXPECT_TRUE(filter.Filter(window, &bUp));
    EXPECT_EQ(boss.count(), 1);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    filter.Filter(qApp, &deactivate);
    QKeyEvent plainUp(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier);
    EXPECT_FALSE(filter.Filter(window, &plainUp)) << "a Ctrl held before the keyboard left is forgotten";
    EXPECT_EQ(boss.count(), 1);
}

TEST_F(WindowParts, FilterTellsWhetherThePointerIsAtTheLeftEdge)
{
    TMessageFilter filter(&window_, pager_, left_, [](QObject*, QEvent*) { return false; });
    QSignalSpy moved(&filter, &TMessageFilter::PointerMoved);
    QMouseEvent move = Mouse(QEvent::MouseMove, Qt::NoButton);
    for (const int x : {4, 5, 0}) {
        QCursor::setPos(window_.mapToGlobal(QPoint(x, 200)));
        ASSERT_TRUE(WaitFor([&] { return window_.mapFromGlobal(QCursor::pos()).x() == x; }));
        EXPECT_FALSE(filter.Filter(pager_, &move));
    }
    ASSERT_EQ(moved.count(), 3);
    EXPECT_EQ(moved[0][0].toBool(), true);
    EXPECT_EQ(moved[1][0].toBool(), false);
    EXPECT_EQ(moved[2][0].toBool(), true);
}

TEST_F(WindowParts, TrayTogglesTheWindowAndNamesTheMenuAfterIt)
{
    QMenu menu;
    QAction hide(QStringLiteral("隐藏")), close(QStringLiteral("关闭"));
    menu.addActions({&hide, &close});
    TTrayIcon tray(&window_, &menu, &hide, &close);
    tray.Show();
    EXPECT_TRUE(tray.Icon()->isVisible());

    tray.ToggleWindow();
    EXPECT_FALSE(window_.isVisible());
    emit menu.aboutToShow();
    EXPECT_EQ(hide.text().toStdString(), "显示");
    hide.trigger();
    EXPECT_TRUE(window_.isVisible());
    emit menu.aboutToShow();
    EXPECT_EQ(hide.text().toStdString(), "隐藏");

    window_.showMinimized();
    ASSERT_TRUE(WaitFor([&] { return window_.isMinimized(); }));
    tray.ToggleWindow();
    EXPECT_FALSE(window_.isVisible()) << "a minimised window counts as shown";
    tray.ToggleWindow();
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(WaitFor([&] { return !window_.isMinimized(); })) << "and comes back restored";

    // A right-button release pops only a menu that was asked for.
    tray.RightButtonReleased();
    EXPECT_FALSE(WaitFor([&] { return menu.isVisible(); }, 300));

    close.trigger();
    EXPECT_FALSE(window_.isVisible());
}

} // namespace
