// Tabs with the real engine against pages served on 127.0.0.1.
#include "TestSupport.h"
#include "browser/BrowserProfile.h"
#include "browser/FlashPlayer.h"
#include "browser/HiddenTabs.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/PageDownload.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineScript>
#include <gtest/gtest.h>

#include <ctime>

using testing_support::SiteServer;
using testing_support::WaitFor;

namespace {

class Pages : public testing::Test {
protected:
    static void SetUpTestSuite() { flash::Install(BrowserProfile(), QStringLiteral(RUFFLE_DIR)); }

    void SetUp() override
    {
        ASSERT_NE(site_.Port(), 0) << "the site server did not start";
        pager_.resize(900, 600);
        pager_.show();
        QObject::connect(&pager_, &TWebPageControlEx::OnChange, [this] { ++changes_; });
    }

    // Opens url in a new tab and waits until its document completion has
    // been handled (the page raises OnStateChange after it).
    TWebPageEx* Open(const QString& url, bool showClose = true)
    {
        TWebPageEx* page = pager_.OpenPage(url, showClose);
        EXPECT_TRUE(WaitForCompletion(page)) << url.toStdString();
        return page;
    }

    static bool WaitForCompletion(TWebPageEx* page, int milliseconds = 30000)
    {
        bool completed = false, handled = false;
        auto a = QObject::connect(page->WebBrowser, &TEmbeddedWB::OnDocumentComplete, [&] { completed = true; });
        auto b = QObject::connect(page, &TWebPageEx::OnStateChange, [&] { handled = handled || completed; });
        const bool done = WaitFor([&] { return handled; }, milliseconds);
        QObject::disconnect(a);
        QObject::disconnect(b);
        return done;
    }

    static std::string Caption(TWebPageEx* page) { return page->Caption().toStdString(); }

    SiteServer site_;
    TWebPageControlEx pager_;
    int changes_ = 0;
};

TEST_F(Pages, GamePageOffersItsFullyLoadedMovie)
{
    TWebPageEx* page = Open(site_.Url("/game.html"));
    EXPECT_EQ(Caption(page), "测试游戏");
    EXPECT_EQ(page->GameName.toStdString(), "测试游戏");
    EXPECT_TRUE(page->DownloadReady);
    EXPECT_EQ(page->GameFileURL.toStdString(), site_.Url("/swf/tiny.swf").toStdString());
    EXPECT_FALSE(page->Busy);

    // The movie is played by the program's player and reports itself loaded.
    bool answered = false;
    QVariant percent;
    page->WebBrowser->page()->runJavaScript(QStringLiteral("movie.PercentLoaded()"), QWebEngineScript::MainWorld,
                                            [&](const QVariant& value) { percent = value; answered = true; });
    ASSERT_TRUE(WaitFor([&] { return answered; }));
    EXPECT_EQ(percent.toInt(), 100);

    // A later title change keeps showing the game's name.
    page->WebBrowser->page()->runJavaScript(QStringLiteral("document.title = 'other'"));
    ASSERT_TRUE(WaitFor([&] { return page->WebBrowser->title() == "other"; }));
    EXPECT_EQ(Caption(page), "测试游戏");

    // A new navigation withdraws the offer at its start.
    bool started = false;
    QObject::connect(page, &TWebPageEx::CaptionChanged, [&] { started = started || page->GameName.isEmpty(); });
    page->WebBrowser->Navigate(site_.Url("/no_game.html"));
    ASSERT_TRUE(WaitFor([&] { return started; }));
    EXPECT_FALSE(page->DownloadReady);
    EXPECT_TRUE(page->GameFileURL.isEmpty());
}

// The 60 fps test movie tells its page, once a second, the frames it ran:
// the frames achieved, not the frames asked for.
TEST_F(Pages, TheBusyMovieTellsItsPageTheFramesItRan)
{
    TWebPageEx* page = Open(site_.Url("/frames.html"));
    const auto reports = [&] {
        return testing_support::RunScript(page->WebBrowser, QStringLiteral("window.frameRates")).toList();
    };
    ASSERT_TRUE(WaitFor([&] { return reports().size() >= 3; }, 30000));
    const QVariantList got = reports();
    int lastTotal = 0;
    for (const QVariant& report : got) {
        const int rate = report.toList().value(0).toInt();
        const int total = report.toList().value(1).toInt();
        // The player may run a few frames more to catch up after a stall.
        EXPECT_GT(rate, 0);
        EXPECT_LE(rate, 90);
        // A second's rate is its frames over a second or a little more.
        EXPECT_GT(total, lastTotal);
        EXPECT_LE(rate, total - lastTotal + 1);
        lastTotal = total;
    }
}

// A game tab the player does not look at pauses; shown again it goes on
// where it was. With the option to keep hidden tabs running it never stops.
class HiddenGameTab : public Pages, public testing::WithParamInterface<bool> {
protected:
    // The movie's frames so far, as its latest report says.
    int Frames(TWebPageEx* page)
    {
        const QVariantList reports = testing_support::RunScript(page->WebBrowser, QStringLiteral("window.frameRates")).toList();
        return reports.isEmpty() ? 0 : reports.last().toList().value(1).toInt();
    }
};

TEST_P(HiddenGameTab, PausesAndGoesOnWhereItWasWhenShown)
{
    const bool keepRunning = GetParam();
    THiddenTabs hidden(&pager_);
    hidden.FreezeAfterMs = 300;
    hidden.KeepRunning = keepRunning;
    TWebPageEx* game = Open(site_.Url("/frames.html"));
    ASSERT_TRUE(WaitFor([&] { return Frames(game) > 0; }, 30000));
    QWebEnginePage* page = game->WebBrowser->page();

    Open(site_.Url("/no_game.html"));
    const int before = Frames(game);
    const bool frozen = WaitFor([&] { return page->lifecycleState() == QWebEnginePage::LifecycleState::Frozen; }, 5000);
    EXPECT_EQ(frozen, !keepRunning);
    QTest::qWait(6000);

    pager_.setCurrentWidget(game);
    EXPECT_EQ(page->lifecycleState(), QWebEnginePage::LifecycleState::Active);
    // The first report after it is shown again.
    ASSERT_TRUE(WaitFor([&] { return Frames(game) != before; }, 10000)) << "the game does not go on";
    const int after = Frames(game);
    if (keepRunning)
        EXPECT_GT(after - before, 120) << "a game kept running went on while hidden";
    else
        EXPECT_LT(after - before, 150) << "a paused game went on while hidden (6 s are 360 frames)";
    EXPECT_TRUE(testing_support::RunScript(game->WebBrowser, QStringLiteral("movie.ruffle().isPlaying")).toBool());
    ASSERT_TRUE(WaitFor([&] { return Frames(game) > after; }, 10000)) << "the game stops after it was shown";
}

// Tabs of one site share the site's renderer process, also when the tab
// that is shown changes as they open.
TEST_F(Pages, NewTabsOfASiteShareItsRendererWhileHiddenTabsAreWatched)
{
    THiddenTabs hidden(&pager_);
    QList<TWebPageEx*> tabs;
    for (int i = 0; i < 3; ++i)
        tabs << Open(site_.Url(QStringLiteral("/no_game.html?%1").arg(i)));
    const qint64 first = tabs[0]->WebBrowser->page()->renderProcessPid();
    EXPECT_GT(first, 0);
    for (TWebPageEx* tab : tabs)
        EXPECT_EQ(tab->WebBrowser->page()->renderProcessPid(), first) << tab->WebBrowser->page()->url().toString().toStdString();
}

// A page still loading is left to finish before it is frozen.
TEST_F(Pages, AHiddenTabStillLoadingIsFrozenOnlyOnceItHasLoaded)
{
    THiddenTabs hidden(&pager_);
    hidden.FreezeAfterMs = 300;
    // 3 MB at 100 KB/s.
    TWebPageEx* slow = pager_.OpenPage(site_.Url("/slow_script.html"), true);
    ASSERT_TRUE(WaitFor([&] { return slow->WebBrowser->Busy(); }));
    Open(site_.Url("/no_game.html"));
    QTest::qWait(1500);
    ASSERT_TRUE(slow->WebBrowser->Busy()) << "the slow page has loaded already";
    EXPECT_EQ(slow->WebBrowser->page()->lifecycleState(), QWebEnginePage::LifecycleState::Active);
    slow->WebBrowser->Stop();
    EXPECT_TRUE(WaitFor([&] { return slow->WebBrowser->page()->lifecycleState() == QWebEnginePage::LifecycleState::Frozen; }, 5000));
}

// A page fetching a file for the program (a download, kept files topped up)
// stays awake until the file is in.
TEST_F(Pages, AHiddenTabFetchingAFileIsFrozenOnlyOnceTheFileIsIn)
{
    THiddenTabs hidden(&pager_);
    hidden.FreezeAfterMs = 300;
    TWebPageEx* fetching = Open(site_.Url("/no_game.html"));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // 3 MB at 100 KB/s.
    TPageDownload download(fetching->WebBrowser->page());
    download.Start(QUrl(site_.Url("/slow/swf/big.swf")), folder.filePath(QStringLiteral("big.swf")));
    ASSERT_EQ(download.result(), TPageDownload::Running);
    Open(site_.Url("/no_game.html"));
    QTest::qWait(1500);
    ASSERT_EQ(download.result(), TPageDownload::Running) << "the file came too soon";
    EXPECT_EQ(fetching->WebBrowser->page()->lifecycleState(), QWebEnginePage::LifecycleState::Active);
    download.Cancel();
    EXPECT_TRUE(WaitFor([&] { return fetching->WebBrowser->page()->lifecycleState() == QWebEnginePage::LifecycleState::Frozen; }, 5000));
}

INSTANTIATE_TEST_SUITE_P(Tabs, HiddenGameTab, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "KeptRunning" : "Paused"; });

TEST_F(Pages, MovieStillLoadingAtCompletionOffersNoDownload)
{
    TWebPageEx* tab = pager_.OpenPage(QString(), true);
    tab->WebBrowser->SetMovieSettleTime(2000);
    tab->WebBrowser->Navigate(site_.Url("/slow_game.html"));
    ASSERT_TRUE(WaitForCompletion(tab));
    EXPECT_EQ(Caption(tab), "大游戏");
    EXPECT_FALSE(tab->DownloadReady);
    EXPECT_TRUE(tab->GameFileURL.isEmpty());
}

TEST_F(Pages, EmptyFOffersNoDownload)
{
    TWebPageEx* page = Open(site_.Url("/empty_f.html"));
    EXPECT_EQ(Caption(page), "无文件游戏");
    EXPECT_FALSE(page->DownloadReady);
    EXPECT_TRUE(page->GameFileURL.isEmpty());
}

TEST_F(Pages, EmptyNLeavesAnEmptyCaptionUntilTheTitleChanges)
{
    TWebPageEx* page = Open(site_.Url("/empty_n.html"));
    EXPECT_EQ(Caption(page), "");
    EXPECT_FALSE(page->DownloadReady);
    page->WebBrowser->page()->runJavaScript(QStringLiteral("retitle()"));
    ASSERT_TRUE(WaitFor([&] { return page->Caption() == QStringLiteral("新的标题"); }));
}

TEST_F(Pages, PageWithoutTitleOrGameEndsWithAnEmptyCaption)
{
    TWebPageEx* page = Open(site_.Url("/no_game.html"));
    EXPECT_EQ(Caption(page), "");
    EXPECT_FALSE(page->DownloadReady);
}

// The player is fetched only for a page that has something for it to play.
TEST_F(Pages, PlayerIsLoadedOnlyWhereAMovieIs)
{
    auto playerScripts = [](TWebPageEx* page) {
        bool answered = false;
        QVariant count;
        page->WebBrowser->page()->runJavaScript(QStringLiteral("document.querySelectorAll('script[src$=\"ruffle.js\"]').length"),
                                                QWebEngineScript::MainWorld, [&](const QVariant& value) {
                                                    count = value;
                                                    answered = true;
                                                });
        EXPECT_TRUE(WaitFor([&] { return answered; }));
        return count.toInt();
    };
    EXPECT_EQ(playerScripts(Open(site_.Url("/no_game.html"))), 0);
    EXPECT_EQ(playerScripts(Open(site_.Url("/game.html"))), 1);
}

// The player's WebAssembly, which a page reads in parts so that the engine
// compiles while the rest comes, arrives whole and in order; a part is
// served only for a well-formed request.
class PlayerFileParts : public Pages {
protected:
    // The result the script leaves in window.answer once it has one.
    QString Await(TWebPageEx* page, const QString& script)
    {
        testing_support::RunScript(page->WebBrowser, QStringLiteral("window.answer = undefined; ") + script);
        QString answer;
        EXPECT_TRUE(WaitFor(
            [&] {
                answer = testing_support::RunScript(page->WebBrowser, QStringLiteral("window.answer")).toString();
                return !answer.isEmpty();
            },
            30000));
        return answer;
    }

    static QFileInfo PlayerModule()
    {
        const QFileInfoList modules = QDir(QStringLiteral(RUFFLE_DIR)).entryInfoList({QStringLiteral("*.wasm")}, QDir::Files);
        return modules.value(0);
    }
};

TEST_F(PlayerFileParts, TheModuleFetchedByAPageIsTheWholeFile)
{
    const QFileInfo module = PlayerModule();
    ASSERT_TRUE(module.exists());
    QFile file(module.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    ASSERT_TRUE(hash.addData(&file));
    TWebPageEx* page = Open(site_.Url("/no_game.html"));
    const QString answer = Await(page, QStringLiteral(R"(
        fetch("orvanzev://ruffle/%1").then(function (response) { return response.arrayBuffer(); })
          .then(function (bytes) { return crypto.subtle.digest("SHA-256", bytes).then(function (digest) {
            window.answer = bytes.byteLength + " " + Array.from(new Uint8Array(digest), function (b) {
              return (b + 256).toString(16).slice(1); }).join(""); }); })
          .catch(function (e) { window.answer = "failed: " + e; });)")
                                                .arg(module.fileName()));
    EXPECT_EQ(answer.toStdString(), QStringLiteral("%1 %2").arg(module.size()).arg(QString::fromLatin1(hash.result().toHex())).toStdString());
    EXPECT_EQ(Await(page, QStringLiteral("fetch('orvanzev://ruffle/none.wasm').then(function () { window.answer = 'served'; }, "
                                         "function () { window.answer = 'failed'; });"))
                  .toStdString(),
              "failed");
}

TEST_F(PlayerFileParts, OnlyAWellFormedRequestGetsAPart)
{
    const QFileInfo module = PlayerModule();
    ASSERT_TRUE(module.exists());
    const qint64 size = module.size();
    struct Case {
        QString query;
        std::string answer; // bytes received: the first ones, or "error"
    };
    const Case cases[] = {
        {QStringLiteral("offset=0&length=4"), "4: 0 97 115 109"},
        {QStringLiteral("offset=%1&length=4").arg(size - 2), "2"},
        {QStringLiteral("offset=%1&length=4").arg(size), "0"},
        {QStringLiteral("offset=%1&length=4").arg(size + 100), "0"},
        {QStringLiteral("offset=-1&length=4"), "error"},
        {QStringLiteral("offset=0&length=-4"), "error"},
        {QStringLiteral("offset=0&length=999999999"), "error"},
        {QStringLiteral("offset=x&length=4"), "error"},
        {QStringLiteral("offset=0"), "error"},
        {QStringLiteral("offset=0&length=4&more=1"), "error"},
    };
    TWebPageEx* page = Open(site_.Url("/no_game.html"));
    for (const Case& c : cases) {
        const QString answer = Await(page, QStringLiteral(R"(
            var request = new XMLHttpRequest();
            request.open("GET", "orvanzev://ruffle/%1?%2");
            request.responseType = "arraybuffer";
            request.onload = function () {
              var bytes = new Uint8Array(request.response);
              window.answer = String(bytes.length) + (bytes.length > 2 ? ": " + Array.from(bytes.slice(0, 4)).join(" ") : "");
            };
            request.onerror = function () { window.answer = "error"; };
            request.send();)")
                                                    .arg(module.fileName(), c.query));
        EXPECT_EQ(answer.toStdString(), c.answer) << c.query.toStdString();
    }
}

// A page that looks for the Flash plug-in before it writes its movie finds
// one, and the movie is played.
TEST_F(Pages, PageThatLooksForThePluginGetsItsMoviePlayed)
{
    TWebPageEx* page = Open(site_.Url("/detect_flash.html"));
    EXPECT_TRUE(page->DownloadReady);
    EXPECT_EQ(page->GameFileURL.toStdString(), site_.Url("/swf/tiny.swf").toStdString());
}

struct TitleCase {
    friend void PrintTo(const TitleCase& c, std::ostream* out) { *out << c.path; }
    const char* path;
    const char* caption;
};

class PageTitles : public Pages, public testing::WithParamInterface<TitleCase> {};

TEST_P(PageTitles, CaptionFollowsTheTitleRule)
{
    EXPECT_EQ(Caption(Open(site_.Url(GetParam().path))), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(Titles, PageTitles,
                         testing::Values(TitleCase{"/title30.html", "TTTTTTTTTTTTTTTTTTTTTTTTTTTTTT"},
                                         TitleCase{"/title31.html", "TTTTTTTTTTTTTTTTTTTTTTTTTTTTTT.."},
                                         TitleCase{"/title_cn10.html", "贪吃蛇打砖块记忆翻牌"},
                                         TitleCase{"/title_cn11.html", "贪吃蛇打砖块记忆翻牌.."}));

TEST_F(Pages, NavigationStartShowsTheAddressByItsLengthInBytes)
{
    // Addresses of exactly 40 and 41 bytes with Chinese characters in them.
    const QString base = site_.Url("/游戏/");
    const int baseBytes = int(base.toUtf8().size());
    ASSERT_LT(baseBytes, 36);
    const QString url40 = base + QString(40 - baseBytes - 3, QLatin1Char('a')) + QStringLiteral("页");
    const QString url41 = base + QString(41 - baseBytes - 3, QLatin1Char('a')) + QStringLiteral("页");
    ASSERT_EQ(url40.toUtf8().size(), 40);
    ASSERT_EQ(url41.toUtf8().size(), 41);

    TWebPageEx* page = pager_.OpenPage(QString(), true);
    QStringList shown;
    QObject::connect(page, &TWebPageEx::CaptionChanged, [&] { shown << page->Caption(); });
    for (const QString& url : {url40, url41}) {
        shown.clear();
        page->WebBrowser->Navigate(url);
        ASSERT_TRUE(WaitFor([&] { return !shown.isEmpty(); }));
        if (url == url40)
            EXPECT_EQ(shown.first().toStdString(), url40.toStdString());
        else
            EXPECT_EQ(shown.first().toStdString(), (url41.left(20) + "..").toStdString());
        ASSERT_TRUE(WaitForCompletion(page));
    }
}

TEST_F(Pages, NewWindowLinkOpensAClosableActiveTab)
{
    TWebPageEx* first = Open(site_.Url("/new_window.html"), false);
    const QString firstUrl = first->WebBrowser->LocationURL();
    const QString firstCaption = first->Caption();
    ASSERT_EQ(pager_.PageCount(), 1);
    EXPECT_EQ(pager_.tabBar()->tabButton(0, QTabBar::RightSide), nullptr);

    QWidget* surface = first->WebBrowser->focusProxy();
    ASSERT_NE(surface, nullptr);
    // A press sent the moment the page has loaded, before the view has shown
    // its first frame, can be lost on the way in (now and then with Qt
    // Quick's software renderer); a user clicks what is shown, so the click
    // is sent again while nothing has come of it.
    for (int attempt = 0; attempt < 5 && pager_.PageCount() == 1; ++attempt) {
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(100, 100));
        WaitFor([&] { return pager_.PageCount() == 2; }, 2000);
    }
    ASSERT_EQ(pager_.PageCount(), 2);
    TWebPageEx* opened = pager_.Page(1);
    EXPECT_EQ(pager_.ActivePage(), opened);
    EXPECT_TRUE(opened->ShowClose());
    EXPECT_NE(pager_.tabBar()->tabButton(1, QTabBar::RightSide), nullptr);
    ASSERT_TRUE(WaitFor([&] { return opened->Caption() == QString(30, QLatin1Char('T')); }));
    EXPECT_TRUE(opened->WebBrowser->LocationURL().endsWith("/title30.html"));
    EXPECT_EQ(first->WebBrowser->LocationURL(), firstUrl);
    EXPECT_EQ(first->Caption(), firstCaption);

    // Closing the new tab frees it and activates the first again.
    auto* close = pager_.tabBar()->tabButton(1, QTabBar::RightSide);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_EQ(pager_.PageCount(), 1);
    EXPECT_EQ(pager_.ActivePage(), first);
}

TEST_F(Pages, BackgroundTabUpdatesItsFlagsWithoutOnChange)
{
    TWebPageEx* background = Open(site_.Url("/title30.html"));
    TWebPageEx* active = Open(site_.Url("/title31.html"));
    ASSERT_EQ(pager_.ActivePage(), active);
    ASSERT_FALSE(background->CanGoBack);

    const int before = changes_;
    background->WebBrowser->Navigate(site_.Url("/game.html"));
    ASSERT_TRUE(WaitForCompletion(background));
    EXPECT_TRUE(background->CanGoBack);
    EXPECT_TRUE(background->DownloadReady);
    EXPECT_EQ(changes_, before);

    // The same changes on the active tab raise OnChange.
    active->WebBrowser->Navigate(site_.Url("/no_game.html"));
    ASSERT_TRUE(WaitForCompletion(active));
    EXPECT_GT(changes_, before);
}

TEST_F(Pages, NoDialogOfTheEngineEverAppears)
{
    QStringList seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget != &pager_ && !widget->inherits("QMenu")) {
                seen << widget->metaObject()->className();
                widget->close();
            }
        }
    });
    watch.start(20);
    TWebPageEx* page = Open(site_.Url("/dialogs.html"));
    EXPECT_EQ(page->WebBrowser->title().toStdString(), "done");
    EXPECT_TRUE(seen.isEmpty()) << seen.join(' ').toStdString();
}

TEST_F(Pages, FrameNavigationKeepsTheGamesCaption)
{
    TWebPageEx* page = Open(site_.Url("/frame_game.html"));
    ASSERT_EQ(Caption(page), "框架游戏");
    bool frameStarted = false;
    QObject::connect(page->WebBrowser, &TEmbeddedWB::OnBeforeNavigate2,
                     [&](TEmbeddedWB*, QObject* pDisp, const QUrl&, bool&) { frameStarted = frameStarted || !pDisp; });
    page->WebBrowser->page()->runJavaScript(QStringLiteral("document.getElementById('frame').src = '/title31.html'"));
    ASSERT_TRUE(WaitFor([&] { return frameStarted; }));
    EXPECT_TRUE(WaitFor([&] { return page->Caption() == QStringLiteral("框架游戏"); })) << Caption(page);
    EXPECT_EQ(page->GameName.toStdString(), "框架游戏");

    // Still so once the frame's document has loaded.
    QVariant frameTitle;
    ASSERT_TRUE(WaitFor([&] {
        bool answered = false;
        page->WebBrowser->page()->runJavaScript(QStringLiteral("document.getElementById('frame').contentDocument.title"),
                                                QWebEngineScript::MainWorld, [&](const QVariant& v) {
                                                    frameTitle = v;
                                                    answered = true;
                                                });
        WaitFor([&] { return answered; });
        return frameTitle.toString().size() == 31;
    }));
    EXPECT_EQ(Caption(page), "框架游戏");
    EXPECT_EQ(page->GameName.toStdString(), "框架游戏");
    EXPECT_FALSE(page->DownloadReady);
}

// Processor time of the calling thread, in milliseconds: unlike the clock,
// it does not grow while the machine runs other programs.
double ThreadBusyMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// A page with a name of 10 MB, an address of 1 MB and a title that keeps
// changing: the window answers all along, and the tab shows bounded texts.
TEST_F(Pages, HugePageTextsNeverStallTheWindow)
{
    TWebPageEx* page = Open(site_.Url("/no_game.html"));
    int titleChanges = 0;
    QObject::connect(page->WebBrowser, &TEmbeddedWB::OnTitleChange, [&] { ++titleChanges; });
    // The longest stretch of work of the user interface thread between two
    // ticks of a timer that asks for it every 10 ms.
    double last = ThreadBusyMilliseconds(), longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double now = ThreadBusyMilliseconds();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start(10);
    page->WebBrowser->Navigate(site_.Url("/huge_name.html"));
    ASSERT_TRUE(WaitForCompletion(page));
    const int changesAtCompletion = titleChanges;
    EXPECT_TRUE(WaitFor([&] { return titleChanges > changesAtCompletion + 100; }));
    tick.stop();
    EXPECT_LT(longest, 50) << "the longest time the window did not answer, in ms";

    EXPECT_EQ(page->GameName, QString(4096, QChar(0x540D)));
    EXPECT_EQ(page->Caption(), QString(20, QChar(0x540D)) + "..");
    const int index = pager_.indexOf(page);
    EXPECT_EQ(pager_.tabText(index), page->Caption());
    EXPECT_LE(pager_.tabToolTip(index).size(), 1026);
    EXPECT_TRUE(page->WebBrowser->LocationURL().startsWith(pager_.tabToolTip(index).chopped(2)));
}

TEST_F(Pages, OpenPageMakesTheNewTabActiveWithOneOnChange)
{
    Open(site_.Url("/title30.html"), false);
    const int before = changes_;
    TWebPageEx* page = pager_.OpenPage(QString(), true);
    EXPECT_EQ(changes_, before + 1);
    EXPECT_EQ(pager_.ActivePage(), page);
    EXPECT_EQ(pager_.tabBar()->tabButton(0, QTabBar::RightSide), nullptr);
    EXPECT_NE(pager_.tabBar()->tabButton(1, QTabBar::RightSide), nullptr);
}

} // namespace

namespace {

TEST_F(Pages, DocumentAnswersFromThePagesOwnScriptWorld)
{
    TWebPageEx* page = Open(site_.Url("/document.html"));
    THTMLDocument* document = page->WebBrowser->Document();
    QStringList answers;
    document->title([&](const QString& v) { answers << "title:" + v; });
    document->domain([&](const QString& v) { answers << "domain:" + v; });
    document->ScriptVariable("n", [&](std::optional<QString> v) { answers << "n:" + v.value_or("(none)"); });
    document->ScriptVariable("missing", [&](std::optional<QString> v) { answers << "missing:" + v.value_or("(none)"); });
    document->CallFunction("remember", {"游戏", "</script>\"'"}, [&](bool ok) { answers << QString("call:%1").arg(ok); });
    document->ScriptVariable("called", [&](std::optional<QString> v) { answers << "called:" + v.value_or("(none)"); });
    document->CallFunction("fails", {}, [&](bool ok) { answers << QString("fails:%1").arg(ok); });
    document->CallFunction("nothing", {}, [&](bool ok) { answers << QString("nothing:%1").arg(ok); });
    document->SetElementDisplay("named", "none", [&](bool ok) { answers << QString("named:%1").arg(ok); });
    document->SetElementDisplay("absent", "none", [&](bool ok) { answers << QString("absent:%1").arg(ok); });
    document->elementFromPoint(20, 20, [&](const THTMLDocument::ElementInfo& e) {
        answers << "at:" + e.id + "/" + e.className + "/" + e.innerText;
    });
    document->execScript("document.getElementsByName('named')[0].style.display",
                         [&](const QVariant& v) { answers << "display:" + v.toString(); });
    ASSERT_TRUE(WaitFor([&] { return answers.size() == 12; }));
    EXPECT_EQ(answers.join('\n').toStdString(),
              "title:文档\ndomain:127.0.0.1\nn:42\nmissing:(none)\ncall:1\ncalled:游戏|</script>\"'\n"
              "fails:0\nnothing:0\nnamed:1\nabsent:0\nat:box/gamelocal/贪吃蛇\ndisplay:none");
}

} // namespace
