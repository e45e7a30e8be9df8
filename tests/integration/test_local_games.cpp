// Downloaded games played from the left view: each reaches its own files and
// nothing else, and runs in a page process apart from the program's own
// pages (the toolbar and the left view).
#include "RunningMainWindow.h"
#include "library/GameLibrary.h"

#include <QElapsedTimer>
#include <QWebEnginePage>

#include <memory>
#include <signal.h>

using testing_support::WaitFor;

namespace {

class LocalGames : public testing_support::RunningMainWindow {
protected:
    void SetUp() override
    {
        folder_.Write("Data/gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                                            "<item><txt>探针</txt><url><![CDATA[20260101000001.swf]]></url></item>"
                                            "<item><txt>不停</txt><url><![CDATA[20260101000002.swf]]></url></item>"
                                            "</list>");
        Copy(QStringLiteral(DEMO_SITE_DIR "/swf/probe.swf"), "Data/Flash/20260101000001.swf");
        Copy(QStringLiteral(DEMO_SITE_DIR "/swf/busy.swf"), "Data/Flash/20260101000002.swf");
        folder_.Write("Data/Flash/other.swf", "another game");
        QDir().mkpath(folder_.Path("Data/Flash/20260101000001"));
        folder_.Write("Data/Flash/20260101000001/level.txt", "own-file");
        Start();
    }
    void Copy(const QString& from, const QString& to) { ASSERT_TRUE(QFile::copy(from, folder_.Path(to))); }

    TWebPageEx* Play(const QString& name)
    {
        const int before = form_->pager_web->PageCount();
        form_->Library->Pick(platform::ListKind::Local, name);
        form_->Library->PlayPicked();
        EXPECT_EQ(form_->pager_web->PageCount(), before + 1);
        return form_->pager_web->Page(form_->pager_web->PageCount() - 1);
    }
    // Whether a page answers a script within the deadline.
    static bool Answers(TEmbeddedWB* view, int milliseconds)
    {
        auto answered = std::make_shared<bool>(false);
        view->page()->runJavaScript(QStringLiteral("1"), QWebEngineScript::ApplicationWorld,
                                    [answered](const QVariant&) { *answered = true; });
        return WaitFor([answered] { return *answered; }, milliseconds);
    }
    static qint64 Pid(TEmbeddedWB* view) { return view->page()->renderProcessPid(); }
};

TEST_F(LocalGames, AGameReadsItsOwnFilesAndNothingElse)
{
    TWebPageEx* tab = Play(QStringLiteral("探针"));
    const QString expected = QStringLiteral("hostname=error | config=error | list=error | other=error | own=ok:own-file");
    QString report;
    EXPECT_TRUE(WaitFor([&] { return (report = tab->WebBrowser->title()).startsWith("hostname="); }))
        << report.toStdString();
    EXPECT_EQ(report.toStdString(), expected.toStdString());
    // The page itself can no more read the disk than the game can.
    for (const QString& address : {QStringLiteral("file:///etc/hostname"), QStringLiteral("../Config.dat"),
                                   QStringLiteral("%2e%2e/Config.dat"), QStringLiteral("..%2fgamelocal.xml"),
                                   QStringLiteral("20260101000001%2f..%2f..%2fConfig.dat"),
                                   QStringLiteral("20260101000001/..%5c..%5cConfig.dat")}) {
        RunIn(tab->WebBrowser, QStringLiteral("window.__read = ''; var r = new XMLHttpRequest(); r.open('GET', '%1');"
                                              " r.onload = function () { window.__read = 'read ' + r.status; };"
                                              " r.onerror = function () { window.__read = 'refused'; }; r.send();")
                                   .arg(address));
        QString answer;
        EXPECT_TRUE(WaitFor([&] { return !(answer = RunIn(tab->WebBrowser, "window.__read").toString()).isEmpty(); }))
            << address.toStdString();
        EXPECT_EQ(answer.toStdString(), "refused") << address.toStdString();
    }
    // Nor go there.
    RunIn(tab->WebBrowser, "location.href = 'file:///etc/hostname'");
    EXPECT_FALSE(WaitFor([&] { return tab->WebBrowser->page()->url().isLocalFile(); }, 2000));
}

TEST_F(LocalGames, AWebPageCannotReachALocalGame)
{
    TWebPageEx* game = Play(QStringLiteral("探针"));
    ASSERT_TRUE(WaitFor([&] { return game->WebBrowser->title().startsWith("hostname="); }));
    const QUrl page = game->WebBrowser->page()->url();
    const QString origin = page.scheme() + "://" + page.host();

    TWebPageEx* web = form_->pager_web->OpenPage(site_.Url("/title30.html"), true);
    ASSERT_TRUE(WaitForTab(web));
    RunIn(web->WebBrowser, QStringLiteral("window.__read = 'waiting'; var r = new XMLHttpRequest();"
                                          " r.open('GET', '%1/20260101000001.swf');"
                                          " r.onload = function () { window.__read = 'read ' + r.status; };"
                                          " r.onerror = function () { window.__read = 'refused'; }; r.send();")
                               .arg(origin));
    EXPECT_TRUE(WaitFor([&] { return RunIn(web->WebBrowser, "window.__read").toString() == "refused"; }))
        << RunIn(web->WebBrowser, "window.__read").toString().toStdString();
    // Nor open its player page.
    RunIn(web->WebBrowser, QStringLiteral("location.href = '%1'").arg(page.toString()));
    EXPECT_FALSE(WaitFor([&] { return web->WebBrowser->title().startsWith("hostname="); }, 3000));
}

TEST_F(LocalGames, AGameHasAPageProcessApartFromTheProgramsPages)
{
    TWebPageEx* tab = Play(QStringLiteral("探针"));
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->title().startsWith("hostname="); }));
    const qint64 game = Pid(tab->WebBrowser);
    const qint64 top = Pid(form_->wb_top);
    const qint64 left = Pid(form_->wb_left);
    ASSERT_NE(game, 0);
    EXPECT_NE(game, top);
    EXPECT_NE(game, left);
    // Nor does a game of the web, in the first tab.
    EXPECT_NE(Pid(Home()->WebBrowser), top);
    EXPECT_NE(Pid(Home()->WebBrowser), left);

    // The game's process ending leaves the toolbar and the left view alive.
    ASSERT_EQ(::kill(pid_t(game), SIGKILL), 0);
    ASSERT_TRUE(WaitFor([&] { return Pid(tab->WebBrowser) != game; }));
    EXPECT_EQ(Pid(form_->wb_top), top);
    EXPECT_EQ(Pid(form_->wb_left), left);
    EXPECT_TRUE(Answers(form_->wb_top, 5000));
    EXPECT_TRUE(Answers(form_->wb_left, 5000));
}

TEST_F(LocalGames, ABusyGameDoesNotDelayAToolbarClick)
{
    // Where the button is, asked while the toolbar can still be asked anything.
    const QVariantList box = RunInTop("(function(){var r=document.getElementById('ShowLeftView').getBoundingClientRect();"
                                      "return [r.left+r.width/2,r.top+r.height/2];})()")
                                 .toList();
    ASSERT_EQ(box.size(), 2);
    TWebPageEx* tab = Play(QStringLiteral("不停"));
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->title() == "busy"; }));
    ASSERT_FALSE(Answers(tab->WebBrowser, 2000)) << "the game is not busy";

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(form_->wb_top->focusProxy(), Qt::LeftButton, {}, QPoint(int(box[0].toDouble()), int(box[1].toDouble())));
    EXPECT_TRUE(WaitFor([&] { return form_->pnl_left->isHidden(); }, 5000)) << "after " << clock.elapsed() << " ms";
}

} // namespace
