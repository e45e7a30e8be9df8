// Tabs against pages that fight back: leave-page handlers, pop-up storms
// and page processes that die, with real input from xdotool.
#include "TestSupport.h"
#include "browser/BrowserProfile.h"
#include "browser/FlashPlayer.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "app/ApplicationExceptions.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QWebEngineScript>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using testing_support::SiteServer;
using testing_support::WaitFor;
using testing_support::Xdotool;

namespace {

QVariant RunIn(TWebPageEx* tab, const QString& code)
{
    QVariant answer;
    bool answered = false;
    tab->WebBrowser->page()->runJavaScript(code, QWebEngineScript::MainWorld, [&](const QVariant& value) {
        answer = value;
        answered = true;
    });
    EXPECT_TRUE(WaitFor([&] { return answered; }));
    return answer;
}

// A real click on the middle of the page's element with this id.
void ClickElement(TWebPageEx* tab, const QString& id)
{
    const QVariantList box = RunIn(tab, QStringLiteral("(function(){var r=document.getElementById('%1')"
                                                        ".getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                            .arg(id))
                                 .toList();
    ASSERT_EQ(box.size(), 2) << id.toStdString();
    const QPoint global = tab->WebBrowser->mapToGlobal(QPoint(int(box[0].toDouble()), int(box[1].toDouble())));
    Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "1"});
}

class HostilePages : public testing::Test {
protected:
    static void SetUpTestSuite() { flash::Install(BrowserProfile(), QStringLiteral(RUFFLE_DIR)); }

    void SetUp() override
    {
        ASSERT_NE(site_.Port(), 0) << "the site server did not start";
        pager_.resize(900, 600);
        pager_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pager_));
        QObject::connect(&pager_, &TWebPageControlEx::OnChange, [this] { ++changes_; });
        QObject::connect(ApplicationExceptions(), &TApplicationExceptions::OnException, &pager_,
                         [this](const QString& message) { logged_ << message; });
        // Any window of the engine's own (a dialog) is noted and closed.
        QObject::connect(&dialogWatch_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->isVisible() && widget != &pager_) {
                    dialogs_ << widget->metaObject()->className();
                    widget->close();
                }
        });
        dialogWatch_.start(20);
    }
    void TearDown() override { EXPECT_TRUE(dialogs_.isEmpty()) << dialogs_.join(' ').toStdString(); }

    // Navigates a tab and waits for that navigation's completion.
    static bool NavigateAndWait(TWebPageEx* tab, const std::function<void()>& navigate)
    {
        bool completed = false;
        auto connection = QObject::connect(tab->WebBrowser, &TEmbeddedWB::OnDocumentComplete, [&] { completed = true; });
        navigate();
        const bool done = WaitFor([&] { return completed && !tab->Busy; });
        QObject::disconnect(connection);
        return done;
    }
    static bool NavigateAndWait(TWebPageEx* tab, const QString& url)
    {
        return NavigateAndWait(tab, [&] { tab->WebBrowser->Navigate(url); });
    }
    TWebPageEx* Open(const QString& path)
    {
        TWebPageEx* tab = pager_.OpenPage(QString(), true);
        EXPECT_TRUE(NavigateAndWait(tab, site_.Url(path))) << path.toStdString();
        return tab;
    }

    static QLabel* CrashNotice(TWebPageEx* tab)
    {
        for (QLabel* label : tab->findChildren<QLabel*>())
            if (label->isVisible() && label->text().contains(QStringLiteral("页面已崩溃"))
                && tab->childAt(label->mapTo(tab, label->rect().center())) == label) // not hidden by the page
                return label;
        return nullptr;
    }

    SiteServer site_;
    TWebPageControlEx pager_;
    int changes_ = 0;
    QStringList logged_;
    QTimer dialogWatch_;
    QStringList dialogs_;
};

// Each way out of a page whose leave handler has been armed by a click.
struct WayOut {
    friend void PrintTo(const WayOut& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::function<void(TWebPageEx*, const SiteServer&)> leave;
    const char* arrivesAt; // the address's end once the tab has left, or null for a reload
};

class LeaveHandler : public HostilePages, public testing::WithParamInterface<WayOut> {};

TEST_P(LeaveHandler, NeverKeepsTheTabFromLeaving)
{
    TWebPageEx* tab = Open("/title30.html");
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/leave_guard.html")));
    ClickElement(tab, "pad");
    ASSERT_TRUE(WaitFor([&] { return RunIn(tab, "clicks").toInt() == 1; }));

    ASSERT_TRUE(NavigateAndWait(tab, [&] { GetParam().leave(tab, site_); })) << "the tab stayed where it was";
    if (GetParam().arrivesAt)
        EXPECT_TRUE(tab->WebBrowser->LocationURL().endsWith(GetParam().arrivesAt)) << tab->WebBrowser->LocationURL().toStdString();
    else
        EXPECT_EQ(RunIn(tab, "clicks").toInt(), 0) << "the page was loaded anew";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveHandler,
    testing::Values(WayOut{"navigate", [](TWebPageEx* t, const SiteServer& s) { t->WebBrowser->Navigate(s.Url("/no_game.html")); },
                           "/no_game.html"},
                    WayOut{"refresh", [](TWebPageEx* t, const SiteServer&) { t->WebBrowser->Refresh(); }, nullptr},
                    WayOut{"back", [](TWebPageEx* t, const SiteServer&) { t->WebBrowser->GoBack(); }, "/title30.html"},
                    WayOut{"own_link", [](TWebPageEx* t, const SiteServer&) { ClickElement(t, "away"); }, "/title31.html"}),
    [](const testing::TestParamInfo<WayOut>& info) { return info.param.name; });

TEST_F(HostilePages, LeaveHandlerNeverKeepsItsTabOpen)
{
    Open("/title30.html");
    QPointer<TWebPageEx> tab = Open("/leave_guard.html");
    ClickElement(tab, "pad");
    ASSERT_TRUE(WaitFor([&] { return RunIn(tab, "clicks").toInt() == 1; }));
    QTest::mouseClick(pager_.tabBar()->tabButton(1, QTabBar::RightSide), Qt::LeftButton);
    EXPECT_EQ(pager_.PageCount(), 1);
    EXPECT_TRUE(WaitFor([&] { return tab.isNull(); }));
}

TEST_F(HostilePages, WindowsOpenedWithoutAClickAreBoundedButClicksStillOpenTabs)
{
    // Each opened page tries to open another of its own on load: a chain.
    TWebPageEx* storm = Open("/popup_storm.html");
    ASSERT_TRUE(WaitFor([&] { return storm->WebBrowser->title() == "stormed"; }));
    ASSERT_TRUE(WaitFor([&] { return pager_.PageCount() >= 2; }));
    ASSERT_TRUE(WaitFor([&] { return pager_.Page(1)->WebBrowser->title() == "chained"; }));
    EXPECT_FALSE(WaitFor([&] { return pager_.PageCount() > 1 + TEmbeddedWB::kUnrequestedWindowLimit; }, 2000))
        << pager_.PageCount() << " tabs";

    // The user's click opens its window as a new active tab.
    const int before = pager_.PageCount();
    pager_.setCurrentWidget(storm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(storm->WebBrowser));
    ClickElement(storm, "open");
    ASSERT_TRUE(WaitFor([&] { return pager_.PageCount() == before + 1; }));
    TWebPageEx* opened = pager_.Page(before);
    EXPECT_EQ(pager_.ActivePage(), opened);
    EXPECT_TRUE(WaitFor([&] { return opened->WebBrowser->LocationURL().endsWith("/title31.html"); }));
}

TEST_F(HostilePages, CrashedTabSaysSoAndReloadsOnRequest)
{
    TWebPageEx* tab = Open("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; })) << "the page's facts are read after its completion";
    const qint64 pid = tab->WebBrowser->page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    const int before = changes_;
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);

    ASSERT_TRUE(WaitFor([&] { return CrashNotice(tab) != nullptr; })) << "the tab says that its page crashed";
    EXPECT_FALSE(tab->DownloadReady);
    EXPECT_TRUE(tab->GameFileURL.isEmpty());
    EXPECT_FALSE(tab->Busy);
    EXPECT_GT(changes_, before) << "the active tab's new state is announced";
    ASSERT_EQ(logged_.size(), 1) << logged_.join('\n').toStdString();
    EXPECT_TRUE(logged_[0].contains(site_.Url("/game.html"))) << logged_[0].toStdString();

    QPushButton* reload = nullptr;
    for (QPushButton* button : tab->findChildren<QPushButton*>())
        if (button->isVisible() && button->text() == QStringLiteral("重新加载"))
            reload = button;
    ASSERT_NE(reload, nullptr);
    QTest::mouseClick(reload, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return tab->DownloadReady && !tab->Busy; }));
    EXPECT_EQ(CrashNotice(tab), nullptr);
    EXPECT_TRUE(tab->WebBrowser->isVisible());
    EXPECT_NE(tab->WebBrowser->page()->renderProcessPid(), pid);
    EXPECT_EQ(logged_.size(), 1);
}

} // namespace
