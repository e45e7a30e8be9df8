// Downloads one address into a file the way the program does: a page of the
// file's own site asks the engine for it. Prints the seconds from the start
// of the transfer to the file in place.
#include "browser/BrowserProfile.h"
#include "browser/EngineOptions.h"
#include "browser/PageDownload.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWebEnginePage>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_download URL TARGET\n");
        return 2;
    }
    engine_options::BeforeApplication();
    QApplication application(argc, argv);
    engine_options::AfterApplication();
    const QUrl source(QString::fromLocal8Bit(argv[1]));
    QWebEnginePage page(BrowserProfile());
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &application, [&](bool ok) {
        loaded = ok;
        application.quit();
    });
    page.load(source.resolved(QUrl(QStringLiteral("/"))));
    application.exec();
    if (!loaded) {
        std::fprintf(stderr, "the site's page did not load\n");
        return 1;
    }
    TPageDownload download(&page);
    QElapsedTimer clock;
    QObject::connect(&download, &TPageDownload::Finished, &application, &QCoreApplication::quit);
    clock.start();
    download.Start(source, QString::fromLocal8Bit(argv[2]));
    if (download.result() == TPageDownload::Running)
        application.exec();
    if (download.result() != TPageDownload::Succeeded) {
        std::fprintf(stderr, "download failed: %s\n", qPrintable(download.ErrorText()));
        return 1;
    }
    std::printf("%.6f\n", clock.nsecsElapsed() / 1e9);
    return 0;
}
