// The update check against an update server on 127.0.0.1 that records what
// it is asked, and the hint balloon on the running main window.
#include "RunningMainWindow.h"
#include "services/F_UpdateHint.h"
#include "services/UpdateCheck.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>

using namespace testing_support;

namespace {

// Answers each request with the scripted reply, or not at all.
class UpdateServer {
public:
    enum Mode { Answer, NeverAnswer, BreakOff };

    UpdateServer()
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Read(socket); });
            }
        });
    }
    QString Url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path); }

    void Reply(int status, const QByteArray& body, Mode mode = Answer)
    {
        status_ = status;
        body_ = body;
        mode_ = mode;
    }
    int Connections() const { return connections_; }
    QByteArray RequestLine() const { return head_.left(head_.indexOf("\r\n")); }

private:
    void Read(QTcpSocket* socket)
    {
        QByteArray& head = pending_[socket];
        head += socket->readAll();
        if (!head.contains("\r\n\r\n"))
            return;
        head_ = head;
        if (mode_ == NeverAnswer)
            return;
        const QByteArray reason = status_ == 200 ? "OK" : "Not OK";
        socket->write("HTTP/1.1 " + QByteArray::number(status_) + ' ' + reason + "\r\nContent-Type: text/html\r\n"
                      + "Content-Length: " + QByteArray::number(body_.size() + (mode_ == BreakOff ? 1000 : 0))
                      + "\r\nConnection: close\r\n\r\n" + body_);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    int connections_ = 0;
    QByteArray head_;
    QHash<QTcpSocket*, QByteArray> pending_;
    int status_ = 200;
    QByteArray body_;
    Mode mode_ = Answer;
};

class UpdateCheck : public RunningMainWindow {
protected:
    // Runs one check to its end; true when it ended within the deadline.
    bool Check(const platform::THttpLimits& limits = {}, int deadline = 30000)
    {
        bool finished = false;
        form_->UpdateCheck->SetLimits(limits);
        const auto connection = QObject::connect(form_->UpdateCheck, &TUpdateCheck::Finished, [&] { finished = true; });
        form_->CheckForUpdate();
        const bool ended = WaitFor([&] { return finished; }, deadline);
        QObject::disconnect(connection);
        return ended;
    }
    QList<TUpdateHintForm*> Balloons() const
    {
        QList<TUpdateHintForm*> shown;
        for (auto* balloon : form_->findChildren<TUpdateHintForm*>())
            if (balloon->isVisible())
                shown << balloon;
        return shown;
    }
    void CloseBalloons()
    {
        for (auto* balloon : Balloons())
            balloon->close();
        WaitFor([&] { return form_->findChildren<TUpdateHintForm*>().isEmpty(); });
    }
    // Records the addresses given to the desktop's web browser.
    QString RecordBrowser()
    {
        const QString record = folder_.Path("opened.txt");
        folder_.Write("browser.sh", QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(record).toUtf8());
        QFile::setPermissions(folder_.Path("browser.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        form_->BrowserCommand = folder_.Path("browser.sh");
        return record;
    }
    static void MovePointer(const QPoint& global)
    {
        Xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
    }

    UpdateServer server_;
};

TEST_F(UpdateCheck, EmptyCheckAddressMakesNoConnection)
{
    Start();
    config_->CheckURL = "";
    ASSERT_TRUE(Check());
    EXPECT_EQ(server_.Connections(), 0);
    EXPECT_TRUE(Balloons().isEmpty());
}

TEST_F(UpdateCheck, RequestCarriesTheVersionAndTheEncodedMachineCode)
{
    Start();
    config_->CheckURL = server_.Url("/check").toStdString();
    config_->MachineCode = std::string("000AB3045CFF WD 1&2=3+4%\r\nGET / HTTP/1.1\xE9\xFF;x", 44);
    server_.Reply(200, "CurrentVersion=1.0.0.22;");
    ASSERT_TRUE(Check());
    ASSERT_EQ(config_->SoftVersion, "1.0.0.22");
    EXPECT_EQ(server_.RequestLine().toStdString(),
              "GET /check?var=1.0.0.22&MAC=000AB3045CFF%20WD%201%262%3D3%2B4%25%0D%0AGET%20/%20HTTP/1.1%E9%FF;x HTTP/1.1");
}

TEST_F(UpdateCheck, RepliesThatShowTheHintAndRepliesThatDoNot)
{
    struct Case {
        const char* what;
        int status;
        QByteArray body;
        UpdateServer::Mode mode;
        bool hint;
    };
    const Case cases[] = {
        {"newer", 200, "CurrentVersion=1.0.0.23;", UpdateServer::Answer, true},
        {"equal", 200, "CurrentVersion=1.0.0.22;", UpdateServer::Answer, false},
        {"older", 200, "CurrentVersion=1.0.0.21;", UpdateServer::Answer, true},
        {"empty version", 200, "CurrentVersion=;", UpdateServer::Answer, true},
        {"inside a page", 200, "<html><body>CurrentVersion=1.0.0.30;</body></html>", UpdateServer::Answer, true},
        {"marker twice", 200, "CurrentVersion=1.0.0.22;CurrentVersion=1.0.0.23;", UpdateServer::Answer, false},
        {"lower-case marker", 200, "currentversion=1.0.0.23;", UpdateServer::Answer, false},
        {"trailing space", 200, "CurrentVersion=1.0.0.22 ;", UpdateServer::Answer, true},
        {"no semicolon", 200, "CurrentVersion=1.0.0.23", UpdateServer::Answer, false},
        {"404", 404, "CurrentVersion=1.0.0.23;", UpdateServer::Answer, false},
        {"500 with the marker", 500, "CurrentVersion=1.0.0.23;", UpdateServer::Answer, false},
        {"body broken off", 200, "CurrentVersion=1.0.0.23;", UpdateServer::BreakOff, false},
        {"10 MB reply", 200, "CurrentVersion=1.0.0.23;" + QByteArray(10 << 20, ' '), UpdateServer::Answer, false},
    };
    Start();
    config_->CheckURL = server_.Url("/check").toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server_.Reply(c.status, c.body, c.mode);
        const int before = server_.Connections();
        ASSERT_TRUE(Check());
        EXPECT_EQ(server_.Connections(), before + 1);
        EXPECT_EQ(Balloons().size(), c.hint ? 1 : 0);
        CloseBalloons();
    }
}

TEST_F(UpdateCheck, AServerThatNeverAnswersEndsTheCheckAtTheTimeLimit)
{
    Start();
    config_->CheckURL = server_.Url("/check").toStdString();
    server_.Reply(200, "CurrentVersion=1.0.0.23;", UpdateServer::NeverAnswer);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Check({.TimeoutMs = 700}, 10000));
    EXPECT_GE(clock.elapsed(), 650);
    EXPECT_EQ(server_.Connections(), 1);
    EXPECT_TRUE(Balloons().isEmpty());
}

TEST_F(UpdateCheck, ClosingTheWindowDuringACheckEndsItAtOnce)
{
    Start();
    config_->CheckURL = server_.Url("/check").toStdString();
    server_.Reply(200, "", UpdateServer::NeverAnswer);
    QPointer<TUpdateCheck> check = form_->UpdateCheck;
    form_->CheckForUpdate();
    ASSERT_TRUE(WaitFor([&] { return server_.Connections() == 1; }));
    QElapsedTimer clock;
    clock.start();
    form_.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(check.isNull());
}

TEST_F(UpdateCheck, TheTimerChecksOnceAfterEightSecondsAndTheBalloonGoesAfterTen)
{
    Start();
    config_->CheckURL = server_.Url("/check").toStdString();
    server_.Reply(200, "CurrentVersion=2.0.0.0;");
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return Balloons().size() == 1; }, 20000));
    EXPECT_GE(clock.elapsed(), 7000);
    TUpdateHintForm* balloon = Balloons().front();

    // Standing on the status bar, its left edge in line with the update icon.
    const QRect place(balloon->mapTo(form_.get(), QPoint(0, 0)), balloon->size());
    EXPECT_EQ(place.size(), QSize(181, 72));
    EXPECT_EQ(place.left(), form_->img_update->mapTo(form_.get(), QPoint(0, 0)).x());
    EXPECT_EQ(place.bottom() + 1, form_->pnl_bottom->y());
    // Only the balloon is opaque: the corners around it let the window show.
    EXPECT_FALSE(balloon->mask().contains(QPoint(180, 71)));
    EXPECT_TRUE(balloon->mask().contains(QPoint(90, 30)));

    QPointer<TUpdateHintForm> watched = balloon;
    ASSERT_TRUE(WaitFor([&] { return watched.isNull(); }, 15000));
    EXPECT_GE(clock.elapsed(), 17000);
    EXPECT_FALSE(form_->tmr_update->isActive());
    EXPECT_EQ(server_.Connections(), 1);
}

TEST_F(UpdateCheck, AClickOnTheBalloonOpensTheUpdatePageAndClosesIt)
{
    Start();
    const QString record = RecordBrowser();
    config_->CheckURL = server_.Url("/check").toStdString();
    config_->UpdatePath = "http://127.0.0.1:9/update page?v=2";
    server_.Reply(200, "CurrentVersion=2.0.0.0;");
    ASSERT_TRUE(Check());
    ASSERT_EQ(Balloons().size(), 1);
    QPointer<TUpdateHintForm> balloon = Balloons().front();
    const QPoint middle = balloon->mapToGlobal(QPoint(90, 30));
    MovePointer(middle);
    Xdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(WaitFor([&] { return balloon.isNull(); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(record); }, 5000));
    EXPECT_EQ(folder_.Read("opened.txt").toStdString(), "http://127.0.0.1:9/update page?v=2\n");
}

TEST_F(UpdateCheck, ThePointerLeavingTheBalloonClosesIt)
{
    Start();
    config_->CheckURL = server_.Url("/check").toStdString();
    server_.Reply(200, "CurrentVersion=2.0.0.0;");
    MovePointer(form_->mapToGlobal(QPoint(form_->width() / 2, 40)));
    ASSERT_TRUE(Check());
    ASSERT_EQ(Balloons().size(), 1);
    QPointer<TUpdateHintForm> balloon = Balloons().front();
    MovePointer(balloon->mapToGlobal(QPoint(90, 30)));
    QTest::qWait(300);
    EXPECT_FALSE(balloon.isNull()) << "entering must not close it";
    MovePointer(balloon->mapToGlobal(QPoint(90, -40)));
    EXPECT_TRUE(WaitFor([&] { return balloon.isNull(); }, 5000));
}

} // namespace

namespace {

// The check on its own, as the window's controller, with no window.
TEST(UpdateCheckAlone, TheBodyCapAndTheVersionDecideTheResult)
{
    UpdateServer server;
    const QByteArray newer = "CurrentVersion=1.0.0.23;";
    struct Case {
        const char* what;
        QByteArray body;
        qint64 cap;
        bool updateOut;
    };
    const Case cases[] = {
        {"newer, the body at the cap", newer + "    ", newer.size() + 4, true},
        {"newer, one byte over the cap", newer + "     ", newer.size() + 4, false},
        {"the running version", "CurrentVersion=1.0.0.22;", 1 << 20, false},
    };
    TUpdateCheck check;
    std::optional<bool> result;
    QObject::connect(&check, &TUpdateCheck::Finished, [&](bool updateOut) { result = updateOut; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.Reply(200, c.body);
        result.reset();
        check.SetLimits({.MaxBody = c.cap});
        check.Start({server.Url("/check").toStdString(), "1.0.0.22", "M"});
        ASSERT_TRUE(WaitFor([&] { return result.has_value(); }));
        EXPECT_EQ(*result, c.updateOut);
    }
}

TEST(UpdateCheckAlone, AServerThatNeverAnswersHoldsNothingUp)
{
    UpdateServer server;
    server.Reply(200, "", UpdateServer::NeverAnswer);
    TUpdateCheck check({.TimeoutMs = 700});
    std::optional<bool> result;
    QObject::connect(&check, &TUpdateCheck::Finished, [&](bool updateOut) { result = updateOut; });
    QElapsedTimer clock;
    clock.start();
    check.Start({server.Url("/check").toStdString(), "1.0.0.22", "M"});
    EXPECT_LT(clock.elapsed(), 200) << "the check runs while the events go on";
    EXPECT_FALSE(result.has_value());
    ASSERT_TRUE(WaitFor([&] { return result.has_value(); }, 10000));
    EXPECT_GE(clock.elapsed(), 650);
    EXPECT_FALSE(*result);
    EXPECT_EQ(server.Connections(), 1);
}

} // namespace
