// Downloads one address into a file the way the program does; prints the
// seconds it took.
#include "platform/UrlDownload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_download URL TARGET\n");
        return 2;
    }
    TUrlDownload download;
    QElapsedTimer clock;
    QObject::connect(&download, &TUrlDownload::Finished, &application, &QCoreApplication::quit);
    clock.start();
    download.Start(QUrl(QString::fromLocal8Bit(argv[1])), QString::fromLocal8Bit(argv[2]));
    if (download.result() == TUrlDownload::Running)
        application.exec();
    if (download.result() != TUrlDownload::Succeeded) {
        std::fprintf(stderr, "download failed: %s\n", qPrintable(download.ErrorText()));
        return 1;
    }
    std::printf("%.6f\n", clock.nsecsElapsed() / 1e9);
    return 0;
}
