// Which files a downloaded game reaches under its own origin, and the
// address its player page gets.
#include "browser/LocalGamePages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Data/ with the lists and the configuration, Data/Flash with the player
// page, two games and the first game's own folder.
class GameFolder : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data_.isValid());
        for (const char* file : {"Config.dat", "gamelocal.xml", "Flash/swf.htm", "Flash/20260101000001.swf",
                                 "Flash/20260101000002.swf", "Flash/20260101000001/level.txt",
                                 "Flash/20260101000001/sub/a.txt", "Flash/20260101000002/level.txt"})
            Write(file);
        QFile::link("/etc/hostname", Path("Flash/20260101000001/escape"));
        QFile::link(Path("Flash"), Path("Flash/20260101000001/up"));
    }
    QString Path(const QString& relative) const { return data_.filePath(relative); }
    void Write(const QString& relative) const
    {
        QDir().mkpath(QFileInfo(Path(relative)).absolutePath());
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(relative.toUtf8());
    }
    QString Games() const { return Path("Flash"); }

    QTemporaryDir data_;
};

struct Request {
    friend void PrintTo(const Request& c, std::ostream* out) { *out << c.path; }
    const char* path;
    const char* file; // below Data/, or nullptr when refused
};

class GameFiles : public GameFolder, public testing::WithParamInterface<Request> {};

TEST_P(GameFiles, AreTheGamesOwnOnly)
{
    const QString served = local_games::FileFor(Games(), "20260101000001.swf", QString::fromUtf8(GetParam().path));
    if (GetParam().file)
        EXPECT_EQ(served.toStdString(), Path(GetParam().file).toStdString());
    else
        EXPECT_EQ(served.toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameFiles,
    testing::Values(Request{"/swf.htm", "Flash/swf.htm"}, Request{"/20260101000001.swf", "Flash/20260101000001.swf"},
                    Request{"/level.txt", "Flash/20260101000001/level.txt"},
                    Request{"/sub/a.txt", "Flash/20260101000001/sub/a.txt"},
                    Request{"/sub%2Fa.txt", "Flash/20260101000001/sub/a.txt"},
                    // another game, the program's files, the rest of the disk
                    Request{"/20260101000002.swf", nullptr}, Request{"/20260101000002/level.txt", nullptr},
                    Request{"/../20260101000002/level.txt", nullptr}, Request{"/Config.dat", nullptr},
                    Request{"/../Config.dat", nullptr}, Request{"/%2e%2e/Config.dat", nullptr},
                    Request{"/%2E%2E%2FConfig.dat", nullptr}, Request{"/..%2f..%2fgamelocal.xml", nullptr},
                    Request{"/sub/..%2f..%2f..%2fConfig.dat", nullptr}, Request{"/..%5c..%5cConfig.dat", nullptr},
                    Request{"/sub/./a.txt", nullptr}, Request{"/level.txt%00.png", nullptr},
                    Request{"/escape", nullptr}, Request{"/up/swf.htm", nullptr}, Request{"/up/20260101000002.swf", nullptr},
                    Request{"/sub", nullptr}, Request{"/sub/", nullptr}, Request{"//level.txt", nullptr},
                    Request{"/", nullptr}, Request{"", nullptr}, Request{"level.txt", nullptr},
                    Request{"/file:///etc/hostname", nullptr}));

TEST_F(GameFolder, AnEntryThatNamesNoPlainFileReachesOnlyThePlayerPage)
{
    Write("victim.txt");
    for (const char* file : {"../victim.txt", "..", ".", "", "Flash/swf.htm", "a\\b.swf"}) {
        for (const char* path : {"/victim.txt", "/..%2Fvictim.txt", "/level.txt", "/20260101000001.swf"})
            EXPECT_EQ(local_games::FileFor(Games(), file, path).toStdString(), "") << file << " " << path;
        EXPECT_EQ(local_games::FileFor(Games(), file, "/swf.htm").toStdString(), Path("Flash/swf.htm").toStdString()) << file;
    }
}

TEST_F(GameFolder, EachGameHasAnOriginOfItsOwn)
{
    const QUrl first = local_games::PlayerPage(Games(), "20260101000001.swf", "游戏 一#2");
    const QUrl again = local_games::PlayerPage(Games(), "20260101000001.swf", "别名");
    const QUrl second = local_games::PlayerPage(Games(), "20260101000002.swf", "游戏 一#2");
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(first.scheme().toStdString(), "orvanzev");
    EXPECT_EQ(first.path().toStdString(), "/swf.htm");
    EXPECT_EQ(first.query(QUrl::FullyEncoded).toStdString(), "20260101000001.swf");
    EXPECT_EQ(first.fragment(QUrl::FullyDecoded).toStdString(), "游戏 一#2");
    EXPECT_EQ(again.host(), first.host());
    EXPECT_NE(second.host(), first.host());
    EXPECT_NE(first.host().toStdString(), "ruffle");
    // The same game of another program folder is another origin.
    EXPECT_NE(local_games::PlayerPage(Path("elsewhere"), "20260101000001.swf", "").host(), first.host());
    // Names that mean something in an address stay the file's own.
    EXPECT_EQ(local_games::PlayerPage(Games(), "a b&c#d?.swf", "").query(QUrl::FullyEncoded).toStdString(),
              "a%20b%26c%23d%3F.swf");
}

} // namespace
