// The toolbar page of the running main window: real clicks on its
// elements become commands, and its looks follow the active tab.
#include "RunningMainWindow.h"
#include "app/F_MainForm.h"
#include "app/U_Config.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"
#include "app/ApplicationExceptions.h"

#include <QApplication>
#include <QJsonDocument>
#include <QWebEngineScript>
#include <gtest/gtest.h>
#include <memory>

using testing_support::WaitFor;

namespace {

const QStringList kStateElements = {"Back_active",   "Back_inactive", "Forward_active",  "Forward_inactive",
                                    "Stop_active",   "Stop_inactive", "Down_active",     "Down_inactive",
                                    "Retract_leftBar", "Open_leftBar"};

class Toolbar : public testing_support::RunningMainWindow {
protected:
    // The shown elements of the ten (display not "none"), in table order.
    QStringList Shown()
    {
        const QVariantList displays = RunInTop(
            QStringLiteral("%1.map(function(id){var e=document.getElementById(id);return e?e.style.display:'missing';})")
                .arg(QString::fromUtf8(QJsonDocument::fromVariant(QVariant(kStateElements)).toJson(QJsonDocument::Compact))))
                                          .toList();
        QStringList shown;
        for (int i = 0; i < displays.size(); ++i)
            if (displays[i].toString() != "none" && displays[i].toString() != "missing")
                shown << kStateElements[i] + (displays[i].toString().isEmpty() ? "" : "=" + displays[i].toString());
        return shown;
    }
    bool WaitForShown(const QStringList& expected)
    {
        QStringList last;
        const bool ok = WaitFor([&] { return (last = Shown()) == expected; }, 15000);
        EXPECT_EQ(last.join(' ').toStdString(), expected.join(' ').toStdString());
        return ok;
    }
    // Marks every present state element so that any later write shows.
    void MarkStates() { RunInTop("document.querySelectorAll('[id]').forEach(function(e){e.style.display='inline-block';})"); }
};

TEST_F(Toolbar, NewTabShowsTheFourInactiveLooks)
{
    Start();
    form_->pager_web->OpenPage(QString(), true);
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Retract_leftBar"});
}

TEST_F(Toolbar, BackForwardAndRefreshDriveTheActiveTab)
{
    Start();
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/counter.html")));
    WaitForShown({"Back_active", "Forward_inactive", "Stop_inactive", "Down_inactive", "Retract_leftBar"});

    Click("Back");
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->LocationURL().endsWith("/title30.html") && !tab->Busy; }));
    WaitForShown({"Back_inactive", "Forward_active", "Stop_inactive", "Down_inactive", "Retract_leftBar"});

    Click("Forward");
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->LocationURL().endsWith("/counter.html") && !tab->Busy; }));
    const QString loads = tab->WebBrowser->title();

    Click("Refresh");
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->title() != loads && !tab->Busy; }));
    EXPECT_TRUE(tab->WebBrowser->title().startsWith("loads "));
    EXPECT_TRUE(tab->WebBrowser->LocationURL().endsWith("/counter.html"));
}

TEST_F(Toolbar, HomePageLoadsTheFirstTabAndMakesItActive)
{
    Start();
    ASSERT_TRUE(NavigateAndWait(Home(), site_.Url("/counter.html")));
    TWebPageEx* other = form_->pager_web->OpenPage(site_.Url("/title31.html"), true);
    ASSERT_TRUE(WaitForTab(other));

    Click("HomePage");
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->ActivePageIndex() == 0; }));
    ASSERT_TRUE(WaitFor([&] { return Home()->WebBrowser->LocationURL() == site_.Url("/title30.html") && !Home()->Busy; }));
    EXPECT_EQ(form_->pager_web->PageCount(), 2);
    EXPECT_TRUE(other->WebBrowser->LocationURL().endsWith("/title31.html"));
}

TEST_F(Toolbar, StopEndsALoadingTabAndTheStopLookFollows)
{
    Start();
    TWebPageEx* tab = form_->pager_web->OpenPage(site_.Url("/slow_page.html"), true);
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_active", "Down_inactive", "Retract_leftBar"});
    ASSERT_TRUE(tab->Busy);
    Click("Stop");
    ASSERT_TRUE(WaitFor([&] { return !tab->Busy; }, 10000));
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Retract_leftBar"});
}

// While the left view loads the toolbar waits; once it has loaded, the
// toolbar shows the tab as it is by then.
TEST_F(Toolbar, AChangeWhileTheLeftViewLoadsShowsOnceItHasLoaded)
{
    Start();
    form_->wb_left->Navigate(site_.Url("/slow_short_page.html"));
    ASSERT_TRUE(WaitFor([&] { return form_->wb_left->Busy(); }));
    TWebPageEx* tab = form_->pager_web->OpenPage(site_.Url("/slow_page.html"), true);
    ASSERT_TRUE(WaitFor([&] { return tab->Busy; }));
    ASSERT_TRUE(form_->wb_left->Busy()) << "the tab's change came while the left view loaded";
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_active", "Down_inactive", "Retract_leftBar"});
}

TEST_F(Toolbar, ShowLeftViewHidesAndShowsTheLeftView)
{
    Start();
    Click("ShowLeftView");
    ASSERT_TRUE(WaitFor([&] { return form_->pnl_left->isHidden(); }));
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Open_leftBar"});
    Click("ShowLeftView");
    ASSERT_TRUE(WaitFor([&] { return !form_->pnl_left->isHidden(); }));
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Retract_leftBar"});
}

TEST_F(Toolbar, BossKeyHidesTheWindow)
{
    Start();
    Click("BossKey");
    ASSERT_TRUE(WaitFor([&] { return !form_->isVisible(); }));
}

TEST_F(Toolbar, SeveralDownloadCompletionsLeaveTheSinkAdvisedOnce)
{
    Start();
    for (int i = 0; i < 3; ++i)
        emit form_->wb_top->OnDownloadComplete(form_->wb_top);
    EXPECT_EQ(form_->wb_top->Document()->AdvisedSinks(), 1);
    Click("ShowLeftView");
    ASSERT_TRUE(WaitFor([&] { return form_->pnl_left->isHidden(); }));
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Open_leftBar"});
    EXPECT_TRUE(form_->pnl_left->isHidden());
}

TEST_F(Toolbar, DownloadLookFollowsTheActiveTabButNotABackgroundOne)
{
    Start();
    TWebPageEx* game = form_->pager_web->OpenPage(site_.Url("/game.html"), true);
    ASSERT_TRUE(WaitFor([&] { return game->DownloadReady; }));
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_active", "Retract_leftBar"});
    form_->pager_web->setCurrentIndex(0);
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Retract_leftBar"});
    form_->pager_web->setCurrentIndex(1);
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_active", "Retract_leftBar"});

    // A tab in the background finishing a page leaves the toolbar alone.
    form_->pager_web->setCurrentIndex(0);
    WaitForShown({"Back_inactive", "Forward_inactive", "Stop_inactive", "Down_inactive", "Retract_leftBar"});
    MarkStates();
    game->WebBrowser->Refresh();
    ASSERT_TRUE(WaitFor([&] { return game->Busy; }));
    ASSERT_TRUE(WaitFor([&] { return !game->Busy && game->DownloadReady; }));
    EXPECT_EQ(Shown().size(), kStateElements.size());
}

class ToolbarFixture : public Toolbar {
protected:
    void SetUp() override
    {
        QFile file(QStringLiteral(TEST_PAGES_DIR "/top_fixture.html"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray page = file.readAll().replace("LINK_TARGET", site_.Url("/title31.html").toUtf8());
        QObject::connect(ApplicationExceptions(), &TApplicationExceptions::OnException, &receiver_,
                         [this](const QString& message) { failures_ << message; });
        Start(page);
        ASSERT_TRUE(NavigateAndWait(Home(), site_.Url("/counter.html")));
        ASSERT_TRUE(Home()->CanGoBack);
    }

    // The click was handled: the back pair was written, and writing stopped
    // at the missing "Forward_active".
    void ExpectRefreshedUpToTheMissingElement()
    {
        WaitForShown({"Back_active", "Forward_inactive=inline-block", "Stop_active=inline-block",
                      "Stop_inactive=inline-block", "Down_active=inline-block", "Down_inactive=inline-block",
                      "Retract_leftBar=inline-block", "Open_leftBar=inline-block"});
        EXPECT_TRUE(WaitFor([&] { return failures_.join(' ').contains("Forward_active"); }));
        EXPECT_TRUE(WaitFor([&] { return folder_.Read("Data/Log.dat").contains("Forward_active"); })) << "and it is logged";
    }

    QStringList failures_;
    QObject receiver_; // ends the connection with the test
};

TEST_F(ToolbarFixture, LowerCaseBackIsNoCommand)
{
    MarkStates();
    Click("back");
    ExpectRefreshedUpToTheMissingElement();
    EXPECT_FALSE(WaitFor([&] { return !Home()->WebBrowser->LocationURL().endsWith("/counter.html"); }, 1500));
    EXPECT_TRUE(form_->wb_top->LocationURL().endsWith("/top.html"));
}

TEST_F(ToolbarFixture, ChildInsideBackIsNoCommand)
{
    MarkStates();
    Click("inner");
    ExpectRefreshedUpToTheMissingElement();
    EXPECT_FALSE(WaitFor([&] { return !Home()->WebBrowser->LocationURL().endsWith("/counter.html"); }, 1500));
}

TEST_F(ToolbarFixture, LinkInTheToolbarPageIsNotFollowed)
{
    MarkStates();
    Click("link");
    ExpectRefreshedUpToTheMissingElement();
    EXPECT_FALSE(WaitFor([&] { return !form_->wb_top->LocationURL().endsWith("/top.html"); }, 1500));
    EXPECT_EQ(form_->pager_web->PageCount(), 1);
}

} // namespace

namespace {

TEST_F(Toolbar, ShippedPageHasEveryCommandOnItsInnermostElement)
{
    Start();
    for (const QSize size : {QSize(960, 680), QSize(800, 600)}) {
    form_->resize(size);
    ASSERT_TRUE(WaitFor([&] { return form_->wb_top->width() == form_->pnl_top->width() + 4; }));
    const QVariantList problems =
        RunInTop(R"JS((function () {
  var problems = [];
  // Show every active look.
  document.querySelectorAll("[id$=_active]").forEach(function (e) { e.style.display = ""; });
  document.querySelectorAll("[id$=_inactive]").forEach(function (e) { e.style.display = "none"; });
  var commands = ["Back", "Forward", "Stop", "Refresh", "HomePage", "ShowLeftView", "Collect", "Down_active_click", "BossKey"];
  commands.forEach(function (id) {
    var all = document.querySelectorAll('[id="' + id + '"]');
    if (all.length !== 1) { problems.push(id + " appears " + all.length + " times"); return; }
    var r = all[0].getBoundingClientRect();
    if (r.width < 8 || r.height < 8) { problems.push(id + " is too small"); return; }
    var hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
    if (hit !== all[0]) problems.push(id + " is covered by " + (hit ? hit.tagName + "#" + hit.id : "nothing"));
  });
  ["Back", "Forward", "Stop", "Down"].forEach(function (pair) {
    ["_active", "_inactive"].forEach(function (look) {
      if (document.querySelectorAll('[id="' + pair + look + '"]').length !== 1) problems.push(pair + look + " missing");
    });
  });
  ["Retract_leftBar", "Open_leftBar"].forEach(function (id) {
    if (!document.getElementById(id)) problems.push(id + " missing");
  });
  var down = document.getElementById("Down_active");
  if (!down || !down.contains(document.getElementById("Down_active_click"))) problems.push("Down_active_click outside Down_active");
  if (document.documentElement.getBoundingClientRect().height > 39) problems.push("taller than the view");
  return problems;
})())JS")
            .toList();
    QStringList text;
    for (const QVariant& problem : problems)
        text << problem.toString();
    EXPECT_TRUE(text.isEmpty()) << size.width() << ": " << text.join("; ").toStdString();
    }
}

TEST_F(Toolbar, WebPageInTheToolbarViewReachesNoCommand)
{
    Start();
    bool completed = false;
    QObject::connect(form_->wb_top, &TEmbeddedWB::OnDocumentComplete, [&] { completed = true; });
    form_->wb_top->Navigate(site_.Url("/fake_toolbar.html"));
    ASSERT_TRUE(WaitFor([&] { return completed; }));
    Click("BossKey");
    Click("ShowLeftView");
    EXPECT_FALSE(WaitFor([&] { return !form_->isVisible() || form_->pnl_left->isHidden(); }, 1500));
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget != form_.get() && widget->isVisible() && !widget->inherits("QMenu"))
            << widget->metaObject()->className();
}

} // namespace

#include "browser/ToolbarController.h"

#include <QHBoxLayout>

namespace {

// The controller on the shipped toolbar page, with a pager and a left bar
// of its own and no main window.
class ToolbarAlone : public testing::Test {
protected:
    void SetUp() override
    {
        host_.resize(1200, 300);
        auto* layout = new QHBoxLayout(&host_);
        layout->addWidget(leftPanel_);
        layout->addWidget(top_);
        layout->addWidget(pager_);
        // The size the window gives the toolbar page.
        top_->setFixedSize(964, 39);
        leftView_->Navigate(QStringLiteral("about:blank"));
        pager_->OpenPage(QStringLiteral("about:blank"), true);
        top_->OfferDocumentEvents();
        top_->Navigate(QStringLiteral(DATA_DIR "/top.html"));
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        ASSERT_TRUE(WaitFor([&] { return top_->Document()->AdvisedSinks() == 1; }));
    }
    void Click(const QString& id)
    {
        QVariantList box;
        bool answered = false;
        top_->page()->runJavaScript(QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                                                   "return [r.left+r.width/2,r.top+r.height/2];})()")
                                        .arg(id),
                                    QWebEngineScript::MainWorld, [&](const QVariant& value) {
                                        box = value.toList();
                                        answered = true;
                                    });
        ASSERT_TRUE(WaitFor([&] { return answered; }));
        ASSERT_EQ(box.size(), 2) << id.toStdString();
        QTest::mouseClick(top_->focusProxy(), Qt::LeftButton, {}, QPoint(int(box[0].toDouble()), int(box[1].toDouble())));
    }

    QWidget host_;
    QWidget* leftPanel_ = new QWidget(&host_);
    TEmbeddedWB* leftView_ = new TEmbeddedWB(leftPanel_);
    TEmbeddedWB* top_ = new TEmbeddedWB(&host_);
    TWebPageControlEx* pager_ = new TWebPageControlEx(&host_);
    TToolbarController toolbar_{top_, leftView_, leftPanel_, pager_, QStringLiteral("about:blank")};
};

TEST_F(ToolbarAlone, ClicksBecomeRequestsAndEachIsFollowedByAStateWrite)
{
    QStringList requests;
    QObject::connect(&toolbar_, &TToolbarController::ToggleLeftViewRequested, [&] { requests << "left view"; });
    QObject::connect(&toolbar_, &TToolbarController::CollectRequested, [&] { requests << "collect"; });
    QObject::connect(&toolbar_, &TToolbarController::BossKeyRequested, [&] { requests << "boss key"; });
    QObject::connect(&toolbar_, &TToolbarController::DownloadRequested, [&] { requests << "download"; });
    QList<int> sent, written;
    QObject::connect(&toolbar_, &TToolbarController::StatesWriteSent, [&](int serial) { sent << serial; });
    QObject::connect(&toolbar_, &TToolbarController::StatesWritten, [&](int serial, const QString& missing) {
        written << serial;
        EXPECT_TRUE(missing.isEmpty()) << missing.toStdString();
    });
    const struct {
        const char* id;
        const char* request;
    } cases[] = {{"ShowLeftView", "left view"}, {"Collect", "collect"}, {"BossKey", "boss key"}, {"Refresh", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        requests.clear();
        // A write the window's start sent may still come in: only writes
        // sent after the click count.
        const qsizetype sends = sent.size();
        Click(QString::fromLatin1(c.id));
        ASSERT_TRUE(WaitFor([&] { return sent.size() > sends; })) << "the click is followed by a write";
        EXPECT_TRUE(WaitFor([&] { return written.contains(sent.last()); })) << "every write sent is done";
        if (c.request)
            EXPECT_TRUE(WaitFor([&] { return requests == QStringList{c.request}; })) << requests.join(',').toStdString();
        else
            EXPECT_FALSE(WaitFor([&] { return !requests.isEmpty(); }, 500));
    }
}

TEST_F(ToolbarAlone, TheStatesFollowTheLeftBar)
{
    auto shown = [&](const char* id) {
        QVariant display;
        bool answered = false;
        top_->page()->runJavaScript(QStringLiteral("document.getElementById('%1').style.display").arg(QLatin1String(id)),
                                    QWebEngineScript::MainWorld, [&](const QVariant& value) {
                                        display = value;
                                        answered = true;
                                    });
        EXPECT_TRUE(WaitFor([&] { return answered; }));
        return display.toString() != QLatin1String("none");
    };
    leftPanel_->hide();
    toolbar_.UpdateState();
    EXPECT_TRUE(WaitFor([&] { return shown("Open_leftBar") && !shown("Retract_leftBar"); }));
    leftPanel_->show();
    toolbar_.UpdateState();
    EXPECT_TRUE(WaitFor([&] { return !shown("Open_leftBar") && shown("Retract_leftBar"); }));
}

} // namespace
