// The engine alone, as the floor the game box is measured against: a window
// with a tab widget whose one QWebEngineView loads the address given, and
// nothing else. Speaks the probe's protocol on standard input and output:
//   open URL  loads URL in a new tab; "opened T0 T1 URL" once the page has
//             loaded and, when it has a Flash movie, the page says
//             "bench:movie-ready" on its console.
// Events: "ready" before the event loop, "loaded" when the first page has loaded.
#include <QApplication>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

double Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void Emit(const QByteArray& text)
{
    const QByteArray line = "probe " + text + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

QByteArray Seconds(double t) { return QByteArray::number(t, 'f', 6); }

class Page : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    std::function<void()> movieReady;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override
    {
        if (message == QLatin1String("bench:movie-ready") && movieReady)
            movieReady();
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_view URL\n");
        return 2;
    }
    QTabWidget tabs;
    tabs.resize(960, 680);

    auto open = [&tabs](const QUrl& url, std::function<void(double)> done, bool waitForMovie) {
        auto* view = new QWebEngineView;
        auto* page = new Page(view);
        view->setPage(page);
        tabs.setCurrentIndex(tabs.addTab(view, url.path()));
        struct State {
            bool loaded = false;
            bool movie = false;
            bool reported = false;
        };
        auto state = std::make_shared<State>();
        state->movie = !waitForMovie;
        auto check = [state, done] {
            if (state->loaded && state->movie && !state->reported) {
                state->reported = true;
                done(Now());
            }
        };
        page->movieReady = [state, check] {
            state->movie = true;
            check();
        };
        QObject::connect(page, &QWebEnginePage::loadFinished, page, [state, check](bool) {
            state->loaded = true;
            check();
        });
        view->load(url);
    };

    open(QUrl(QString::fromLocal8Bit(argv[1])), [](double t) { Emit("loaded " + Seconds(t)); }, false);
    tabs.show();

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[4096];
        const ssize_t size = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (size <= 0) {
            input.setEnabled(false);
            application.quit();
            return;
        }
        pending.append(buffer, size);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (line.startsWith("open ")) {
                const QByteArray address = line.mid(5).trimmed();
                const double started = Now();
                open(QUrl(QString::fromUtf8(address)),
                     [started, address](double t) { Emit("opened " + Seconds(started) + ' ' + Seconds(t) + ' ' + address); },
                     true);
            }
        }
    });
    Emit("ready " + Seconds(Now()));
    return application.exec();
}
