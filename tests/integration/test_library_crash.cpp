// The real program killed during a download, and started again.
#include "TestSupport.h"
#include "library/TGameList.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testing_support::ProgramFolder;
using testing_support::SiteServer;
using testing_support::WaitFor;
using testing_support::Xdotool;

namespace {

// The program in a folder of its own, with a toolbar that is one large
// download button, and a slow game as its home page.
class KilledDownload : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(site_.Port(), 0);
        folder_.Write("Data/Config.dat", "[System]\r\nHomePage=" + site_.Url("/slow_file.html").toUtf8() + "\r\n");
        QFile toolbar(QStringLiteral(TEST_PAGES_DIR "/download_toolbar.html"));
        ASSERT_TRUE(toolbar.open(QIODevice::ReadOnly));
        folder_.Write("Data/top.html", toolbar.readAll());
        folder_.Write("Data/gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list><item><txt>A</txt>"
                                            "<url><![CDATA[20200101000001.swf]]></url></item></list>");
        folder_.Write("Data/gamefavorites.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list></list>");
        ASSERT_TRUE(QFile::copy(QStringLiteral(PROGRAM_FILE), folder_.Path("orvanzev")));
    }
    void TearDown() override
    {
        for (QProcess* program : {&first_, &second_}) {
            program->kill();
            program->waitForFinished();
        }
    }

    // Starts a copy of the program with a browser profile of its own.
    bool Start(QProcess& program, const QTemporaryDir& home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            environment.insert(name, home.path());
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(folder_.Path("orvanzev"), {});
        return program.waitForStarted() && WaitFor([&] { return !Windows(program).isEmpty(); }, 60000);
    }
    static QStringList Windows(const QProcess& program)
    {
        return Xdotool({"search", "--onlyvisible", "--pid", QString::number(program.processId()), "--name", "^zev子$"});
    }
    QStringList Games() const
    {
        QStringList files = QDir(folder_.Path("Data/Flash")).entryList(QDir::Files);
        files.removeAll(QStringLiteral("swf.htm"));
        return files;
    }
    QStringList Partial() const { return Games().filter(QRegularExpression("\\.part(\\.download)?$")); }

    SiteServer site_;
    ProgramFolder folder_;
    QTemporaryDir firstHome_, secondHome_;
    QProcess first_, second_;
};

TEST_F(KilledDownload, LeavesNothingBehindOnceTheProgramStartsAgain)
{
    ASSERT_TRUE(Start(first_, firstHome_));
    // The toolbar is one button right of the left bar: click it until the
    // page offers its game and the transfer begins.
    const QString window = Windows(first_).first();
    ASSERT_TRUE(WaitFor(
        [&] {
            Xdotool({"mousemove", "--window", window, "400", "15", "click", "1"});
            return WaitFor([&] { return !Partial().isEmpty(); }, 1500);
        },
        60000));
    const QString partial = Partial().first();

    // A second copy of the program leaves the running transfer alone.
    ASSERT_TRUE(Start(second_, secondHome_));
    EXPECT_EQ(Partial(), QStringList{partial});
    second_.kill();
    second_.waitForFinished();

    first_.kill();
    ASSERT_TRUE(first_.waitForFinished());
    ASSERT_EQ(Partial(), QStringList{partial}) << "the kill leaves the partial file";
    // As a kill between the game's rename and the list's save leaves it:
    // a whole game that no entry names.
    folder_.Write("Data/Flash/20200101000000.swf", "game");
    folder_.Write("Data/Flash/20200101000001.swf", "game");
    folder_.Write("Data/Flash/notes.txt", "mine");

    ASSERT_TRUE(Start(first_, firstHome_));
    EXPECT_EQ(Games(), QStringList({"20200101000001.swf", "notes.txt"}));
    EXPECT_TRUE(QFileInfo::exists(folder_.Path("Data/Flash/swf.htm")));
    TGameList list(folder_.Path("Data/gamelocal.xml"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Text(0, TGameList::Address), "20200101000001.swf");
}

} // namespace
