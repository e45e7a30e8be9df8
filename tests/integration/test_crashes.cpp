// Page processes of the running main window killed as a crash would end
// them: the program's own pages come back, a game tab says so, the toolbar
// tells the truth, and every crash is logged.
#include "RunningMainWindow.h"
#include "browser/CrashReloadPolicy.h"

#include <QLabel>
#include <QSet>
#include <gtest/gtest.h>

#include <csignal>

using testing_support::WaitFor;

namespace {

class Crashes : public testing_support::RunningMainWindow {
protected:
    static qint64 Pid(TEmbeddedWB* view) { return view->page()->renderProcessPid(); }
    // Kills the processes of these views, each once.
    static void Kill(std::initializer_list<TEmbeddedWB*> views)
    {
        QSet<qint64> pids;
        for (TEmbeddedWB* view : views)
            if (Pid(view) > 0)
                pids.insert(Pid(view));
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGKILL);
    }
    static bool ShowsCrashNotice(QWidget* view)
    {
        for (QLabel* label : view->findChildren<QLabel*>())
            if (label->isVisible() && label->text().contains(QStringLiteral("页面已崩溃"))
                && view->childAt(label->mapTo(view, label->rect().center())) == label) // not hidden by the page
                return true;
        return false;
    }
    QString Display(const QString& id)
    {
        return RunInTop(QStringLiteral("(function(){var e=document.getElementById('%1');return e?e.style.display:'missing';})()").arg(id))
            .toString();
    }
    int LoggedLines() const { return int(folder_.Read("Data/Log.dat").count("\r\n")); }
    bool OwnPagesLoaded() const
    {
        return form_->wb_top->ReadyState() == 4 && form_->wb_left->ReadyState() == 4
               && form_->wb_top->Document()->AdvisedSinks() == 1;
    }
};

TEST_F(Crashes, OwnPagesLoadAgainByThemselves)
{
    folder_.Write("Data/gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                                        "<item><txt>游戏一</txt><url><![CDATA[20260101000001.swf]]></url></item></list>");
    Start();
    ASSERT_TRUE(NavigateAndWait(Home(), site_.Url("/counter.html")));
    ASSERT_TRUE(WaitFor([&] { return Display("Back_active").isEmpty(); }));
    const qint64 top = Pid(form_->wb_top), left = Pid(form_->wb_left);
    ASSERT_GT(top, 0);
    ASSERT_GT(left, 0);
    Kill({form_->wb_top, form_->wb_left});
    ASSERT_TRUE(WaitFor([&] { return Pid(form_->wb_top) > 0 && Pid(form_->wb_top) != top && Pid(form_->wb_left) > 0
                                     && Pid(form_->wb_left) != left && OwnPagesLoaded(); }))
        << "the toolbar and the left view are back";
    EXPECT_FALSE(ShowsCrashNotice(form_->wb_top));
    EXPECT_FALSE(ShowsCrashNotice(form_->wb_left));
    EXPECT_EQ(LoggedLines(), 2) << folder_.Read("Data/Log.dat").toStdString();
    EXPECT_TRUE(folder_.Read("Data/Log.dat").contains("top.html"));
    EXPECT_TRUE(folder_.Read("Data/Log.dat").contains("left.html"));
    EXPECT_TRUE(WaitFor([&] { return Display("Back_active").isEmpty() && Display("Back_inactive") == "none"; }))
        << "the toolbar shows the active tab's state again";

    // The toolbar works again, under a real mouse.
    const QVariantList box = RunInTop("(function(){var r=document.getElementById('ShowLeftView').getBoundingClientRect();"
                                      "return [r.left+r.width/2,r.top+r.height/2];})()")
                                 .toList();
    ASSERT_EQ(box.size(), 2);
    const QPoint at = form_->wb_top->mapToGlobal(QPoint(int(box[0].toDouble()), int(box[1].toDouble())));
    testing_support::Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    EXPECT_TRUE(WaitFor([&] { return form_->pnl_left->isHidden(); }));
    EXPECT_TRUE(WaitFor([&] { return Display("Open_leftBar").isEmpty() && Display("Retract_leftBar") == "none"; }));

    // So does the left view: a click on a local game plays it.
    Click("ShowLeftView");
    ASSERT_TRUE(WaitFor([&] { return !form_->pnl_left->isHidden(); }));
    const QVariantList entry = RunIn(form_->wb_left, "(function(){var e=document.querySelector('.gamelocal');if(!e)return [];"
                                                     "var r=e.getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                   .toList();
    ASSERT_EQ(entry.size(), 2);
    const QPoint game = form_->wb_left->mapToGlobal(QPoint(int(entry[0].toDouble()), int(entry[1].toDouble())));
    testing_support::Xdotool({"mousemove", QString::number(game.x()), QString::number(game.y()), "click", "1"});
    EXPECT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
}

TEST_F(Crashes, OwnPageThatCrashesOnEveryLoadStopsLoading)
{
    Start();
    int loads = 0;
    QObject::connect(form_->wb_top->page(), &QWebEnginePage::loadStarted, [&] { ++loads; });
    // The toolbar's process is killed whenever it has a new one.
    qint64 last = 0;
    auto killNew = [&] {
        const qint64 pid = Pid(form_->wb_top);
        if (pid > 0 && pid != last) {
            last = pid;
            Kill({form_->wb_top, form_->wb_left});
        }
    };
    ASSERT_TRUE(WaitFor([&] { killNew(); return ShowsCrashNotice(form_->wb_top); }, 60000)) << loads << " loads";
    EXPECT_GE(loads, 1) << "it was loaded again";
    EXPECT_LE(loads, CrashReloadPolicy::kCrashLimit);
    const int settled = loads;
    EXPECT_FALSE(WaitFor([&] { killNew(); return loads != settled || !ShowsCrashNotice(form_->wb_top); }, 3000))
        << "it waits for the user";
    EXPECT_GE(LoggedLines(), settled + 1);
}

TEST_F(Crashes, CrashedGameTabOffersNoDownloadAndReloadsFromTheToolbar)
{
    Start();
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/game.html")));
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; })) << "the page's facts are read after its completion";
    ASSERT_TRUE(WaitFor([&] { return Display("Down_active").isEmpty() && Display("Down_inactive") == "none"; }));

    Kill({tab->WebBrowser});
    ASSERT_TRUE(WaitFor([&] { return ShowsCrashNotice(tab); }));
    EXPECT_TRUE(WaitFor([&] { return Display("Down_active") == "none" && Display("Down_inactive").isEmpty(); }));
    EXPECT_EQ(Display("Stop_active"), "none");
    ASSERT_TRUE(WaitFor([&] { return LoggedLines() == 1; }));
    EXPECT_TRUE(folder_.Read("Data/Log.dat").contains(site_.Url("/game.html").toUtf8()));
    EXPECT_TRUE(OwnPagesLoaded()) << "the program's own pages live in a process of their own";

    Click("Refresh");
    EXPECT_TRUE(WaitFor([&] { return tab->DownloadReady && !tab->Busy && !ShowsCrashNotice(tab); }));
    EXPECT_TRUE(WaitFor([&] { return Display("Down_active").isEmpty(); }));
}

// A tab another page opened: its page comes back after a crash as any
// other tab's does.
struct OpenedTab {
    friend void PrintTo(const OpenedTab& c, std::ostream* out) { *out << c.name; }
    const char* name;
    bool fromLeftView; // a favourite clicked in the left view, or a link of the site
    const char* title;
};

class CrashedOpenedTab : public Crashes, public testing::WithParamInterface<OpenedTab> {};

TEST_P(CrashedOpenedTab, ReloadsItsPage)
{
    const OpenedTab& c = GetParam();
    folder_.Write("Data/gamefavorites.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list><item><txt>收藏一</txt><url><![CDATA["
                                                + site_.Url("/game.html").toUtf8() + "]]></url></item></list>");
    Start();
    TEmbeddedWB* opener = form_->wb_left;
    QString selector = QStringLiteral(".gamefavorites");
    if (!c.fromLeftView) {
        ASSERT_TRUE(NavigateAndWait(Home(), site_.Url("/new_window.html")));
        opener = Home()->WebBrowser;
        selector = QStringLiteral("#open");
    }
    QVariantList box;
    ASSERT_TRUE(WaitFor([&] {
        box = RunIn(opener, QStringLiteral("(function(){var e=document.querySelector('%1');if(!e)return [];"
                                           "var r=e.getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                .arg(selector))
                  .toList();
        return box.size() == 2;
    }));
    QTest::mouseClick(opener->focusProxy(), Qt::LeftButton, {}, QPoint(int(box[0].toDouble()), int(box[1].toDouble())));
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
    TWebPageEx* tab = form_->pager_web->Page(1);
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->title() == QString::fromUtf8(c.title) && !tab->Busy; }));

    Kill({tab->WebBrowser});
    ASSERT_TRUE(WaitFor([&] { return ShowsCrashNotice(tab); }));
    ASSERT_EQ(form_->pager_web->ActivePage(), tab);
    Click("Refresh");
    EXPECT_TRUE(WaitFor([&] { return !ShowsCrashNotice(tab) && !tab->Busy && tab->WebBrowser->title() == QString::fromUtf8(c.title); }))
        << tab->WebBrowser->title().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Openers, CrashedOpenedTab,
                         testing::Values(OpenedTab{"left_view_favourite", true, "测试游戏页面"},
                                         OpenedTab{"site_link", false, "TTTTTTTTTTTTTTTTTTTTTTTTTTTTTT"}),
                         [](const testing::TestParamInfo<OpenedTab>& info) { return info.param.name; });

} // namespace
