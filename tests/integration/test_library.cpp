// Collecting and downloading on the running main window, with real clicks
// on the toolbar and a download server on 127.0.0.1.
#include "DialogAnswerer.h"
#include "FileDialogAnswerer.h"
#include "RunningMainWindow.h"
#include "library/GameLibrary.h"
#include "library/GameSaves.h"
#include "library/TGameList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineScript>
#include <QXmlStreamReader>
#include <sys/mount.h>

using testing_support::DialogAnswerer;
using testing_support::WaitFor;

namespace {

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
    // Two clicks on a toolbar command as fast as a user's double click.
    QStringList DoubleCommand(const QString& id, int messages)
    {
        DialogAnswerer answerer;
        const QVariantList box = RunInTop(QStringLiteral("(function(){var r=document.getElementById('%1')"
                                                         ".getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                              .arg(id))
                                     .toList();
        const QPoint point(int(box.value(0).toDouble()), int(box.value(1).toDouble()));
        QTest::mouseClick(form_->wb_top->focusProxy(), Qt::LeftButton, {}, point);
        QTest::mouseClick(form_->wb_top->focusProxy(), Qt::LeftButton, {}, point);
        EXPECT_TRUE(WaitFor([&] { return answerer.messages.size() >= messages; }, 60000));
        WaitFor([&] { return false; }, 1500); // give a second download the chance to end
        return answerer.messages;
    }
    // Whether a list file is XML that a strict reader takes whole.
    bool WellFormed(const char* kind) const
    {
        QXmlStreamReader reader(List(kind));
        while (!reader.atEnd())
            reader.readNext();
        EXPECT_FALSE(reader.hasError()) << kind << ": " << reader.errorString().toStdString();
        return !reader.hasError();
    }
    // What the loader game reports once it has played: its level, its part,
    // its address and its plays so far.
    QString LoaderReport(TWebPageEx* tab)
    {
        return RunIn(tab->WebBrowser, "document.documentElement.getAttribute('data-report')").toString();
    }
    // Plays the local game name in a new tab until it reports its plays;
    // empty when it never does.
    QString PlaysOffline(const QString& name)
    {
        form_->Library->Pick(platform::ListKind::Local, name);
        form_->Library->PlayPicked();
        TWebPageEx* tab = form_->pager_web->ActivePage();
        QString report;
        WaitFor([&] { return (report = LoaderReport(tab)).contains(" plays="); }, 20000);
        return report.section(QStringLiteral(" plays="), 1);
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
    TGameList list(ListFile("gamefavorites"));
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
    TGameList list(ListFile("gamefavorites"));
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
    TGameList list(ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Name), "测试游戏");
    EXPECT_EQ(list.Text(0, TGameList::Address), games[0]);
    WaitForShown("gamelocal", {"测试游戏"});

    const QByteArray before = List("gamelocal");
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏已经下载！"});
    EXPECT_EQ(List("gamelocal"), before);
    EXPECT_EQ(Games(), games);
}

// A page that declares no game offers the movie its largest player loaded,
// under the page's title, and the download keeps exactly that file.
struct MoviePage {
    friend void PrintTo(const MoviePage& c, std::ostream* out) { *out << c.page; }
    const char* page;
    const char* movie; // the offered address's path; nullptr: no offer
    const char* name;
};

class LibraryMoviePages : public Library, public testing::WithParamInterface<MoviePage> {};

TEST_P(LibraryMoviePages, OfferTheMovieThePlayerLoaded)
{
    const MoviePage& c = GetParam();
    TWebPageEx* tab = OpenTab(c.page);
    if (!c.movie) {
        EXPECT_FALSE(WaitFor([&] { return tab->DownloadReady; }, 3000));
        EXPECT_TRUE(tab->GameFileURL.isEmpty());
        return;
    }
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    EXPECT_EQ(tab->GameFileURL, site_.Url(c.movie));
    EXPECT_EQ(tab->MovieName, QString::fromUtf8(c.name));
    EXPECT_TRUE(tab->GameName.isEmpty()) << "the page declared no game";

    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏下载成功！"});
    const QStringList games = Games();
    ASSERT_EQ(games.size(), 1);
    QFile original(QStringLiteral(DEMO_SITE_DIR) + QString::fromUtf8(c.movie));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(folder_.Read("Data/Flash/" + games[0]), original.readAll());
    TGameList list(ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Name), QString::fromUtf8(c.name));
    EXPECT_EQ(list.Text(0, TGameList::Address), games[0]);
}

INSTANTIATE_TEST_SUITE_P(Pages, LibraryMoviePages,
                         testing::Values(MoviePage{"/movie_page.html", "/swf/tiny.swf", "任意电影页面"},
                                         MoviePage{"/two_movies.html", "/swf/snake.swf", "两个电影"},
                                         MoviePage{"/redirected_movie.html", "/swf/tiny.swf", "跳转的电影"},
                                         MoviePage{"/missing_movie.html", nullptr, ""},
                                         MoviePage{"/no_game.html", nullptr, ""},
                                         // declares an empty name: the plain contract, which offers nothing
                                         MoviePage{"/empty_n.html", nullptr, ""}));

TEST_F(Library, ADeclaredGameWinsOverTheMovieItPlays)
{
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    EXPECT_EQ(tab->GameName, "测试游戏");
    EXPECT_TRUE(tab->MovieName.isEmpty());
    EXPECT_EQ(tab->DownloadName(), "测试游戏");
}

// A game of several files: the movie loads a level and a second movie by
// relative addresses. The download keeps them beside it, and the offline
// copy plays with them when no server answers any more.
TEST_F(Library, AGameOfSeveralFilesIsKeptWholeAndPlaysOffline)
{
    const auto report = [&](TWebPageEx* tab) { return LoaderReport(tab); };
    TWebPageEx* tab = OpenTab("/swf/loader_page.html");
    const QString played = "level=forest part=ok at=" + site_.Url("/swf/loader.swf");
    ASSERT_TRUE(WaitFor([&] { return report(tab) == played + " plays=1"; })) << report(tab).toStdString();
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    EXPECT_EQ(tab->GameFileURL, site_.Url("/swf/loader.swf"));

    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏下载成功！"});
    const QStringList games = Games();
    ASSERT_EQ(games.size(), 1);
    const QString stem = games[0].section('.', 0, 0);
    const QString host = QStringLiteral("127.0.0.1_%1").arg(site_.Port());
    const auto original = [](const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    };
    EXPECT_EQ(folder_.Read("Data/Flash/" + stem + "/" + host + "/swf/loader_level.xml"),
              original(QStringLiteral(TEST_PAGES_DIR "/swf/loader_level.xml")));
    EXPECT_EQ(folder_.Read("Data/Flash/" + stem + "/" + host + "/swf/tiny.swf"), original(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf")));
    const QJsonObject manifest = QJsonDocument::fromJson(folder_.Read("Data/Flash/" + stem + "/manifest.json")).object();
    EXPECT_EQ(manifest["movie"].toString(), site_.Url("/swf/loader.swf"));
    EXPECT_EQ(manifest["page"].toString(), site_.Url("/swf/loader_page.html"));
    QStringList kept;
    for (const QJsonValue& file : manifest["files"].toArray()) {
        const QJsonObject entry = file.toObject();
        kept << entry["path"].toString();
        const QByteArray bytes = folder_.Read("Data/Flash/" + stem + "/" + entry["path"].toString());
        EXPECT_EQ(entry["size"].toInteger(), bytes.size());
        EXPECT_EQ(entry["sha256"].toString(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
    kept.sort();
    EXPECT_EQ(kept, (QStringList{host + "/swf/loader_level.xml", host + "/swf/tiny.swf"}));
    const QJsonObject saves = QJsonDocument::fromJson(folder_.Read("Data/Flash/" + stem + "/saves.json")).object();
    EXPECT_EQ(saves.keys(), QStringList{"127.0.0.1/swf/loader.swf/progress"}) << "the movie's saved data, and only its";

    site_.Stop();
    form_->Library->Pick(platform::ListKind::Local, "多文件游戏");
    form_->Library->PlayPicked();
    TWebPageEx* offline = form_->pager_web->ActivePage();
    ASSERT_NE(offline, tab);
    // The same screen, under the same address, with no server at all; the
    // play saved online carried over.
    EXPECT_TRUE(WaitFor([&] { return report(offline) == played + " plays=2"; })) << report(offline).toStdString();

    // A file that is not there offline fails as a missing file would, and
    // the player page names it.
    ASSERT_TRUE(QFile::remove(folder_.Path("Data/Flash/" + stem + "/" + host + "/swf/loader_level.xml")));
    form_->Library->PlayPicked();
    TWebPageEx* lacking = form_->pager_web->ActivePage();
    ASSERT_NE(lacking, offline);
    // The play saved offline is still there.
    EXPECT_TRUE(WaitFor([&] { return report(lacking) == "level=error part=ok at=" + site_.Url("/swf/loader.swf") + " plays=3"; }))
        << report(lacking).toStdString();
    const QString notice = RunIn(lacking->WebBrowser, "document.getElementById('missing').textContent").toString();
    EXPECT_TRUE(notice.startsWith("缺少游戏文件：" + site_.Url("/swf/loader_level.xml") + "。")) << notice.toStdString();

    form_->Library->DeletePicked();
    EXPECT_TRUE(Games().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder_.Path("Data/Flash/" + stem))) << "the kept files go with the game";
}

// A game's saved data goes to a file and comes back from one; a file that
// is not its saved data changes nothing; deleting the game deletes its
// saved data too.
TEST_F(Library, SavedDataIsExportedImportedAndGoesWithTheGame)
{
    TWebPageEx* tab = OpenTab("/swf/loader_page.html");
    ASSERT_TRUE(WaitFor([&] { return LoaderReport(tab).endsWith(" plays=1"); })) << LoaderReport(tab).toStdString();
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    ASSERT_EQ(Command("Down_active_click", 1), QStringList{"该游戏下载成功！"});
    const QString game = Games().value(0);
    site_.Stop();

    QTemporaryDir home;
    testing_support::FileDialogAnswerer files;
    const auto withFile = [&](const QString& file, const std::function<void()>& act) {
        DialogAnswerer answerer;
        bool typed = false;
        files.When([&](QFileDialog* dialog) { typed = testing_support::FileDialogAnswerer::Type(dialog, file); });
        act();
        EXPECT_TRUE(typed);
        return answerer.messages;
    };
    const QString exported = home.filePath("plays-1.json");
    // Exported before it ever played offline: the data saved online counts.
    form_->Library->Pick(platform::ListKind::Local, "多文件游戏");
    EXPECT_EQ(withFile(exported, [&] { form_->menu_exportSaves->trigger(); }),
              QStringList{"存档已导出到 " + exported + "。"});
    EXPECT_EQ(files.title, "导出存档");
    QFile written(exported);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QJsonObject file = QJsonDocument::fromJson(written.readAll()).object();
    EXPECT_EQ(file["game"].toString(), "多文件游戏");
    EXPECT_EQ(file["movie"].toString(), site_.Url("/swf/loader.swf"));
    EXPECT_EQ(file["saves"].toObject().keys(), QStringList{"127.0.0.1/swf/loader.swf/progress"});

    ASSERT_EQ(PlaysOffline("多文件游戏"), "2");
    ASSERT_EQ(PlaysOffline("多文件游戏"), "3");

    // Files that are not this game's saved data leave the saved data alone.
    const struct {
        const char* name;
        QByteArray bytes;
        const char* message;
    } refused[] = {
        {"garbage.json", "not json at all", "导入存档失败：这个文件不是游戏存档。游戏现有的存档没有改动。"},
        {"number.json", R"({"format":"orvanzev-saves","version":1,"saves":{"127.0.0.1/swf/loader.swf/progress":5}})",
         "导入存档失败：这个文件不是游戏存档。游戏现有的存档没有改动。"},
        {"other.json", R"({"format":"orvanzev-saves","version":1,"movie":"http://127.0.0.1/other.swf","saves":{}})",
         "导入存档失败：这个存档属于另一个游戏。游戏现有的存档没有改动。"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        QFile out(home.filePath(c.name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(c.bytes);
        out.close();
        form_->Library->Pick(platform::ListKind::Local, "多文件游戏");
        EXPECT_EQ(withFile(out.fileName(), [&] { form_->menu_importSaves->trigger(); }), QStringList{c.message});
    }
    ASSERT_EQ(PlaysOffline("多文件游戏"), "4");

    // The export of the first play brings the game back to it.
    form_->Library->Pick(platform::ListKind::Local, "多文件游戏");
    EXPECT_EQ(withFile(exported, [&] { form_->menu_importSaves->trigger(); }),
              (QStringList{"导入的存档将替换“多文件游戏”现有的存档，是否继续？", "存档导入成功！下次打开这个游戏时生效。"}));
    EXPECT_EQ(files.title, "导入存档");
    ASSERT_EQ(PlaysOffline("多文件游戏"), "2");

    form_->Library->Pick(platform::ListKind::Local, "多文件游戏");
    form_->Library->DeletePicked();
    EXPECT_TRUE(Games().isEmpty());
    TGameSaves saves(folder_.Path("Data/Flash"));
    EXPECT_EQ(saves.Read(game), QVariantMap()) << "its saved data went with it";
}

// A download of several files cancelled in its last file leaves no file,
// no folder and no entry; its dialog counts the files and the bytes.
TEST_F(Library, ADownloadCancelledInItsLastFileLeavesNothing)
{
    testing_support::SiteServer slow(QString(), {"--slow-rate", "4000"});
    TWebPageEx* tab = form_->pager_web->OpenPage(slow.Url("/slow/swf/loader_page.html"), true);
    ASSERT_TRUE(WaitFor([&] { return LoaderReport(tab).endsWith(" plays=1"); }, 30000)) << LoaderReport(tab).toStdString();
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady && !tab->Busy; }));
    const QByteArray before = List("gamelocal");

    // The level (71 bytes) comes before the second movie (4 KB, a second at this rate).
    DialogAnswerer answerer(true, "第 3 / 3 个文件");
    Click("Down_active_click");
    ASSERT_TRUE(WaitFor([&] { return answerer.progressTexts.filter("第 3 / 3 个文件").size() > 0; }, 30000))
        << answerer.progressTexts.join('|').toStdString() << answerer.messages.join('|').toStdString();
    WaitFor([&] { return false; }, 3000); // what the rest of the download would take
    EXPECT_TRUE(answerer.messages.isEmpty()) << "a cancel says nothing";
    EXPECT_EQ(answerer.progressTexts.filter(QRegularExpression("^正在下载游戏… \\d+ / 10 KB$")).size(), 0)
        << "three files are counted as files";
    EXPECT_GE(answerer.progressTexts.filter(QRegularExpression("^正在下载游戏：第 1 / 3 个文件，共 \\d+ KB$")).size(), 1)
        << answerer.progressTexts.join('|').toStdString();
    EXPECT_TRUE(QDir(folder_.Path("Data/Flash")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                == QStringList{"swf.htm"})
        << QDir(folder_.Path("Data/Flash")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join('|').toStdString();
    EXPECT_EQ(List("gamelocal"), before);
}

// A file the movie loads only after the download (a sound, on a click) is
// added to the kept files while the game still plays online in its tab, and
// plays offline from then on.
TEST_F(Library, FilesLoadedAfterTheDownloadAreKeptWhileTheGamePlaysOnline)
{
    const auto late = [&](TWebPageEx* tab) {
        return RunIn(tab->WebBrowser, "document.documentElement.getAttribute('data-late')").toString();
    };
    const auto clickMovie = [&](TWebPageEx* tab) {
        QTest::mouseClick(tab->WebBrowser->focusProxy(), Qt::LeftButton, {}, QPoint(240, 180));
    };
    TWebPageEx* tab = OpenTab("/swf/loader_page.html");
    ASSERT_TRUE(WaitFor([&] { return LoaderReport(tab).endsWith(" plays=1"); })) << LoaderReport(tab).toStdString();
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    ASSERT_EQ(Command("Down_active_click", 1), QStringList{"该游戏下载成功！"});
    const QString stem = Games().value(0).section('.', 0, 0);
    const QString sound = QStringLiteral("127.0.0.1_%1/swf/loader_sound.mp3").arg(site_.Port());
    const auto keptPaths = [&] {
        QStringList paths;
        const QJsonObject manifest = QJsonDocument::fromJson(folder_.Read("Data/Flash/" + stem + "/manifest.json")).object();
        for (const QJsonValue& file : manifest["files"].toArray())
            paths << file.toObject()["path"].toString();
        return paths;
    };
    ASSERT_FALSE(keptPaths().contains(sound));

    clickMovie(tab);
    ASSERT_TRUE(WaitFor([&] { return late(tab) == "sound=ok"; })) << late(tab).toStdString();
    ASSERT_TRUE(WaitFor([&] { return keptPaths().contains(sound); }, 10000)) << keptPaths().join('|').toStdString();
    EXPECT_EQ(keptPaths().size(), 3) << "the files kept before stay";
    QFile original(QStringLiteral(TEST_PAGES_DIR "/swf/loader_sound.mp3"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(folder_.Read("Data/Flash/" + stem + "/" + sound), original.readAll());

    site_.Stop();
    form_->Library->Pick(platform::ListKind::Local, "多文件游戏");
    form_->Library->PlayPicked();
    TWebPageEx* offline = form_->pager_web->ActivePage();
    ASSERT_TRUE(WaitFor([&] { return LoaderReport(offline).contains(" plays="); }));
    clickMovie(offline);
    EXPECT_TRUE(WaitFor([&] { return late(offline) == "sound=ok"; })) << late(offline).toStdString();
}

class LibraryPlainContract : public Library {
protected:
    void SetUp() override
    {
        extraConfig_ = "[Options]\r\nAnyMovieDownload=0\r\n";
        Library::SetUp();
    }
};

TEST_F(LibraryPlainContract, APageWithoutItsGameDeclaredOffersNothing)
{
    TWebPageEx* tab = OpenTab("/movie_page.html");
    EXPECT_FALSE(WaitFor([&] { return tab->DownloadReady; }, 3000));
    TWebPageEx* game = OpenTab("/game.html");
    EXPECT_TRUE(WaitFor([&] { return game->DownloadReady; })) << "the declared game is still offered";
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
    EXPECT_EQ(Command("Collect", 1), QStringList{"收藏失败：无法读取收藏列表，列表没有改动。"});
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"下载失败：无法读取本地游戏列表，列表没有改动。"});
    ASSERT_TRUE(WaitFor([&] { return folder_.Read("Data/Log.dat").count("\r\n") == 2; }));
    const QString log = QString::fromUtf8(folder_.Read("Data/Log.dat"));
    EXPECT_TRUE(log.contains("gamefavorites.xml")) << log.toStdString();
    EXPECT_TRUE(log.contains("gamelocal.xml")) << log.toStdString();
    EXPECT_EQ(Games(), QStringList{});
    EXPECT_TRUE(form_->isVisible());
}

} // namespace

namespace {

struct StoredName {
    friend void PrintTo(const StoredName& c, std::ostream* out) { *out << c.query; }
    const char* query;
    QString stored;
};

class LibraryNames : public Library, public testing::WithParamInterface<StoredName> {};

TEST_P(LibraryNames, AreStoredCleanAndFoundAgain)
{
    TWebPageEx* tab = OpenTab(QStringLiteral("/name_game.html?") + GetParam().query);
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    EXPECT_EQ(Command("Collect", 1), QStringList{"该游戏收藏成功！"});
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏下载成功！"});
    EXPECT_TRUE(WellFormed("gamefavorites"));
    EXPECT_TRUE(WellFormed("gamelocal"));
    TGameList local(ListFile("gamelocal"));
    ASSERT_EQ(local.Count(), 1);
    EXPECT_EQ(local.Text(0, TGameList::Name), GetParam().stored);
    TGameList favorites(ListFile("gamefavorites"));
    ASSERT_EQ(favorites.Count(), 1);
    EXPECT_LE(favorites.Text(0, TGameList::Name).toUtf8().size(), 1024);
    WaitForShown("gamelocal", {GetParam().stored});

    // The same page again finds its entry.
    const QByteArray before = List("gamelocal");
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏已经下载！"});
    EXPECT_EQ(List("gamelocal"), before);
    EXPECT_EQ(Games().size(), 1);
}

const QString kReplacement(QChar::ReplacementCharacter);

INSTANTIATE_TEST_SUITE_P(Cases, LibraryNames,
                         testing::Values(StoredName{"control", "ctl" + kReplacement.repeated(3) + "[31m"},
                                         StoredName{"nul", "nul" + kReplacement + "cut"},
                                         StoredName{"long", QStringLiteral("游").repeated(341)}));

TEST_F(Library, ADoubleClickOnDownloadFetchesOnce)
{
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    // The second click is ignored while the first download runs, or finds
    // its entry once it has ended.
    const QStringList messages = DoubleCommand("Down_active_click", 1);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages[0], "该游戏下载成功！");
    EXPECT_EQ(messages.mid(1), QStringList(messages.size() - 1, "该游戏已经下载！"));
    const QStringList games = Games();
    ASSERT_EQ(games.size(), 1) << games.join(' ').toStdString();
    TGameList list(ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Address), games[0]);
}

TEST_F(Library, AnEntryAddedDuringATransferIsKept)
{
    // The list changes while the game is on its way (another program, or a
    // delete in the left view): the download adds to the list as it is then.
    TWebPageEx* tab = OpenTab("/slow_file.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    DialogAnswerer answerer;
    bool added = false;
    QTimer during; // runs inside the transfer's own event loop
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (added || !answerer.progressSeen)
            return;
        added = true;
        TGameList list(ListFile("gamelocal"));
        list.Append("别的游戏", "20200101000000.swf");
        EXPECT_TRUE(list.Save());
    });
    during.start(20);
    Click("Down_active_click");
    ASSERT_TRUE(WaitFor([&] { return answerer.messages.size() == 1; }, 90000));
    EXPECT_TRUE(added);
    EXPECT_EQ(answerer.messages, QStringList{"该游戏下载成功！"});
    TGameList list(ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Text(0, TGameList::Name), "别的游戏");
    EXPECT_EQ(list.Text(1, TGameList::Name), "slow_file");
}

TEST_F(Library, PagesKeepAnsweringWhileTheCollectMessageIsShown)
{
    OpenTab("/game.html");
    // Everything happens inside the message box's own event loop: ask the
    // left page while the box is shown, then close the box.
    QString text;
    bool asked = false;
    bool answeredWhileShown = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || asked)
            return;
        asked = true;
        text = box->text();
        QPointer<QMessageBox> shown(box);
        auto close = [shown] {
            if (shown)
                shown->button(QMessageBox::Ok)->click();
        };
        form_->wb_left->page()->runJavaScript("6*7", QWebEngineScript::MainWorld, [&answeredWhileShown, shown, close](const QVariant&) {
            answeredWhileShown = shown && shown->isVisible();
            close();
        });
        QTimer::singleShot(5000, box, close); // a page that never answers
    });
    look.start(20);
    Click("Collect");
    ASSERT_TRUE(WaitFor([&] { return asked && QApplication::activeModalWidget() == nullptr; }));
    EXPECT_EQ(text, "该游戏收藏成功！");
    EXPECT_TRUE(answeredWhileShown) << "the left page did not answer while the message was shown";
}

struct UnreadableList {
    friend void PrintTo(const UnreadableList& c, std::ostream* out) { *out << c.name; }
    const char* name;
    const char* kind;
    const char* command;
    QByteArray content; // a null content: no file at all
    QStringList messages;
};

class LibraryUnreadableLists : public Library, public testing::WithParamInterface<UnreadableList> {};

TEST_P(LibraryUnreadableLists, AreReportedAndLeftAlone)
{
    const UnreadableList& c = GetParam();
    const QString path = ListFile(c.kind);
    QFile::remove(path);
    if (!c.content.isNull())
        folder_.Write(QStringLiteral("Data/%1.xml").arg(c.kind), c.content);
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    EXPECT_EQ(Command(c.command, 1), c.messages);
    if (c.content.isNull()) {
        // The first save makes the list, and the left view reads it.
        TGameList list(path);
        EXPECT_EQ(list.Count(), 1);
        EXPECT_TRUE(WellFormed(c.kind));
        WaitForShown(c.kind, {QString::fromUtf8(c.kind == QByteArray("gamelocal") ? "测试游戏" : "测试游戏页面")});
    } else {
        EXPECT_EQ(folder_.Read(QStringLiteral("Data/%1.xml").arg(c.kind)), c.content);
        EXPECT_EQ(Games(), QStringList{});
        // The error also reaches the log, naming the list.
        EXPECT_TRUE(QString::fromUtf8(folder_.Read("Data/Log.dat")).contains(QStringLiteral("%1.xml").arg(c.kind)));
    }
}

const QStringList kFavoritesUnreadable{"收藏失败：无法读取收藏列表，列表没有改动。"};
const QStringList kLocalUnreadable{"下载失败：无法读取本地游戏列表，列表没有改动。"};

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryUnreadableLists,
    testing::Values(UnreadableList{"favorites_missing", "gamefavorites", "Collect", QByteArray(), {"该游戏收藏成功！"}},
                    UnreadableList{"favorites_empty", "gamefavorites", "Collect", QByteArray(""), kFavoritesUnreadable},
                    UnreadableList{"favorites_malformed", "gamefavorites", "Collect", "<list><item>", kFavoritesUnreadable},
                    UnreadableList{"local_missing", "gamelocal", "Down_active_click", QByteArray(), {"该游戏下载成功！"}},
                    UnreadableList{"local_empty", "gamelocal", "Down_active_click", QByteArray(""), kLocalUnreadable},
                    UnreadableList{"local_malformed", "gamelocal", "Down_active_click", "not xml at all", kLocalUnreadable}),
    [](const testing::TestParamInfo<UnreadableList>& info) { return info.param.name; });

TEST_F(Library, ListsWrittenInGb2312AreMatchedAndStayReadable)
{
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n";
    // "测试游戏页面" and "测试游戏" in GB2312.
    folder_.Write("Data/gamefavorites.xml", declaration + "<list><item><txt>" + QByteArray::fromHex("b2e2cad4d3cecfb7d2b3c3e6")
                                                + "</txt><url><![CDATA[" + tab->WebBrowser->LocationURL().toUtf8()
                                                + "]]></url></item></list>");
    folder_.Write("Data/gamelocal.xml", declaration + "<list><item><txt>" + QByteArray::fromHex("b2e2cad4d3cecfb7")
                                            + "</txt><url><![CDATA[20200101000000.swf]]></url></item></list>");
    EXPECT_EQ(Command("Collect", 1), QStringList{"该游戏已经收藏！"});
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"该游戏已经下载！"});

    OpenTab("/title_cn10.html");
    EXPECT_EQ(Command("Collect", 1), QStringList{"该游戏收藏成功！"});
    TGameList list(ListFile("gamefavorites"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Text(0, TGameList::Name), "测试游戏页面");
    EXPECT_TRUE(List("gamefavorites").startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    // The left view reads the list written back, old entry and new.
    QStringList shown;
    ASSERT_TRUE(WaitFor([&] { return (shown = Shown("gamefavorites")).size() == 2; }, 10000)) << shown.join('|').toStdString();
    EXPECT_EQ(shown[0], "测试游戏页面");
    EXPECT_EQ(shown[1], list.Text(1, TGameList::Name));
}

// Data on a small file system of its own, which the test fills up.
class LibraryOnAFullDisk : public Library {
protected:
    void SetUp() override
    {
        const QString data = folder_.Path("Data");
        QMap<QString, QByteArray> files;
        for (const char* name : {"top.html", "left.html", "Flash/swf.htm"})
            files[name] = folder_.Read(QStringLiteral("Data/") + name);
        if (::mount("tmpfs", QFile::encodeName(data).constData(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "mounting a tmpfs needs root";
        mounted_ = true;
        QDir(data).mkpath("Flash");
        for (auto it = files.begin(); it != files.end(); ++it)
            folder_.Write(QStringLiteral("Data/") + it.key(), it.value());
        for (const char* list : {"gamefavorites.xml", "gamelocal.xml"})
            QFile::copy(QStringLiteral(DATA_DIR "/") + list, folder_.Path(QStringLiteral("Data/") + list));
        Start();
    }
    void TearDown() override
    {
        Library::TearDown();
        if (mounted_)
            ::umount2(QFile::encodeName(folder_.Path("Data")).constData(), MNT_DETACH);
    }
    // Fills the file system up, then frees `room` bytes (whole pages).
    void Fill(qint64 room)
    {
        QFile filler(folder_.Path("Data/filler"));
        ASSERT_TRUE(filler.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        filler.seek(filler.size());
        const QByteArray page(4096, 'f');
        while (filler.write(page) == page.size()) {
        }
        ASSERT_TRUE(filler.resize(filler.size() / page.size() * page.size() - room));
    }
    bool mounted_ = false;
};

TEST_F(LibraryOnAFullDisk, SavesThatFailAreReportedAndTheListsStayAsTheyWere)
{
    TWebPageEx* tab = OpenTab("/game.html");
    ASSERT_TRUE(WaitFor([&] { return tab->DownloadReady; }));
    const QByteArray favorites = List("gamefavorites");
    const QByteArray local = List("gamelocal");
    Fill(0);
    EXPECT_EQ(Command("Collect", 1), QStringList{"收藏失败：无法保存收藏列表，列表没有改动。"});
    EXPECT_EQ(List("gamefavorites"), favorites);
    // Room for the game file, none for the list.
    Fill(QFileInfo(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf")).size() / 4096 * 4096 + 4096);
    EXPECT_EQ(Command("Down_active_click", 1), QStringList{"下载失败：无法保存本地游戏列表，已删除下载的文件。"});
    EXPECT_EQ(List("gamelocal"), local);
    EXPECT_EQ(Games(), QStringList{});
}

} // namespace
