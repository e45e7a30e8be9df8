// The real program started as a process under Xvfb.
#include "TestSupport.h"

#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <gtest/gtest.h>

using testing_support::ProgramFolder;
using testing_support::WaitFor;
using testing_support::Xdotool;

namespace {

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
    host.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    host.start("trayer", {"--edge", "top", "--align", "left", "--widthtype", "request", "--height", "32",
                          "--SetDockType", "false", "--SetPartialStrut", "false"});
    ASSERT_TRUE(host.waitForStarted());
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
