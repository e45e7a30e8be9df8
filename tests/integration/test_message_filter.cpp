// The application's message filter with real input from xdotool: the boss
// key, no right-click menus, the strip at the left edge, and the left
// view's context menu.
#include "DialogAnswerer.h"
#include "FileDialogAnswerer.h"
#include "RunningMainWindow.h"
#include "library/GameLibrary.h"
#include "library/TGameList.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QProcess>
#include <functional>

using testing_support::DialogAnswerer;
using testing_support::WaitFor;
using testing_support::VisibleMenu;
using testing_support::Xdotool;

namespace {

// The texts of a menu's shown items, in order.
QStringList MenuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (action->isVisible())
            texts << action->text();
    return texts;
}

// Where the menu shows the item of this text.
QPoint MenuItem(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->isVisible() && action->text() == text)
            return menu->actionGeometry(action).center();
    ADD_FAILURE() << "no item " << text.toStdString();
    return {};
}

// The left view's menu on an entry of the list kind.
QStringList EntryMenu(const char* kind)
{
    if (QByteArray(kind) == "gamelocal")
        return {"删除", "导出存档", "导入存档", "添加本地游戏"};
    return {"删除", "添加本地游戏"};
}

class MessageFilter : public testing_support::RunningMainWindow {
protected:
    void SetUp() override
    {
        folder_.Write("Data/gamefavorites.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list><item><txt>收藏一</txt><url><![CDATA[" +
                          site_.Url("/title30.html").toUtf8() + "]]></url></item></list>");
        folder_.Write("Data/gamelocal.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                      "<item><txt>游戏一</txt><url><![CDATA[20260101000001.swf]]></url></item>"
                      "<item><txt>越界</txt><url><![CDATA[../victim.txt]]></url></item></list>");
        folder_.Write("Data/Flash/20260101000001.swf", "swf");
        folder_.Write("Data/victim.txt", "must stay");
        Start();
        Xdotool({"windowfocus", "--sync", QString::number(form_->winId())});
    }

    // A real click at a point of a widget, in the widget's coordinates.
    void ClickAt(QWidget* widget, QPoint point, int button)
    {
        const QPoint global = widget->mapToGlobal(point);
        Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", QString::number(button)});
    }
    // The middle of the first left-view element matching selector.
    QPoint LeftElement(const QString& selector)
    {
        const QVariantList box = RunIn(form_->wb_left, QStringLiteral("(function(){var e=document.querySelector('%1');"
                                                                      "if(!e)return [];var r=e.getBoundingClientRect();"
                                                                      "return [r.left+r.width/2,r.top+r.height/2];})()")
                                                           .arg(selector))
                                     .toList();
        return box.size() == 2 ? QPoint(int(box[0].toDouble()), int(box[1].toDouble())) : QPoint(-1, -1);
    }
    // A point of the toolbar page with no button under it.
    QPoint EmptyToolbarPoint()
    {
        const int x = RunInTop("(function(){for(var x=Math.floor(innerWidth/2);x<innerWidth;x+=4){"
                               "var e=document.elementFromPoint(x,innerHeight/2);"
                               "if(e&&(e.id==='bar'||e===document.body||e===document.documentElement))return x;}return -1;})()")
                          .toInt();
        EXPECT_GE(x, 0);
        return QPoint(x, form_->wb_top->height() / 2);
    }
};

TEST_F(MessageFilter, CtrlBHidesTheWindowWhenBIsReleased)
{
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/keys.html")));
    ClickAt(tab->WebBrowser, QPoint(200, 200), 1);

    // B released after Ctrl: nothing.
    Xdotool({"keydown", "ctrl", "keydown", "b", "keyup", "ctrl", "keyup", "b"});
    EXPECT_FALSE(WaitFor([&] { return !form_->isVisible(); }, 1000));
    // Games get arrows and letters.
    Xdotool({"key", "Left", "z", "7"});
    EXPECT_TRUE(WaitFor([&] { return RunIn(tab->WebBrowser, "keys.join(' ')").toString().contains("ArrowLeft z 7"); }))
        << RunIn(tab->WebBrowser, "keys.join(' ')").toString().toStdString();
    // Ctrl+Shift+B, with B released first, hides the window.
    Xdotool({"keydown", "ctrl", "keydown", "shift", "keydown", "b", "keyup", "b", "keyup", "shift", "keyup", "ctrl"});
    EXPECT_TRUE(WaitFor([&] { return !form_->isVisible(); }));
}

TEST_F(MessageFilter, RightClicksShowNoMenuOutsideTheLeftView)
{
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/keys.html")));
    ClickAt(tab->WebBrowser, QPoint(200, 200), 3);
    ClickAt(form_->wb_top, QPoint(300, 18), 3);
    ClickAt(form_->pnl_bottom, QPoint(400, 10), 3);
    EXPECT_FALSE(WaitFor([&] { return VisibleMenu() != nullptr; }, 1500));
    EXPECT_EQ(RunIn(tab->WebBrowser, "menus").toInt(), 0) << "the page saw no context menu";

    // An empty area of the left view: nothing either.
    ClickAt(form_->wb_left, QPoint(85, form_->wb_left->height() - 30), 3);
    EXPECT_FALSE(WaitFor([&] { return VisibleMenu() != nullptr; }, 1000));
}

struct DeleteCase {
    friend void PrintTo(const DeleteCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    const char* selector;
    const char* kind;
    const char* entry;
    const char* survivingFile; // a file that must still exist, relative to Data
    const char* deletedFile;   // a file that must be gone, or null
};

class LeftViewDelete : public MessageFilter, public testing::WithParamInterface<DeleteCase> {};

TEST_P(LeftViewDelete, RemovesTheEntryAndOnlyItsOwnFile)
{
    const DeleteCase& c = GetParam();
    ASSERT_TRUE(WaitFor([&] { return LeftElement(c.selector).x() >= 0; }));
    ClickAt(form_->wb_left, LeftElement(c.selector), 3);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    ASSERT_EQ(MenuTexts(menu), EntryMenu(c.kind)) << "saved data is a local game's own";
    const QRect item = menu->actionGeometry(menu->actions()[0]);
    ClickAt(menu, item.center(), 1);
    ASSERT_TRUE(WaitFor([&] { return LeftElement(c.selector).x() < 0; })) << "the left view redraws without the entry";
    EXPECT_TRUE(QFileInfo::exists(folder_.Path(QStringLiteral("Data/") + c.survivingFile)));
    if (c.deletedFile) {
        EXPECT_FALSE(QFileInfo::exists(folder_.Path(QStringLiteral("Data/") + c.deletedFile)));
    }
    TGameList list(ListFile(c.kind));
    EXPECT_EQ(list.FindValue(TGameList::Name, QString::fromUtf8(c.entry)), std::nullopt);
    EXPECT_EQ(list.Count(), QByteArray(c.kind) == "gamelocal" ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeftViewDelete,
    testing::Values(
        DeleteCase{"local_entry_and_its_file", ".gamelocal[title=\"游戏一\"]", "gamelocal", "游戏一", "victim.txt",
                   "Flash/20260101000001.swf"},
        DeleteCase{"entry_pointing_outside_the_game_folder", ".gamelocal[title=\"越界\"]", "gamelocal", "越界", "victim.txt",
                   nullptr},
        DeleteCase{"favourite_deletes_no_file", ".gamefavorites", "gamefavorites", "收藏一", "Flash/20260101000001.swf",
                   nullptr}),
    [](const testing::TestParamInfo<DeleteCase>& info) { return info.param.name; });

TEST_F(MessageFilter, StripShowsAtTheLeftEdgeWhileTheBarIsHidden)
{
    form_->ToggleLeftView();
    ASSERT_TRUE(form_->pnl_toggle->isHidden());
    auto moveTo = [&](int x) {
        const QPoint global = form_->mapToGlobal(QPoint(x, 300));
        Xdotool({"mousemove", QString::number(global.x() + 40), QString::number(global.y()), "mousemove",
                 QString::number(global.x()), QString::number(global.y())});
    };
    moveTo(4);
    EXPECT_TRUE(WaitFor([&] { return !form_->pnl_toggle->isHidden(); }));
    moveTo(5);
    EXPECT_TRUE(WaitFor([&] { return form_->pnl_toggle->isHidden(); }));
    moveTo(0);
    EXPECT_TRUE(WaitFor([&] { return !form_->pnl_toggle->isHidden(); }));
}

// Counts the left page's own mouse releases and clicks.
const char kCountReleases[] = "window.__ups = 0; window.__clicks = 0;"
                              "document.addEventListener('mouseup', function () { window.__ups++; });"
                              "document.addEventListener('click', function () { window.__clicks++; });";

TEST_F(MessageFilter, LeftClickOnALocalEntryPlaysItAndTheLeftPageNeverSeesIt)
{
    QFile::remove(folder_.Path("Data/Flash/20260101000001.swf"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf"), folder_.Path("Data/Flash/20260101000001.swf")));
    ASSERT_TRUE(WaitFor([&] { return LeftElement(".gamelocal").x() >= 0; }));
    RunIn(form_->wb_left, kCountReleases);

    ClickAt(form_->wb_left, LeftElement(".gamelocal[title=\"游戏一\"]"), 1);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
    TWebPageEx* tab = form_->pager_web->Page(1);
    EXPECT_EQ(form_->pager_web->ActivePage(), tab);
    EXPECT_TRUE(tab->ShowClose());
    EXPECT_EQ(tab->Caption().toStdString(), "游戏一");
    EXPECT_EQ(tab->GameName.toStdString(), "游戏一");
    const QUrl played = tab->WebBrowser->page()->requestedUrl();
    EXPECT_EQ(played.scheme().toStdString(), "orvanzev");
    EXPECT_EQ(played.path().toStdString(), "/swf.htm");
    EXPECT_EQ(played.query().toStdString(), "20260101000001.swf");
    // The game plays from disk.
    EXPECT_TRUE(WaitFor([&] { return RunIn(tab->WebBrowser, "typeof movie !== 'undefined' && movie.PercentLoaded()").toInt() == 100; }));
    EXPECT_EQ(tab->WebBrowser->title().toStdString(), "游戏一");
    EXPECT_EQ(RunIn(form_->wb_left, "window.__ups + ',' + window.__clicks").toString().toStdString(), "0,0");

    // A favourites entry is the page's own: its new-window link becomes a tab.
    ClickAt(form_->wb_left, LeftElement(".gamefavorites"), 1);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 3; }));
    EXPECT_TRUE(WaitFor([&] { return form_->pager_web->Page(2)->WebBrowser->page()->requestedUrl().toString().endsWith("/title30.html"); }));
    EXPECT_EQ(RunIn(form_->wb_left, "window.__ups + ',' + window.__clicks").toString().toStdString(), "1,1");
}

// Every entry of a list as "name|address", in order.
QStringList Entries(const QString& file)
{
    TGameList list(file);
    QStringList entries;
    for (int i = 0; i < list.Count(); ++i)
        entries << list.Value(i, TGameList::Name).value_or("") + "|" + list.Value(i, TGameList::Address).value_or("");
    return entries;
}

class LeftViewDeleteRightClicked : public MessageFilter {
protected:
    void DeleteAt(const QString& selector)
    {
        ASSERT_TRUE(WaitFor([&] { return LeftElement(selector).x() >= 0; })) << selector.toStdString();
        ClickAt(form_->wb_left, LeftElement(selector), 3);
        QMenu* menu = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
        BeforeDelete();
        ClickAt(menu, menu->actionGeometry(menu->actions()[0]).center(), 1);
        ASSERT_TRUE(WaitFor([&] { return VisibleMenu() == nullptr; }));
    }
    virtual void BeforeDelete() {}
    void TearDown() override
    {
        std::system(("chattr -i '" + folder_.Path("Data/gamelocal.xml").toStdString() + "' 2>/dev/null").c_str());
        MessageFilter::TearDown();
    }
};

TEST_F(LeftViewDeleteRightClicked, AFailedSaveKeepsTheGameFileAndSaysSo)
{
    const QStringList before = Entries(ListFile("gamelocal"));
    ASSERT_EQ(std::system(("chattr +i '" + folder_.Path("Data/gamelocal.xml").toStdString() + "'").c_str()), 0);
    DialogAnswerer answerer;
    DeleteAt(".gamelocal:nth-child(1)");
    ASSERT_TRUE(WaitFor([&] { return !answerer.messages.isEmpty(); }));
    EXPECT_EQ(answerer.messages.join('\n').toStdString(), "删除失败：无法保存游戏列表。");
    EXPECT_TRUE(QFileInfo::exists(folder_.Path("Data/Flash/20260101000001.swf")));
    EXPECT_EQ(Entries(ListFile("gamelocal")), before);
}

class LeftViewListChangedMeanwhile : public LeftViewDeleteRightClicked {
protected:
    // Another game of the same name takes the entry's place while the menu is up.
    void BeforeDelete() override
    {
        folder_.Write("Data/gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                                            "<item><txt>游戏一</txt><url><![CDATA[other.swf]]></url></item></list>");
        folder_.Write("Data/Flash/other.swf", "other");
    }
};

TEST_F(LeftViewListChangedMeanwhile, NeverDeletesAnEntryItWasNotShown)
{
    DeleteAt(".gamelocal:nth-child(1)");
    EXPECT_TRUE(WaitFor([&] { return RunIn(form_->wb_left, "document.querySelectorAll('.gamelocal').length").toInt() == 1; }))
        << "the left view shows the list as it is now";
    EXPECT_TRUE(QFileInfo::exists(folder_.Path("Data/Flash/other.swf")));
    EXPECT_EQ(Entries(ListFile("gamelocal")), QStringList{"游戏一|other.swf"});
}

// Lists whose names the page renders differently from how they are stored.
class LeftViewStoredNames : public MessageFilter {
protected:
    void SetUp() override
    {
        MessageFilter::SetUp();
        folder_.Write("Data/gamelocal.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                      "<item><txt> 双  空格 </txt><url><![CDATA[spaced.swf]]></url></item>"
                      "<item><txt>换\n行</txt><url><![CDATA[broken.swf]]></url></item>"
                      "<item><txt>播放页</txt><url><![CDATA[swf.htm]]></url></item></list>");
        folder_.Write("Data/gamefavorites.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                      "<item><txt>同名</txt><url><![CDATA[" + site_.Url("/title30.html").toUtf8() + "]]></url></item>"
                      "<item><txt>同名</txt><url><![CDATA[" + site_.Url("/title31.html").toUtf8() + "]]></url></item></list>");
        for (const char* file : {"Data/Flash/spaced.swf", "Data/Flash/broken.swf"})
            folder_.Write(file, "swf");
        form_->Library->RefreshLeftView(platform::ListKind::Local);
        form_->Library->RefreshLeftView(platform::ListKind::Favorites);
        ASSERT_TRUE(WaitFor([&] {
            return RunIn(form_->wb_left, "document.querySelectorAll('.gamelocal').length + ','"
                                         "+ document.querySelectorAll('.gamefavorites').length").toString() == "3,2";
        }));
    }
};

struct StoredNameCase {
    friend void PrintTo(const StoredNameCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    const char* selector;
    const char* kind;
    QStringList remaining;     // the list afterwards, as "name|address"
    const char* deletedFile;   // gone afterwards, relative to Data, or null
    const char* survivingFile; // still there, relative to Data
};

class LeftViewDeleteStoredName : public LeftViewStoredNames, public testing::WithParamInterface<StoredNameCase> {};

TEST_P(LeftViewDeleteStoredName, DeletesTheEntryThatWasClicked)
{
    const StoredNameCase& c = GetParam();
    ASSERT_TRUE(WaitFor([&] { return LeftElement(c.selector).x() >= 0; }));
    ClickAt(form_->wb_left, LeftElement(c.selector), 3);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    ClickAt(menu, menu->actionGeometry(menu->actions()[0]).center(), 1);
    QStringList remaining = c.remaining;
    for (QString& entry : remaining)
        entry.replace("SITE", site_.Url("/"));
    EXPECT_TRUE(WaitFor([&] { return Entries(ListFile(c.kind)) == remaining; }))
        << Entries(ListFile(c.kind)).join(" / ").toStdString();
    if (c.deletedFile) {
        EXPECT_TRUE(WaitFor([&] { return !QFileInfo::exists(folder_.Path(QStringLiteral("Data/") + c.deletedFile)); }));
    }
    EXPECT_TRUE(QFileInfo::exists(folder_.Path(QStringLiteral("Data/") + c.survivingFile)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeftViewDeleteStoredName,
    testing::Values(
        StoredNameCase{"leading_trailing_and_double_spaces", ".gamelocal:nth-child(1)", "gamelocal",
                       {"换\n行|broken.swf", "播放页|swf.htm"}, "Flash/spaced.swf", "Flash/broken.swf"},
        StoredNameCase{"line_break", ".gamelocal:nth-child(2)", "gamelocal", {" 双  空格 |spaced.swf", "播放页|swf.htm"},
                       "Flash/broken.swf", "Flash/spaced.swf"},
        StoredNameCase{"entry_naming_the_player_page", ".gamelocal:nth-child(3)", "gamelocal",
                       {" 双  空格 |spaced.swf", "换\n行|broken.swf"}, nullptr, "Flash/swf.htm"},
        StoredNameCase{"second_of_two_favourites_of_one_name", ".gamefavorites:nth-child(2)", "gamefavorites",
                       {"同名|SITEtitle30.html"}, nullptr, "Flash/spaced.swf"}),
    [](const testing::TestParamInfo<StoredNameCase>& info) { return info.param.name; });

TEST_F(LeftViewStoredNames, PlaysAGameWhoseNameHasSpaces)
{
    ClickAt(form_->wb_left, LeftElement(".gamelocal:nth-child(1)"), 1);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
    TWebPageEx* tab = form_->pager_web->Page(1);
    EXPECT_EQ(tab->WebBrowser->page()->requestedUrl().query().toStdString(), "spaced.swf");
    EXPECT_EQ(tab->GameName.toStdString(), " 双  空格 ");
}

// Lists the left page has to read beyond plain UTF-8 XML.
struct ListFileCase {
    friend void PrintTo(const ListFileCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray bytes;
    QStringList shown; // the entries' visible texts
    bool deleteAll;    // whether the test deletes them all too
};

class LeftViewListFiles : public MessageFilter, public testing::WithParamInterface<ListFileCase> {};

TEST_P(LeftViewListFiles, ShowEveryEntry)
{
    const ListFileCase& c = GetParam();
    folder_.Write("Data/gamefavorites.xml", c.bytes);
    form_->Library->RefreshLeftView(platform::ListKind::Favorites);
    const QString shown = QStringLiteral("Array.from(document.querySelectorAll('.gamefavorites'))"
                                         ".map(function(e){return e.textContent;}).join('/')");
    ASSERT_TRUE(WaitFor([&] { return RunIn(form_->wb_left, shown).toString() == c.shown.join('/'); }))
        << RunIn(form_->wb_left, shown).toString().toStdString();

    // Deleting every entry from the last to the first empties the list.
    for (qsizetype left = c.deleteAll ? c.shown.size() : 0; left > 0; --left) {
        const QString selector = QStringLiteral(".gamefavorites:nth-child(%1)").arg(left);
        ClickAt(form_->wb_left, LeftElement(selector), 3);
        QMenu* menu = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
        ClickAt(menu, menu->actionGeometry(menu->actions()[0]).center(), 1);
        ASSERT_TRUE(WaitFor([&] { return TGameList(ListFile("gamefavorites")).Count() == left - 1; })) << left;
        ASSERT_TRUE(WaitFor([&] { return LeftElement(selector).x() < 0; }));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeftViewListFiles,
    testing::Values(
        ListFileCase{"reference_to_a_control_character",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                     "<item><txt>好一</txt><url><![CDATA[http://127.0.0.1:1/a.html]]></url></item>"
                     "<item><txt>坏&#01;名</txt><url><![CDATA[http://127.0.0.1:1/b.html]]></url></item>"
                     "<item><txt>好二</txt><url><![CDATA[http://127.0.0.1:1/c.html]]></url></item></list>",
                     {"好一", "坏\x01名", "好二"}, true},
        ListFileCase{"declared_gb2312",
                     "<?xml version=\"1.0\" encoding=\"GB2312\"?><list><item><txt>\xcc\xb0\xb3\xd4\xc9\xdf</txt>"
                     "<url><![CDATA[http://127.0.0.1:1/a.html]]></url></item></list>",
                     {"贪吃蛇"}, false}),
    [](const testing::TestParamInfo<ListFileCase>& info) { return info.param.name; });

class LeftViewFixture : public MessageFilter {
protected:
    void SetUp() override
    {
        QFile page(QStringLiteral(TEST_PAGES_DIR "/left_fixture.html"));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        folder_.Write("Data/left.html", page.readAll());
        MessageFilter::SetUp();
        folder_.Write("Data/gamelocal.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                      "<item><txt>同名游戏</txt><url><![CDATA[first.swf]]></url></item>"
                      "<item><txt>同名游戏</txt><url><![CDATA[second.swf]]></url></item></list>");
        ASSERT_TRUE(WaitFor([&] { return LeftElement("#plain").x() >= 0; }));
        RunIn(form_->wb_left, kCountReleases);
    }
};

TEST_F(LeftViewFixture, OnlyAnElementOfClassGamelocalItselfIsAnEntry)
{
    ClickAt(form_->wb_left, LeftElement("#two-classes"), 1);
    ClickAt(form_->wb_left, LeftElement("#nested"), 1);
    EXPECT_TRUE(WaitFor([&] { return RunIn(form_->wb_left, "window.__ups").toInt() == 2; }));
    EXPECT_EQ(form_->pager_web->PageCount(), 1);

    // Two entries with one name: the first in the list plays.
    ClickAt(form_->wb_left, LeftElement("#plain"), 1);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
    EXPECT_EQ(form_->pager_web->Page(1)->WebBrowser->page()->requestedUrl().query().toStdString(), "first.swf");
    EXPECT_EQ(RunIn(form_->wb_left, "window.__ups").toInt(), 2);

    // Deleting acts on the first of them too.
    ClickAt(form_->wb_left, LeftElement("#plain"), 3);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    ClickAt(menu, menu->actionGeometry(menu->actions()[0]).center(), 1);
    ASSERT_TRUE(WaitFor([&] { return TGameList(ListFile("gamelocal")).Count() == 1; }));
    EXPECT_EQ(TGameList(ListFile("gamelocal")).Text(0, TGameList::Address).toStdString(), "second.swf");
}

} // namespace

namespace {

TEST_F(MessageFilter, KeptBackKeysNeverNavigateAndReloadWorks)
{
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/keys.html")));
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/counter.html")));
    ClickAt(tab->WebBrowser, QPoint(200, 200), 1);
    Xdotool({"key", "alt+Left", "BackSpace", "ctrl+r", "ctrl+f", "ctrl+p", "ctrl+n"});
    EXPECT_FALSE(WaitFor([&] { return !tab->WebBrowser->LocationURL().endsWith("/counter.html") || form_->pager_web->PageCount() != 1; }, 1500));
    const QString before = tab->WebBrowser->title();
    EXPECT_FALSE(WaitFor([&] { return tab->WebBrowser->title() != before; }, 500)) << "ctrl+r reloaded";
    Xdotool({"key", "F5"});
    EXPECT_TRUE(WaitFor([&] { return tab->WebBrowser->title() != before && !tab->Busy; }));
    EXPECT_TRUE(tab->WebBrowser->LocationURL().endsWith("/counter.html"));
}

struct BrokenGame {
    friend void PrintTo(const BrokenGame& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray bytes; // the file's content; empty for no file
    const char* message;
};

class LocalPlayerPage : public MessageFilter, public testing::WithParamInterface<BrokenGame> {};

TEST_P(LocalPlayerPage, ShowsAClearMessage)
{
    QFile::remove(folder_.Path("Data/Flash/20260101000001.swf"));
    if (!GetParam().bytes.isEmpty())
        folder_.Write("Data/Flash/20260101000001.swf", GetParam().bytes);
    form_->Library->Pick(platform::ListKind::Local, QStringLiteral("游戏一"));
    form_->Library->PlayPicked();
    ASSERT_EQ(form_->pager_web->PageCount(), 2);
    TWebPageEx* tab = form_->pager_web->Page(1);
    EXPECT_TRUE(WaitFor([&] { return RunIn(tab->WebBrowser, "document.body ? document.body.innerText : ''").toString().contains(QString::fromUtf8(GetParam().message)); }))
        << RunIn(tab->WebBrowser, "document.body.innerText").toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, LocalPlayerPage,
                         testing::Values(BrokenGame{"missing_file", {}, "找不到游戏文件"},
                                         BrokenGame{"not_a_movie", "<html>not a movie</html>", "游戏文件已损坏"}),
                         [](const testing::TestParamInfo<BrokenGame>& info) { return info.param.name; });

} // namespace

namespace {

// The menu key and Shift+F10, with the keyboard in each view of the window.
TEST_F(MessageFilter, KeyboardNeverOpensTheEnginesMenu)
{
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/keys.html")));
    ASSERT_TRUE(WaitFor([&] { return LeftElement(".gamefavorites").x() >= 0; }));
    const struct {
        const char* view;
        QWidget* widget;
        QPoint at;
    } places[] = {{"tab", tab->WebBrowser, QPoint(200, 200)},
                  {"toolbar", form_->wb_top, EmptyToolbarPoint()},
                  {"left view", form_->wb_left, QPoint(85, form_->wb_left->height() - 30)}};
    for (const auto& place : places) {
        ClickAt(place.widget, place.at, 1);
        ASSERT_TRUE(WaitFor([&] { return place.widget->isAncestorOf(QApplication::focusWidget()); })) << place.view;
        for (const char* key : {"Menu", "shift+F10"}) {
            Xdotool({"key", key});
            QStringList shown;
            WaitFor([&] {
                if (QMenu* menu = VisibleMenu()) {
                    for (QAction* action : menu->actions())
                        shown << action->text();
                    menu->close();
                }
                return !shown.isEmpty();
            }, 1500);
            EXPECT_TRUE(shown.isEmpty()) << place.view << " " << key << ": " << shown.join('|').toStdString();
        }
    }
    EXPECT_EQ(form_->pager_web->PageCount(), 1) << "no page source in a new tab";

    // The left view still offers its own menu on an entry.
    ClickAt(form_->wb_left, LeftElement(".gamefavorites"), 3);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    ASSERT_EQ(MenuTexts(menu), (QStringList{"删除", "添加本地游戏"}));
    menu->close();
}

// The menu key on the entry that has the keyboard offers the same "删除"
// as a right click, below that entry.
TEST_F(MessageFilter, MenuKeyOnTheFocusedEntryDeletesIt)
{
    ASSERT_TRUE(WaitFor([&] { return LeftElement(".gamefavorites").x() >= 0 && LeftElement(".gamelocal").x() >= 0; }));
    // The keyboard goes to the left view with a click the page has seen.
    RunIn(form_->wb_left, kCountReleases);
    ClickAt(form_->wb_left, QPoint(85, form_->wb_left->height() - 30), 1);
    ASSERT_TRUE(WaitFor([&] { return RunIn(form_->wb_left, "window.__ups").toInt() == 1; }));
    ASSERT_TRUE(form_->wb_left->isAncestorOf(QApplication::focusWidget()));
    const struct {
        const char* key;
        const char* selector;
        const char* kind;
        const char* entry;
    } cases[] = {{"Menu", ".gamelocal[title=\"游戏一\"]", "gamelocal", "游戏一"},
                 {"shift+F10", ".gamefavorites", "gamefavorites", "收藏一"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(RunIn(form_->wb_left, QStringLiteral("(function(){var e=document.querySelector('%1');e.focus();"
                                                         "return document.activeElement===e;})()")
                                              .arg(c.selector))
                        .toBool());
        const QPoint entry = form_->wb_left->mapToGlobal(LeftElement(c.selector));
        Xdotool({"key", c.key});
        QMenu* menu = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
        ASSERT_EQ(MenuTexts(menu), EntryMenu(c.kind));
        EXPECT_LT(std::abs(menu->pos().y() - entry.y()), 40) << "the menu opens at its entry";
        ClickAt(menu, menu->actionGeometry(menu->actions()[0]).center(), 1);
        ASSERT_TRUE(WaitFor([&] { return LeftElement(c.selector).x() < 0; }));
        TGameList list(ListFile(c.kind));
        EXPECT_EQ(list.FindValue(TGameList::Name, QString::fromUtf8(c.entry)), std::nullopt);
    }
    EXPECT_EQ(form_->pager_web->PageCount(), 1);
}

// F5 reloads the active tab only when that tab has the keyboard.
// Games the user already has: chosen with the file dialog from the left
// view's add button or its menu, or dropped on the left view.
class LeftViewAddGames : public MessageFilter {
protected:
    // A file of the user's, outside the program folder.
    QString Have(const QString& name, const QByteArray& bytes)
    {
        QFile file(home_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    static QByteArray Movie()
    {
        QFile movie(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf"));
        return movie.open(QIODevice::ReadOnly) ? movie.readAll() : QByteArray();
    }
    QStringList Shown()
    {
        return RunIn(form_->wb_left, "Array.prototype.map.call(document.querySelectorAll('.gamelocal'),"
                                     "function(e){return e.innerText;})")
            .toStringList();
    }
    void WhenFileDialogShows(std::function<void(QFileDialog*)> answer) { fileDialog_.When(std::move(answer)); }

    QTemporaryDir home_;
    testing_support::FileDialogAnswerer fileDialog_;
};

TEST_F(LeftViewAddGames, TheAddButtonChoosesAMovieThatIsCopiedListedAndPlays)
{
    const QString movie = Have("小游戏.swf", Movie());
    ASSERT_TRUE(WaitFor([&] { return LeftElement(".addlocalgame").x() >= 0; }));
    DialogAnswerer answerer;
    bool typed = false;
    WhenFileDialogShows([&](QFileDialog* dialog) { typed = testing_support::FileDialogAnswerer::Type(dialog, movie); });
    ClickAt(form_->wb_left, LeftElement(".addlocalgame"), 1);
    ASSERT_TRUE(WaitFor([&] { return !answerer.messages.isEmpty(); }));
    EXPECT_TRUE(typed);
    EXPECT_EQ(fileDialog_.title, "添加本地游戏");
    EXPECT_EQ(answerer.messages, QStringList{"已添加“小游戏”。"});
    ASSERT_TRUE(WaitFor([&] { return Shown() == QStringList{"游戏一", "越界", "小游戏"}; }))
        << Shown().join('|').toStdString();
    TGameList list(ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(folder_.Read("Data/Flash/" + list.Text(2, TGameList::Address)), Movie());
    EXPECT_TRUE(QFileInfo::exists(movie)) << "the user's own file stays";

    ClickAt(form_->wb_left, LeftElement(".gamelocal:nth-child(3)"), 1);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
    EXPECT_EQ(form_->pager_web->ActivePage()->GameName, "小游戏");
}

TEST_F(LeftViewAddGames, TheEntryMenuOffersTheFileDialogToo)
{
    ASSERT_TRUE(WaitFor([&] { return LeftElement(".gamelocal").x() >= 0; }));
    ClickAt(form_->wb_left, LeftElement(".gamelocal"), 3);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }));
    ASSERT_EQ(MenuTexts(menu), EntryMenu("gamelocal"));
    const QByteArray before = folder_.Read("Data/gamelocal.xml");
    WhenFileDialogShows([](QFileDialog* dialog) { dialog->reject(); });
    DialogAnswerer answerer;
    ClickAt(menu, MenuItem(menu, "添加本地游戏"), 1);
    ASSERT_TRUE(WaitFor([&] { return !fileDialog_.title.isEmpty(); }));
    EXPECT_EQ(fileDialog_.title, "添加本地游戏");
    WaitFor([&] { return false; }, 500);
    EXPECT_TRUE(answerer.messages.isEmpty()) << "nothing chosen, nothing to say";
    EXPECT_EQ(folder_.Read("Data/gamelocal.xml"), before) << "nothing chosen, nothing changed";
}

TEST_F(LeftViewAddGames, DroppedFilesAreAddedAndWhatIsNoMovieIsRefused)
{
    const QString movie = Have("拖进来.swf", Movie());
    const QString text = Have("说明.txt", "not a movie");
    ASSERT_TRUE(WaitFor([&] { return form_->wb_left->ReadyState() == 4; }));
    const QUrl before = form_->wb_left->page()->url();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(movie), QUrl::fromLocalFile(text)});
    QWidget* target = form_->wb_left->focusProxy();
    const QPointF at(60, 60);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    DialogAnswerer answerer;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(WaitFor([&] { return !answerer.messages.isEmpty(); }));
    EXPECT_EQ(answerer.messages, QStringList{"已添加“拖进来”。\n“说明.txt”不是 Flash 游戏文件（SWF），没有添加。"});
    ASSERT_TRUE(WaitFor([&] { return Shown().contains("拖进来"); }));
    EXPECT_EQ(form_->wb_left->page()->url(), before) << "the view did not open the dropped file";
    EXPECT_EQ(QDir(folder_.Path("Data/Flash")).entryList(QDir::Files).size(), 3) << "swf.htm, the old game, the new one";
}

TEST_F(MessageFilter, F5ReloadsTheTabOnlyWhenItHasTheKeyboard)
{
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/counter.html")));
    const QString before = tab->WebBrowser->title();
    const struct {
        const char* view;
        QWidget* widget;
        QPoint at;
    } elsewhere[] = {{"toolbar", form_->wb_top, EmptyToolbarPoint()},
                     {"left view", form_->wb_left, QPoint(85, form_->wb_left->height() - 30)}};
    for (const auto& place : elsewhere) {
        ClickAt(place.widget, place.at, 1);
        ASSERT_TRUE(WaitFor([&] { return place.widget->isAncestorOf(QApplication::focusWidget()); })) << place.view;
        Xdotool({"key", "F5"});
        EXPECT_FALSE(WaitFor([&] { return tab->WebBrowser->title() != before; }, 1500)) << "F5 in the " << place.view;
    }
    ClickAt(tab->WebBrowser, QPoint(200, 200), 1);
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->isAncestorOf(QApplication::focusWidget()); }));
    Xdotool({"key", "F5"});
    EXPECT_TRUE(WaitFor([&] { return tab->WebBrowser->title() != before && !tab->Busy; }));
}

} // namespace
