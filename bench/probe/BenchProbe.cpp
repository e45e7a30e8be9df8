#include "BenchProbe.h"

#include "app/F_MainForm.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "browser/ToolbarController.h"
#include "services/F_UpdateHint.h"
#include "services/UpdateCheck.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QPointer>
#include <QProgressDialog>
#include <QQuickWindow>
#include <QSemaphore>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unistd.h>
#include <vector>

namespace bench_probe {
namespace {

double Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

QByteArray Seconds(double t) { return QByteArray::number(t, 'f', 6); }
QByteArray Millis(double seconds) { return QByteArray::number(seconds * 1000.0, 'f', 3); }

void Emit(const QByteArray& event, double t, const QList<QByteArray>& fields = {})
{
    QByteArray line = "probe " + event + ' ' + Seconds(t);
    for (const QByteArray& field : fields)
        line += ' ' + field;
    line += '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// Posts a ping to the user interface thread every 4 ms and keeps every
// answer that took longer than a millisecond: the time the thread could not
// have reacted to the user either.
class StallWatch : public QThread {
public:
    struct Ping {
        double posted;
        double answered;
    };

    std::vector<Ping> Slow(double atLeast)
    {
        std::lock_guard lock(mutex_);
        std::vector<Ping> slow;
        for (const Ping& ping : slow_)
            if (ping.answered - ping.posted >= atLeast)
                slow.push_back(ping);
        return slow;
    }

    // The longest wait of a ping that was under way at some time in [from, to].
    double LongestStall(double from, double to)
    {
        std::lock_guard lock(mutex_);
        double longest = 0;
        for (const Ping& ping : slow_)
            if (ping.answered >= from && ping.posted <= to)
                longest = std::max(longest, ping.answered - ping.posted);
        return longest;
    }

protected:
    void run() override
    {
        while (!isInterruptionRequested()) {
            auto answered = std::make_shared<QSemaphore>();
            const double posted = Now();
            QMetaObject::invokeMethod(qApp, [answered] { answered->release(); }, Qt::QueuedConnection);
            while (!answered->tryAcquire(1, 100))
                if (isInterruptionRequested())
                    return;
            const double done = Now();
            if (done - posted > 0.001) {
                std::lock_guard lock(mutex_);
                slow_.push_back({posted, done});
            }
            QThread::usleep(4000);
        }
    }

private:
    std::mutex mutex_;
    std::vector<Ping> slow_;
};

class Probe : public QObject {
public:
    explicit Probe(TMainForm* form) : QObject(form), form_(form), input_(STDIN_FILENO, QSocketNotifier::Read, this)
    {
        attached_ = Now();
        // Its pings wake the user interface thread 250 times a second:
        // sessions that measure processor time go without it.
        if (!qEnvironmentVariableIsSet("BENCH_NO_STALL_WATCH"))
            watch_.start(QThread::HighPriority);
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
            watch_.requestInterruption();
            watch_.wait();
        });
        connect(&input_, &QSocketNotifier::activated, this, &Probe::ReadInput);
        if (TWebPageEx* home = form_->pager_web->Page(0)) {
            auto done = std::make_shared<QMetaObject::Connection>();
            *done = connect(home->WebBrowser, &TEmbeddedWB::OnDocumentComplete, this, [done] {
                disconnect(*done);
                Emit("home-complete", Now());
            });
        }
        connect(form_->Toolbar, &TToolbarController::ClickReceived, this, &Probe::Clicked);
        connect(form_->Toolbar, &TToolbarController::StatesWriteSent, this, &Probe::WriteStarted);
        connect(form_->Toolbar, &TToolbarController::StatesWritten, this, &Probe::Written);
        connect(form_->UpdateCheck, &TUpdateCheck::Started, this, [this] { updateStarted_ = Now(); });
        connect(form_->UpdateCheck, &TUpdateCheck::Finished, this, &Probe::UpdateChecked);
        const bool software = QQuickWindow::sceneGraphBackend() == QLatin1String("software");
        const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
        Emit("ready", attached_, {software ? "scene-graph=software" : "scene-graph=default",
                                  shared && shared->isValid() ? "opengl=1" : "opengl=0"});
    }

    ~Probe() override
    {
        watch_.requestInterruption();
        watch_.wait();
    }

    void Clicked()
    {
        if (!pendingClick_)
            pendingClick_ = Now();
    }

    void WriteStarted(int mark)
    {
        Write write;
        TWebPageEx* home = form_->pager_web->Page(0);
        write.homeComplete = home && home->WebBrowser->ReadyState() == 4 && !home->WebBrowser->Busy();
        write.click = pendingClick_;
        pendingClick_.reset();
        writes_[mark] = write;
    }

    void Written(int mark)
    {
        const double now = Now();
        const auto it = writes_.find(mark);
        if (it == writes_.end())
            return;
        const Write write = it->second;
        writes_.erase(it);
        Emit("toolbar-written", now, {write.homeComplete ? "home=1" : "home=0"});
        if (write.click)
            Emit("click-reflected", now, {Millis(now - *write.click)});
    }

private:
    struct Write {
        bool homeComplete = false;
        std::optional<double> click;
    };

    void ReadInput()
    {
        char buffer[4096];
        const ssize_t size = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (size <= 0) {
            // The driver is done with the program: close the window as a user would.
            input_.setEnabled(false);
            QTimer::singleShot(0, form_, &QWidget::close);
            return;
        }
        pending_.append(buffer, size);
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
            const QByteArray line = pending_.left(end).trimmed();
            pending_.remove(0, end + 1);
            if (!line.isEmpty())
                Command(line);
        }
    }

    void Command(const QByteArray& line)
    {
        const qsizetype space = line.indexOf(' ');
        const QByteArray verb = space < 0 ? line : line.left(space);
        const QByteArray argument = space < 0 ? QByteArray() : line.mid(space + 1).trimmed();
        if (verb == "locate")
            Locate(QString::fromUtf8(argument));
        else if (verb == "locate-page")
            LocatePage();
        else if (verb == "open")
            Open(QString::fromUtf8(argument));
        else if (verb == "download")
            QTimer::singleShot(0, this, [this] { DownloadWhenOffered(Now()); });
        else if (verb == "stall")
            Emit("stall", Now(), {Millis(watch_.LongestStall(attached_, Now()))});
        else if (verb == "stalls")
            for (const StallWatch::Ping& ping : watch_.Slow(argument.toDouble() / 1000.0))
                Emit("stalled", ping.posted, {Millis(ping.answered - ping.posted)});
        else
            Emit("unknown", Now(), {verb});
    }

    void Locate(const QString& id)
    {
        const QString code = QStringLiteral("(function(id){var e=document.getElementById(id);if(!e)return null;"
                                            "var r=e.getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})(%1)")
                                 .arg(QStringLiteral("\"%1\"").arg(id));
        QPointer<TEmbeddedWB> view = form_->wb_top;
        view->page()->runJavaScript(code, QWebEngineScript::ApplicationWorld, [view, id](const QVariant& answer) {
            const QVariantList centre = answer.toList();
            if (!view || centre.size() != 2) {
                Emit("located", Now(), {id.toUtf8(), "-", "-"});
                return;
            }
            const QPoint global = view->mapToGlobal(QPoint(qRound(centre[0].toDouble()), qRound(centre[1].toDouble())));
            Emit("located", Now(), {id.toUtf8(), QByteArray::number(global.x()), QByteArray::number(global.y())});
        });
    }

    // The middle of the active tab's page on the screen.
    void LocatePage()
    {
        TWebPageEx* page = form_->pager_web->ActivePage();
        if (!page || !page->WebBrowser->isVisible()) {
            Emit("located", Now(), {"page", "-", "-"});
            return;
        }
        const QPoint global = page->WebBrowser->mapToGlobal(page->WebBrowser->rect().center());
        Emit("located", Now(), {"page", QByteArray::number(global.x()), QByteArray::number(global.y())});
    }

    void Open(const QString& url)
    {
        const double started = Now();
        TWebPageEx* page = form_->pager_web->OpenPage(url, true);
        auto done = std::make_shared<QMetaObject::Connection>();
        *done = connect(page->WebBrowser, &TEmbeddedWB::OnDocumentComplete, this, [done, started, url] {
            disconnect(*done);
            Emit("opened", started, {Seconds(Now()), url.toUtf8()});
        });
    }

    // As a user would: once the active tab offers its game for download.
    void DownloadWhenOffered(double asked)
    {
        TWebPageEx* page = form_->pager_web->ActivePage();
        if (page && page->DownloadReady) {
            Download();
            return;
        }
        if (Now() - asked > 30) {
            Emit("downloaded", Now(), {"-", "-", "progress=0", "no-offer"});
            return;
        }
        QTimer::singleShot(20, this, [this, asked] { DownloadWhenOffered(asked); });
    }

    void Download()
    {
        QByteArray answered = "-";
        bool progressSeen = false;
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, this, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (qobject_cast<QProgressDialog*>(window) && window->isVisible())
                    progressSeen = true;
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                answered = box->text().toUtf8().replace(' ', '_');
                if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->accept();
            }
        });
        answer.start();
        const double started = Now();
        form_->DownloadGame();
        const double finished = Now();
        answer.stop();
        Emit("downloaded", started,
             {Seconds(finished), Millis(watch_.LongestStall(started, finished)), progressSeen ? "progress=1" : "progress=0",
              answered});
    }

    void UpdateChecked()
    {
        const double started = updateStarted_;
        // Leave the balloon time to appear before the phase ends.
        QTimer::singleShot(500, this, [this, started] {
            const double finished = Now();
            bool hint = false;
            for (const TUpdateHintForm* balloon : form_->findChildren<TUpdateHintForm*>())
                hint = hint || balloon->isVisible();
            Emit("update-checked", started,
                 {Seconds(finished), Millis(watch_.LongestStall(started, finished)), hint ? "hint=1" : "hint=0"});
        });
    }

    TMainForm* form_;
    QSocketNotifier input_;
    QByteArray pending_;
    StallWatch watch_;
    double attached_ = 0;
    std::optional<double> pendingClick_;
    std::map<int, Write> writes_;
    double updateStarted_ = 0;
};

QPointer<Probe>& Instance()
{
    static QPointer<Probe> probe;
    return probe;
}

} // namespace

void Attach(TMainForm* form)
{
    if (!Instance())
        Instance() = new Probe(form);
}

} // namespace bench_probe
