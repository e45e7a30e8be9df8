// Downloading games from https sites, as the game's page itself fetches
// them: an https server on 127.0.0.1 whose certificate comes from the test's
// own authority, trusted through the NSS database of a private home folder
// (certificate checks stay on), and a site that gives its game files only to
// requests that carry the page's cookie, user agent and referrer.
#include "DialogAnswerer.h"
#include "RunningMainWindow.h"
#include "library/TGameList.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

using testing_support::SiteServer;
using testing_support::DialogAnswerer;
using testing_support::WaitFor;

namespace {

// The authority, the server's certificate and the home folder that trusts
// them, made before the engine first reads the home folder's database.
QTemporaryDir& Pki()
{
    static QTemporaryDir pki;
    return pki;
}

class HttpsDownload : public testing_support::RunningMainWindow {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(Pki().isValid());
        QProcess make;
        make.setProcessChannelMode(QProcess::ForwardedChannels);
        make.start(QStringLiteral("bash"), {QStringLiteral(TLS_FIXTURES "/make_test_pki.sh"), Pki().path()});
        ASSERT_TRUE(make.waitForFinished(60000));
        ASSERT_EQ(make.exitCode(), 0);
        qputenv("HOME", Pki().filePath(QStringLiteral("home")).toUtf8());
    }
    void SetUp() override
    {
        ASSERT_NE(secure_.Port(), 0);
        ASSERT_TRUE(QFile::copy(QStringLiteral(DATA_DIR "/gamelocal.xml"), folder_.Path("Data/gamelocal.xml")));
        Start();
    }

    TWebPageEx* OpenGame(const QString& url)
    {
        TWebPageEx* tab = form_->pager_web->OpenPage(url, true);
        EXPECT_TRUE(WaitFor([&] { return tab->DownloadReady; })) << url.toStdString();
        return tab;
    }
    QStringList Download()
    {
        DialogAnswerer reader;
        Click(QStringLiteral("Down_active_click"));
        EXPECT_TRUE(WaitFor([&] { return !reader.messages.isEmpty(); }));
        return reader.messages;
    }
    // What Data/Flash holds besides the local player page.
    QStringList Games() const
    {
        QStringList files = QDir(folder_.Path("Data/Flash")).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QStringLiteral("swf.htm"));
        return files;
    }
    static QByteArray Tiny()
    {
        QFile tiny(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf"));
        return tiny.open(QIODevice::ReadOnly) ? tiny.readAll() : QByteArray();
    }

    SiteServer secure_{QString(),
                       {QStringLiteral("--tls-cert"), Pki().filePath(QStringLiteral("server.pem")),
                        QStringLiteral("--tls-key"), Pki().filePath(QStringLiteral("server.key"))}};
};

TEST_F(HttpsDownload, AGameOfAnHttpsPageComesAsThePageWouldFetchIt)
{
    TWebPageEx* tab = OpenGame(secure_.Url("/cookie/guarded_game.html"));
    EXPECT_EQ(tab->GameFileURL.toStdString(), secure_.Url("/guarded/swf/tiny.swf").toStdString());
    EXPECT_EQ(Download().join('|').toStdString(), "该游戏下载成功！");
    const QStringList games = Games();
    ASSERT_EQ(games.size(), 1) << games.join(' ').toStdString();
    EXPECT_EQ(folder_.Read("Data/Flash/" + games[0]), Tiny());
    TGameList list(ListFile("gamelocal"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Address), games[0]);
}

TEST_F(HttpsDownload, TheSiteRefusesItsGameFileToARequestWithoutAVisit)
{
    // The same page without the cookie: what the download depends on is real.
    OpenGame(secure_.Url("/guarded_game.html"));
    EXPECT_EQ(Download().join('|').toStdString(), "该游戏下载失败！");
    EXPECT_EQ(Games(), QStringList{});
}

TEST_F(HttpsDownload, WithoutTheGamesFolderNothingIsFetchedAndNoFolderMade)
{
    OpenGame(secure_.Url("/cookie/guarded_game.html"));
    ASSERT_TRUE(QDir(folder_.Path("Data/Flash")).removeRecursively());
    EXPECT_EQ(Download().join('|').toStdString(), "该游戏下载失败！");
    EXPECT_FALSE(QFileInfo::exists(folder_.Path("Data/Flash")));
}

struct Redirect {
    friend void PrintTo(const Redirect& c, std::ostream* out) { *out << c.name; }
    const char* name;
    bool securePage;
    const char* target; // %HTTP% and %HTTPS% stand for the two servers
    bool followed;
};

class HttpsRedirects : public HttpsDownload, public testing::WithParamInterface<Redirect> {};

TEST_P(HttpsRedirects, StayOnTheHostAndNeverLowerTheScheme)
{
    const QString target = QString::fromUtf8(GetParam().target)
                               .replace("%HTTP%", QString::number(site_.Port()))
                               .replace("%HTTPS%", QString::number(secure_.Port()));
    const SiteServer& server = GetParam().securePage ? secure_ : site_;
    OpenGame(server.Url("/redirect_game.html?" + target));
    if (GetParam().followed) {
        EXPECT_EQ(Download().join('|').toStdString(), "该游戏下载成功！");
        const QStringList games = Games();
        ASSERT_EQ(games.size(), 1);
        EXPECT_EQ(folder_.Read("Data/Flash/" + games[0]), Tiny());
    } else {
        EXPECT_EQ(Download().join('|').toStdString(), "该游戏下载失败！");
        EXPECT_EQ(Games(), QStringList{});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpsRedirects,
    testing::Values(Redirect{"http_to_https", false, "https://127.0.0.1:%HTTPS%/swf/tiny.swf", true},
                    Redirect{"https_to_http", true, "http://127.0.0.1:%HTTP%/swf/tiny.swf", false},
                    Redirect{"to_another_host", false, "http://localhost:%HTTP%/swf/tiny.swf", false}),
    [](const testing::TestParamInfo<Redirect>& info) { return info.param.name; });

} // namespace
