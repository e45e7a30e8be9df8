// Collecting and downloading on the running main window, with real clicks
// on the toolbar and a download server on 127.0.0.1.
#include "RunningMainWindow.h"
#include "library/TGameList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEngineScript>

using testing_support::WaitFor;

namespace {

// Answers the program's modal dialogs as a user would: reads and confirms
// each message box, and cancels a progress dialog when told to.
class DialogAnswerer {
public:
    explicit DialogAnswerer(bool cancelProgress = false) : cancelProgress_(cancelProgress)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(20);
    }
    QStringList messages;
    bool progressSeen = false;

private:
    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box->isVisible() && box != answered_) {
                answered_ = box;
                messages << box->text();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(widget); progress && progress->isVisible()) {
                progressSeen = true;
                if (cancelProgress_)
                    for (auto* button : progress->findChildren<QAbstractButton*>())
                        if (button->text() == QStringLiteral("取消"))
                            QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    }
    bool cancelProgress_;
    QTimer timer_;
    QPointer<QMessageBox> answered_;
};

class Library : public testing_support::RunningMainWindow {
protected:
    void SetUp() override
    {
        for (const char* list : {"gamefavorites.xml", "gamelocal.xml"})
            QFile::copy(QStringLiteral(DATA_DIR "/") + list, folder_.Path(QStringLiteral("Data/") + list));
        Start();
    }
    void TearDown() override
    {
        for (const char* list : {"gamefavorites.xml", "gamelocal.xml"})
            std::system(("chattr -i '" + folder_.Path(QStringLiteral("Data/") + list).toStdString() + "' 2>/dev/null").c_str());
        RunningMainWindow::TearDown();
    }

    TWebPageEx* OpenTab(const QString& path)
    {
        TWebPageEx* tab = form_->pager_web->OpenPage(site_.Url(path), true);
        EXPECT_TRUE(WaitFor([&] { return tab->WebBrowser->ReadyState() == 4 && !tab->Busy; }));
        return tab;
    }
    QByteArray List(const char* kind) const { return folder_.Read(QStringLiteral("Data/%1.xml").arg(kind)); }
    // What Data/Flash holds besides the local player page.
    QStringList Games() const
    {
        QStringList files = QDir(folder_.Path("Data/Flash")).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QStringLiteral("swf.htm"));
        return files;
    }
    // The entries the left view shows for a kind, by their visible text.
    QStringList Shown(const char* kind)
    {
        return RunIn(form_->wb_left,
                     QStringLiteral("Array.prototype.map.call(document.querySelectorAll('.%1'),function(e){return e.textContent;})")
                         .arg(kind))
            .toStringList();
    }
    bool WaitForShown(const char* kind, const QStringList& expected)
    {
        QStringList last;
        const bool ok = WaitFor([&] { return (last = Shown(kind)) == expected; }, 10000);
        EXPECT_EQ(last.join('|').toStdString(), expected.join('|').toStdString());
        return ok;
    }
    // Clicks a toolbar command and waits for the dialogs it brings.
    QStringList Command(const QString& id, int messages, bool cancelProgress = false, bool* progressSeen = nullptr)
    {
        DialogAnswerer answerer(cancelProgress);
        Click(id);
        EXPECT_TRUE(WaitFor([&] { return answerer.messages.size() >= messages; }, 30000));
        if (messages == 0)
            WaitFor([&] { return false; }, 800); // give a wrong message the chance to show
        if (progressSeen)
            *progressSeen = answerer.progressSeen;
        return answerer.messages;
    }
    void SetImmutable(const char* kind)
    {
        ASSERT_EQ(std::system(("chattr +i '" + folder_.Path(QStringLiteral("Data/%1.xml").arg(kind)).toStdString() + "'").c_str()), 0);
    }
};

TEST_F(Library, CollectAddsThePageOnceAndTheLeftViewRedraws)
{
    TWebPageEx* tab = OpenTab("/game.html");
    EXPECT_EQ(Command("Collect", 1), QStringList{"该游戏收藏成功！"});
    TGameList list(form_->ListFile("gamefavorites"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Name), "测试游戏页面");
    EXPECT_EQ(list.Text(0, TGameList::Address), tab->WebBrowser->LocationURL());
    WaitForShown("gamefavorites", {"测试游戏页面"});

    const QByteArray before = List("gamefavorites");
    EXPECT_EQ(Command("Collect", 1), QStringList{"该游戏已经收藏！"});
    EXPECT_EQ(List("gamefavorites"), before);
}

TEST_F(Library, PagesWithOneTitleAndWithoutTitleAreAllCollected)
{
    for (const char* path : {"/game.html?a", "/game.html?b", "/no_game.html", "/title_html.html"}) {
        OpenTab(path);
        EXPECT_EQ(Command("Collect", 1), QStringList{"该游戏收藏成功！"}) << path;
    }
    TGameList list(form_->ListFile("gamefavorites"));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_TRUE(list.Text(1, TGameList::Address).endsWith("/game.html?b"));
    EXPECT_EQ(list.Value(2, TGameList::Name), std::nullopt);
    const QString markup = "<img src=x onerror=\"document.title='hacked'\"> & 游戏";
    EXPECT_EQ(list.Text(3, TGameList::Name), markup);
    // The title that looks like markup is shown as those characters.
    WaitForShown("gamefavorites", {"测试游戏页面", "测试游戏页面", "", markup});
    EXPECT_EQ(RunIn(form_->wb_left, "document.querySelectorAll('#gamefavorites img').length").toInt(), 0);
}

TEST_F(Library, DownloadStoresTheGameByTimestampOnce)
{
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏下载成功！"});
    const QStringList games = Games();
    ASSERT_EQ(games.size(), 1);
    EXPECT_TRUE(QRegularExpression("^\\d{14}\\.swf$").match(games[0]).hasMatch()) << games[0].toStdString();
    QFile original(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(folder_.Read("Data/Flash/" + games[0]), original.readAll());
    TGameList list(form_->ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Name), "测试游戏");
    EXPECT_EQ(list.Text(0, TGameList::Address), games[0]);
    WaitForShown("gamelocal", {"测试游戏"});

    const QByteArray before = List("gamelocal");
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏已经下载！"});
    EXPECT_EQ(List("gamelocal"), before);
    EXPECT_EQ(Games(), games);
}

struct FailedDownload {
    friend void PrintTo(const FailedDownload& c, std::ostream* out) { *out << c.page; }
    const char* page;
    bool cancel;
    QStringList messages;
};

class LibraryFailedDownloads : public Library, public testing::WithParamInterface<FailedDownload> {};

TEST_P(LibraryFailedDownloads, LeaveNoFileAndNoEntry)
{
    const QByteArray before = List("gamelocal");
    TWebPageEx* tab = OpenTab(GetParam().page);
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    bool progress = false;
    EXPECT_EQ(Command("Down_active_click", GetParam().messages.size(), GetParam().cancel, &progress), GetParam().messages);
    EXPECT_EQ(Games(), QStringList{}) << "no partial file";
    EXPECT_EQ(List("gamelocal"), before);
    if (GetParam().cancel) {
        EXPECT_TRUE(progress);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LibraryFailedDownloads,
                         testing::Values(FailedDownload{"/missing_file.html", false, {"该游戏下载失败！"}},
                                         FailedDownload{"/broken_file.html", false, {"该游戏下载失败！"}},
                                         FailedDownload{"/slow_file.html", true, {}}));

TEST_F(Library, UnwritableListsReportTheFailureAndStayAsTheyWere)
{
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    const QByteArray favorites = List("gamefavorites");
    const QByteArray local = List("gamelocal");
    SetImmutable("gamefavorites");
    SetImmutable("gamelocal");

    EXPECT_EQ(Command("Collect", 1), QStringList{"收藏失败：无法保存收藏列表，列表没有改动。"});
    EXPECT_EQ(List("gamefavorites"), favorites);
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"下载失败：无法保存本地游戏列表，已删除下载的文件。"});
    EXPECT_EQ(List("gamelocal"), local);
    EXPECT_EQ(Games(), QStringList{});
}

} // namespace

namespace {

TEST_F(Library, ListsThatCannotBeLoadedReachTheErrorLog)
{
    folder_.Write("Data/gamefavorites.xml", "<list><item>");
    folder_.Write("Data/gamelocal.xml", "not xml at all");
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    Click("Collect");          // fails inside a script answer
    Click("Down_active_click"); // fails inside a queued handler
    ASSERT_TRUE(WaitFor([&] { return folder_.Read("Data/Log.dat").count("\r\n") == 2; }));
    const QString log = QString::fromUtf8(folder_.Read("Data/Log.dat"));
    EXPECT_TRUE(log.contains("gamefavorites.xml")) << log.toStdString();
    EXPECT_TRUE(log.contains("gamelocal.xml")) << log.toStdString();
    EXPECT_EQ(Games(), QStringList{});
    EXPECT_TRUE(form_->isVisible());
}

} // namespace
