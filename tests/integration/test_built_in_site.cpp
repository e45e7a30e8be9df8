// The built-in game site: the program serves it on the loopback itself,
// two game boxes share it, a port held by another program is said, and the
// window's first tab and left view follow the configured site.
#include "TestSupport.h"
#include "app/F_MainForm.h"
#include "app/U_Config.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "services/BuiltInSite.h"

#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <memory>

using services::TBuiltInSite;
using testing_support::FreePort;
using testing_support::ProgramFolder;
using testing_support::RunScript;
using testing_support::SiteServer;
using testing_support::WaitFor;

namespace {

struct Answer {
    int Status = 0;
    QByteArray Head;
    QByteArray Body;
    QByteArray Header(const QByteArray& name) const
    {
        for (const QByteArray& line : Head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

// One request as the bytes say, so that no client tidies the path first.
Answer Ask(quint16 port, const QByteArray& method, const QByteArray& path, QByteArray host = {})
{
    if (host.isEmpty())
        host = "127.0.0.1:" + QByteArray::number(port);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { reply += socket.readAll(); });
    if (!WaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
        return {};
    socket.write(method + ' ' + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
    // The whole answer: its head, and as many bytes as it announced (none
    // for HEAD).
    Answer answer;
    WaitFor([&] {
        const qsizetype end = reply.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        answer.Head = reply.left(end).replace("\r", "");
        answer.Body = reply.mid(end + 4);
        return method == "HEAD" || answer.Body.size() >= answer.Header("Content-Length").toLongLong();
    }, 5000);
    answer.Status = answer.Head.split(' ').value(1).toInt();
    return answer;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A small site with a secret beside it, a link that leads out to it and a
// hidden file inside.
class SiteFolder {
public:
    SiteFolder()
    {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("site/sub"));
        Write(QStringLiteral("site/index.html"), "<title>home</title>");
        Write(QStringLiteral("site/sub/index.html"), "<title>sub</title>");
        Write(QStringLiteral("site/sub/game.swf"), QByteArray("FWS\x0a", 4) + QByteArray(300, 'x'));
        Write(QStringLiteral("site/pic.svg"), "<svg xmlns='http://www.w3.org/2000/svg'/>");
        Write(QStringLiteral("site/.hidden"), "hidden");
        Write(QStringLiteral("secret.txt"), "secret");
        QFile::link(root.filePath(QStringLiteral("secret.txt")), root.filePath(QStringLiteral("site/out.txt")));
        QFile::link(root.path(), root.filePath(QStringLiteral("site/up")));
    }
    QString Site() const { return dir_.filePath(QStringLiteral("site")); }
    QString Path(const QString& relative) const { return dir_.filePath(relative); }

private:
    void Write(const QString& relative, const QByteArray& bytes)
    {
        QFile file(dir_.filePath(relative));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QTemporaryDir dir_;
};

TEST(BuiltInSiteServer, AnswersTheFilesOfItsFolderAndNothingElse)
{
    SiteFolder folder;
    const quint16 port = FreePort();
    TBuiltInSite site(folder.Site(), port);
    QSignalSpy served(&site, &TBuiltInSite::Served);
    site.Start();
    ASSERT_TRUE(site.Serving());
    EXPECT_EQ(served.count(), 1);

    struct Case {
        const char* method;
        const char* path;
        int status;
        const char* file; // relative to the folder's parent; the body must be its bytes
        const char* type;
    };
    const Case cases[] = {
        {"GET", "/", 200, "site/index.html", "text/html; charset=utf-8"},
        {"GET", "/index.html", 200, "site/index.html", "text/html; charset=utf-8"},
        {"GET", "/sub/", 200, "site/sub/index.html", "text/html; charset=utf-8"},
        {"GET", "/sub/game.swf", 200, "site/sub/game.swf", "application/x-shockwave-flash"},
        {"GET", "/%73ub/game.swf", 200, "site/sub/game.swf", "application/x-shockwave-flash"},
        {"GET", "/pic.svg", 200, "site/pic.svg", "image/svg+xml; charset=utf-8"},
        {"GET", "/sub/game.swf?v=2", 200, "site/sub/game.swf", "application/x-shockwave-flash"},
        {"GET", "/missing.html", 404, nullptr, nullptr},
        {"GET", "/../secret.txt", 404, nullptr, nullptr},
        {"GET", "/%2e%2e/secret.txt", 404, nullptr, nullptr},
        {"GET", "/sub/..%2f..%2fsecret.txt", 404, nullptr, nullptr},
        {"GET", "/sub%5c..%5c..%5csecret.txt", 404, nullptr, nullptr},
        {"GET", "/./index.html", 404, nullptr, nullptr},
        {"GET", "//index.html", 404, nullptr, nullptr},
        {"GET", "/index.html%00.swf", 404, nullptr, nullptr},
        {"GET", "/.hidden", 404, nullptr, nullptr},
        {"GET", "/out.txt", 404, nullptr, nullptr},
        {"GET", "/up/secret.txt", 404, nullptr, nullptr},
        {"POST", "/index.html", 405, nullptr, nullptr},
        {"DELETE", "/index.html", 405, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        const Answer answer = Ask(port, c.method, c.path);
        EXPECT_EQ(answer.Status, c.status);
        EXPECT_EQ(answer.Header("Server"), TBuiltInSite::ServerName);
        if (c.file) {
            EXPECT_EQ(answer.Body, FileBytes(folder.Path(QString::fromLatin1(c.file))));
            EXPECT_EQ(answer.Header("Content-Type").toStdString(), c.type);
        } else {
            EXPECT_FALSE(answer.Body.contains("secret"));
            EXPECT_FALSE(answer.Body.contains("hidden"));
        }
    }

    // A folder asked without its slash is sent to it, as web servers do.
    const Answer folderAnswer = Ask(port, "GET", "/sub");
    EXPECT_EQ(folderAnswer.Status, 301);
    EXPECT_EQ(folderAnswer.Header("Location"), "/sub/");
    // HEAD tells the size without sending the file.
    const Answer head = Ask(port, "HEAD", "/sub/game.swf");
    EXPECT_EQ(head.Status, 200);
    EXPECT_EQ(head.Header("Content-Length"), "304");
    EXPECT_TRUE(head.Body.isEmpty());
    // A page of another name that resolves here gets nothing.
    for (const QByteArray& host : {QByteArray("attacker.example:") + QByteArray::number(port), QByteArray("127.0.0.1:1")})
        EXPECT_EQ(Ask(port, "GET", "/index.html", host).Status, 403) << host.toStdString();
    EXPECT_EQ(Ask(port, "GET", "/index.html", "localhost:" + QByteArray::number(port)).Status, 200);
}

TEST(BuiltInSiteServer, TwoGameBoxesShareThePortAndTheSecondTakesOver)
{
    SiteFolder folder;
    const quint16 port = FreePort();
    auto first = std::make_unique<TBuiltInSite>(folder.Site(), port);
    first->Start();
    ASSERT_TRUE(first->Serving());

    TBuiltInSite second(folder.Site(), port);
    second.RetryMs = 200;
    QSignalSpy held(&second, &TBuiltInSite::PortHeldByOther);
    QSignalSpy served(&second, &TBuiltInSite::Served);
    second.Start();
    EXPECT_FALSE(second.Serving());
    // Several tries later the second has still said nothing: the site works.
    QTest::qWait(1000);
    EXPECT_EQ(held.count(), 0);
    EXPECT_EQ(Ask(port, "GET", "/").Status, 200);

    first.reset();
    ASSERT_TRUE(WaitFor([&] { return second.Serving(); }, 5000));
    EXPECT_EQ(served.count(), 1);
    EXPECT_EQ(Ask(port, "GET", "/sub/").Body, "<title>sub</title>");
    EXPECT_EQ(held.count(), 0);
}

TEST(BuiltInSiteServer, APortHeldByAnotherProgramIsSaidOnceAndTakenWhenFree)
{
    SiteFolder folder;
    SiteServer other;
    ASSERT_GT(other.Port(), 0);
    TBuiltInSite site(folder.Site(), quint16(other.Port()));
    site.RetryMs = 200;
    QSignalSpy held(&site, &TBuiltInSite::PortHeldByOther);
    site.Start();
    ASSERT_TRUE(WaitFor([&] { return held.count() == 1; }, 5000));
    EXPECT_EQ(held.at(0).at(0).value<quint16>(), other.Port());
    QTest::qWait(1000);
    EXPECT_EQ(held.count(), 1) << "said once, not at every try";
    EXPECT_FALSE(site.Serving());

    other.Stop();
    ASSERT_TRUE(WaitFor([&] { return site.Serving(); }, 5000));
    EXPECT_EQ(Ask(quint16(other.Port()), "GET", "/").Body, "<title>home</title>");
}

// The window in a program folder of its own with a configuration.
class SiteWindow : public testing::Test {
protected:
    void Start(const QString& homePage)
    {
        folder_.Write(QStringLiteral("Data/Config.dat"),
                      QStringLiteral("[System]\r\nSoftName=zev子\r\nHomePage=%1\r\n[Options]\r\nBuiltInSitePort=%2\r\n")
                          .arg(homePage)
                          .arg(port_)
                          .toUtf8());
        config_ = std::make_unique<TConfig>(folder_.Path().toStdString(), PROGRAM_FILE);
        form_ = std::make_unique<TMainForm>(*config_, folder_.Path().toStdString());
        form_->show();
        ASSERT_TRUE(WaitFor([&] { return form_->wb_left->ReadyState() == 4; }));
    }
    QString LeftLink(const QString& path)
    {
        return RunScript(form_->wb_left, QStringLiteral("document.querySelector('a[data-path=\"%1\"]').href").arg(path))
            .toString();
    }
    QMessageBox* HeldMessage() const { return form_->findChild<QMessageBox*>(QStringLiteral("msg_sitePortHeld")); }

    quint16 port_ = FreePort();
    QString home_ = TBuiltInSite::HomePage(port_).toString();
    ProgramFolder folder_;
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<TMainForm> form_;
};

TEST_F(SiteWindow, TheFirstTabAndTheLeftViewShowTheBuiltInSite)
{
    Start(home_);
    TEmbeddedWB* first = form_->pager_web->Page(0)->WebBrowser;
    ASSERT_TRUE(WaitFor([&] { return first->ReadyState() == 4 && first->LocationURL() == home_; }));
    EXPECT_EQ(RunScript(first, QStringLiteral("document.title")).toString().toStdString(), "演示游戏站 - 免费在线小游戏");
    EXPECT_EQ(LeftLink(QStringLiteral("/category/action.html")),
              QStringLiteral("http://127.0.0.1:%1/category/action.html").arg(port_));
    EXPECT_EQ(HeldMessage(), nullptr);
}

TEST_F(SiteWindow, TheLeftViewFollowsAnotherSite)
{
    SiteServer other;
    Start(other.Url(QStringLiteral("/games/snake.html")));
    for (const QString& path : {QStringLiteral("/index.html"), QStringLiteral("/category/puzzle.html"),
                                QStringLiteral("/games/memory.html")})
        EXPECT_EQ(LeftLink(path), other.Url(path));
}

TEST_F(SiteWindow, ABlankHomePageLeavesTheLeftViewOnTheBuiltInSite)
{
    Start(QStringLiteral("about:blank"));
    EXPECT_EQ(LeftLink(QStringLiteral("/games/snake.html")),
              QStringLiteral("http://127.0.0.1:%1/games/snake.html").arg(port_));
}

TEST_F(SiteWindow, APortHeldByAnotherProgramIsToldWhenTheHomePageIsThere)
{
    SiteServer other;
    port_ = quint16(other.Port());
    home_ = TBuiltInSite::HomePage(port_).toString();
    Start(home_);
    ASSERT_TRUE(WaitFor([&] { return HeldMessage() && HeldMessage()->isVisible(); }, 10000));
    EXPECT_TRUE(HeldMessage()->text().contains(QString::number(port_)));
    EXPECT_FALSE(HeldMessage()->isModal());
    HeldMessage()->close();
}

TEST_F(SiteWindow, APortHeldByAnotherProgramIsNotToldWhenTheHomePageIsElsewhere)
{
    SiteServer holder;
    SiteServer home;
    port_ = quint16(holder.Port());
    Start(home.Url(QStringLiteral("/index.html")));
    QTest::qWait(3000);
    EXPECT_EQ(HeldMessage(), nullptr);
}

// Two programs started one after the other on one port, as two users or two
// starts do: the second plays from the first one's site, says nothing, and
// serves the site itself once the first one has ended.
class TwoPrograms : public testing::Test {
protected:
    struct Running {
        ProgramFolder Folder;
        QProcess Process;
    };
    void Start(Running& program)
    {
        program.Folder.Write(QStringLiteral("Data/Config.dat"),
                             QStringLiteral("[System]\r\nSoftName=zev子\r\nHomePage=%1\r\n[Options]\r\nBuiltInSitePort=%2\r\n")
                                 .arg(TBuiltInSite::HomePage(port_).toString())
                                 .arg(port_)
                                 .toUtf8());
        ASSERT_TRUE(QFile::copy(QStringLiteral(PROGRAM_FILE), program.Folder.Path(QStringLiteral("orvanzev"))));
        program.Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.Process.start(program.Folder.Path(QStringLiteral("orvanzev")), {});
        ASSERT_TRUE(program.Process.waitForStarted());
        ASSERT_TRUE(WaitFor([&] { return !Windows(program).isEmpty(); }, 60000)) << "no window";
    }
    static QStringList Windows(const Running& program)
    {
        return testing_support::Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                         QString::number(program.Process.processId())});
    }
    bool SiteAnswers() { return Ask(port_, "GET", "/games/snake.html").Body.contains("var f = \"/swf/snake.swf\""); }
    void TearDown() override
    {
        for (Running* program : {&first_, &second_}) {
            program->Process.terminate();
            if (!program->Process.waitForFinished(30000))
                program->Process.kill();
        }
    }

    quint16 port_ = FreePort();
    Running first_;
    Running second_;
};

TEST_F(TwoPrograms, TheSecondUsesTheFirstOnesSiteAndTakesItOver)
{
    Start(first_);
    ASSERT_TRUE(WaitFor([&] { return SiteAnswers(); }, 30000));
    Start(second_);
    QTest::qWait(3000);
    EXPECT_EQ(second_.Process.state(), QProcess::Running);
    EXPECT_EQ(Windows(second_).size(), 1) << "the second program shows a message";
    EXPECT_TRUE(SiteAnswers());

    first_.Process.terminate();
    ASSERT_TRUE(first_.Process.waitForFinished(30000));
    EXPECT_TRUE(WaitFor([&] { return SiteAnswers(); }, 10000)) << "the second program does not take the site over";
    EXPECT_EQ(Windows(second_).size(), 1);
}

} // namespace
