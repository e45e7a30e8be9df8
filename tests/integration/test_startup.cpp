// The real program started as a process under Xvfb.
#include "TestSupport.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <gtest/gtest.h>

using testing_support::ProgramFolder;
using testing_support::WaitFor;
using testing_support::Xdotool;

namespace {

// A tray host on the display, in the top left corner, that goes with the test.
bool StartTrayHost(QProcess& host)
{
    host.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    host.start("trayer", {"--edge", "top", "--align", "left", "--widthtype", "request", "--height", "32",
                          "--SetDockType", "false", "--SetPartialStrut", "false"});
    return host.waitForStarted();
}

// The program copied into a program folder of its own and started there.
class Program : public testing::Test {
protected:
    explicit Program(bool withData = true) : folder_(withData) {}

    void Start()
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(PROGRAM_FILE), folder_.Path(QStringLiteral("orvanzev"))));
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(folder_.Path(QStringLiteral("orvanzev")), {});
        ASSERT_TRUE(process_.waitForStarted());
    }
    void TearDown() override
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    QStringList WindowsNamed(const QString& name) const
    {
        return Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                        QStringLiteral("^%1$").arg(name)});
    }
    QStringList WindowsOfProgram() const
    {
        return Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                        QString::number(process_.processId())});
    }

    ProgramFolder folder_;
    QProcess process_;
};

TEST_F(Program, FirstRunCreatesTheConfigurationAndOpensTheWindow)
{
    Start();
    ASSERT_TRUE(WaitFor([&] { return !WindowsNamed(QStringLiteral("zev子")).isEmpty(); }, 60000));
    EXPECT_EQ(folder_.Read(QStringLiteral("Data/Config.dat")).toStdString(),
              "[System]\r\nSoftName=zev子\r\nUpdatePath=\r\nHomePage=about:blank\r\nReportURL=about:blank\r\n"
              "CheckURL=\r\nSoftwareWebSit=about:blank\r\n");
    const QStringList geometry = Xdotool({QStringLiteral("getwindowgeometry"), WindowsNamed(QStringLiteral("zev子")).first()});
    EXPECT_TRUE(geometry.join(' ').contains(QStringLiteral("Geometry: 960x680"))) << geometry.join(' ').toStdString();
}

TEST_F(Program, ConfigurationWithGarbageStillStarts)
{
    static const char bytes[] = "\x7f" "ELF\x00\x01\x02\n[Sys\ntem]\n\xff\xfe\xfd=\n===\n[System]\nSoftName=\x80\x81\x82游戏盒\n";
    const QByteArray garbage(bytes, sizeof bytes - 1);
    folder_.Write(QStringLiteral("Data/Config.dat"), garbage);
    Start();
    ASSERT_TRUE(WaitFor([&] { return !WindowsOfProgram().isEmpty(); }, 60000));
    EXPECT_EQ(process_.state(), QProcess::Running);
    EXPECT_EQ(folder_.Read(QStringLiteral("Data/Config.dat")), garbage);
}

class ProgramWithoutData : public Program {
protected:
    ProgramWithoutData() : Program(false) {}
};

TEST_F(ProgramWithoutData, ReportsTheUnwritableConfigurationAndOpensNoWindow)
{
    Start();
    QStringList dialogs;
    ASSERT_TRUE(WaitFor([&] { return !(dialogs = WindowsOfProgram()).isEmpty(); }, 60000));
    EXPECT_TRUE(WindowsNamed(QStringLiteral("zev子")).isEmpty());
    Xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), dialogs.first()});
    Xdotool({QStringLiteral("key"), QStringLiteral("--window"), dialogs.first(), QStringLiteral("Return")});
    ASSERT_TRUE(process_.waitForFinished(30000));
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(process_.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(folder_.Path(QStringLiteral("Data"))));
}

} // namespace

namespace {

// With a tray host on the display, the tray menu's "关闭" ends the program.
TEST_F(Program, TrayMenuCloseEndsTheProgram)
{
    QProcess host;
    ASSERT_TRUE(StartTrayHost(host));
    Start();
    ASSERT_TRUE(WaitFor([&] { return !WindowsNamed(QStringLiteral("zev子")).isEmpty(); }, 60000));
    // The program's icon is the tray's first: right click it, then the
    // menu's last item, "关闭", which lies below the pointer.
    Xdotool({"mousemove", "16", "16", "click", "3"});
    ASSERT_TRUE(WaitFor([&] { return WindowsOfProgram().size() >= 2; }, 10000)) << "no tray menu";
    Xdotool({"mousemove", "50", "51", "click", "1"});
    ASSERT_TRUE(process_.waitForFinished(30000));
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process_.exitCode(), 0);
    host.kill();
    host.waitForFinished();
}

} // namespace

namespace {

// A program folder with a local game, and the program's pages open to the
// DevTools protocol.
class ProgramWithALocalGame : public Program {
protected:
    void SetUp() override
    {
        QFile movie(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf"));
        ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
        folder_.Write("Data/Flash/20260101000000.swf", movie.readAll());
        folder_.Write("Data/gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list><item><txt>savegame</txt>"
                                            "<url><![CDATA[20260101000000.swf]]></url></item></list>");
        port_ = QString::number(testing_support::FreePort());
        ASSERT_NE(port_, QStringLiteral("0"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QTWEBENGINE_REMOTE_DEBUGGING", "127.0.0.1:" + port_);
        process_.setProcessEnvironment(environment);
    }
    // Runs devtools.py with these arguments; its output, or "(failed)".
    QString Devtools(const QStringList& arguments)
    {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tool.start("python3", QStringList{DEVTOOLS_PY, port_} + arguments);
        if (!tool.waitForFinished(90000) || tool.exitCode() != 0)
            return QStringLiteral("(failed)");
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }
    // Starts the program and plays the local game from the left view.
    bool StartAndPlay()
    {
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(folder_.Path("orvanzev"), {});
        if (!process_.waitForStarted()) {
            ADD_FAILURE() << process_.errorString().toStdString();
            return false;
        }
        if (Devtools({"wait-page", "/Data/left.html", "60"}) == "(failed)")
            return false;
        if (!WaitFor([&] { return Devtools({"eval", "/Data/left.html", "document.querySelectorAll('.gamelocal').length"}) == "1"; }, 20000))
            return false;
        Devtools({"click-selector", "/Data/left.html", ".gamelocal"});
        return Devtools({"wait-page", "#savegame", "30"}) != "(failed)";
    }
    // Closes the program as a user does: the tray menu's "关闭".
    bool CloseFromTheTray()
    {
        Xdotool({"mousemove", "16", "16", "click", "3"});
        if (!WaitFor([&] { return WindowsOfProgram().size() >= 2; }, 10000))
            return false;
        Xdotool({"mousemove", "50", "51", "click", "1"});
        return process_.waitForFinished(30000) && process_.exitStatus() == QProcess::NormalExit;
    }
    QString port_;
};

// The ways a program is asked to end: the tray menu's "关闭", and the
// signal a logout or shutdown sends.
enum class Ending { TrayClose, Terminate };

class ProgramEnding : public ProgramWithALocalGame, public testing::WithParamInterface<Ending> {};

TEST_P(ProgramEnding, KeepsWhatTheGameSavedJustBefore)
{
    QProcess host;
    ASSERT_TRUE(StartTrayHost(host));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PROGRAM_FILE), folder_.Path(QStringLiteral("orvanzev"))));
    ASSERT_TRUE(StartAndPlay());
    EXPECT_EQ(Devtools({"eval", "#savegame", "localStorage.setItem('127.0.0.1/tiny.swf/progress','level 7'),location.host"}).left(6),
              "\"game-");
    if (GetParam() == Ending::TrayClose) {
        ASSERT_TRUE(CloseFromTheTray());
    } else {
        process_.terminate();
        ASSERT_TRUE(process_.waitForFinished(30000));
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit) << "it ends as when it is closed";
        EXPECT_EQ(process_.exitCode(), 0);
    }

    ASSERT_TRUE(StartAndPlay());
    EXPECT_EQ(Devtools({"eval", "#savegame", "localStorage.getItem('127.0.0.1/tiny.swf/progress')"}), "\"level 7\"");
    process_.kill();
    host.kill();
    host.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Ways, ProgramEnding, testing::Values(Ending::TrayClose, Ending::Terminate),
                         [](const testing::TestParamInfo<Ending>& info) {
                             return info.param == Ending::TrayClose ? "TrayClose" : "Terminate";
                         });

} // namespace

