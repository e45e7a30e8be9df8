#pragma once
// Shared pieces of the integration tests: the site server on 127.0.0.1,
// program folders of their own, and waiting with a deadline.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QEventLoop>
#include <QTimer>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/prctl.h>

namespace testing_support {

// Waits until condition holds or the deadline passes; true when it holds.
// Runs a real event loop meanwhile: the engine's work on this thread must
// not be held up by sleeping between checks.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 30000)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    check.start(5);
    loop.exec();
    return condition();
}

// A port on 127.0.0.1 that nothing listens on just now.
inline quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Runs xdotool to its end and gives its output lines.
inline QStringList Xdotool(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    xdotool.waitForFinished(10000);
    return QString::fromUtf8(xdotool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The popup menu the program shows, if any.
inline QMenu* VisibleMenu()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible())
            return menu;
    return nullptr;
}

// The demo site and the test pages served by tools/serve.py on 127.0.0.1.
class SiteServer {
public:
    // extraRoot, when given, is searched before the test pages; options go
    // to serve.py as they are (with --tls-cert the server speaks https).
    explicit SiteServer(const QString& extraRoot = QString(), const QStringList& options = {})
        : scheme_(options.contains(QStringLiteral("--tls-cert")) ? QStringLiteral("https") : QStringLiteral("http"))
    {
        QStringList arguments{QStringLiteral(SERVE_PY)};
        arguments << options;
        if (!extraRoot.isEmpty())
            arguments << QStringLiteral("--root") << extraRoot;
        arguments << QStringLiteral("--root") << QStringLiteral(TEST_PAGES_DIR) << QStringLiteral("--root")
                  << QStringLiteral(DEMO_SITE_DIR) << QStringLiteral("--slow-rate") << QStringLiteral("100000");
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The server never outlives the test, even one that crashes.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.start(QStringLiteral("python3"), arguments);
        if (process_.waitForReadyRead(10000)) {
            const QByteArray line = process_.readLine().trimmed();
            if (line.startsWith("PORT "))
                port_ = line.mid(5).toInt();
        }
    }
    ~SiteServer()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    int Port() const { return port_; }
    // Ends the server: from now on nothing answers at its port.
    void Stop()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    QString Url(const QString& path) const { return QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme_).arg(port_).arg(path); }

private:
    QString scheme_;
    QProcess process_;
    int port_ = 0;
};

// Runs a script in a view's page and waits for its answer.
inline QVariant RunScript(QWebEngineView* view, const QString& code)
{
    QVariant answer;
    bool answered = false;
    view->page()->runJavaScript(code, QWebEngineScript::MainWorld, [&](const QVariant& value) {
        answer = value;
        answered = true;
    });
    EXPECT_TRUE(WaitFor([&] { return answered; })) << "the page answers the script";
    return answer;
}

// A program folder of its own: Data with the shipped pages, the player and
// the built-in site.
class ProgramFolder {
public:
    explicit ProgramFolder(bool withData = true)
    {
        if (withData) {
            QDir().mkpath(Path(QStringLiteral("Data/Flash")));
            for (const QString& name : {QStringLiteral("top.html"), QStringLiteral("left.html"), QStringLiteral("Flash/swf.htm")})
                QFile::copy(QStringLiteral(DATA_DIR "/") + name, Path(QStringLiteral("Data/") + name));
        }
        QFile::link(QStringLiteral(RUFFLE_DIR), Path(QStringLiteral("Ruffle")));
        QFile::link(QStringLiteral(SITE_DIR), Path(QStringLiteral("Site")));
    }
    QString Path(const QString& relative = QString()) const
    {
        return relative.isEmpty() ? dir_.path() : dir_.filePath(relative);
    }
    QByteArray Read(const QString& relative) const
    {
        QFile file(Path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Write(const QString& relative, const QByteArray& bytes) const
    {
        QFile file(Path(relative));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

private:
    QTemporaryDir dir_;
};

} // namespace testing_support
