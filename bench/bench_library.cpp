// Collecting into a favourites list of 10,000 entries, side by side with
// merely rewriting that file. Prints the medians in milliseconds.
#include "library/TGameList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray ListOf(int entries)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<list>";
    for (int i = 0; i < entries; ++i)
        text += "<item><txt>演示游戏 " + QByteArray::number(i) + "</txt><url><![CDATA[http://127.0.0.1:8000/games/game"
                + QByteArray::number(i) + ".html]]></url></item>";
    return text + "</list>\n";
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    QTemporaryDir folder;
    const QString file = folder.filePath("gamefavorites.xml");
    const QByteArray original = ListOf(10000);

    auto reset = [&] {
        QSaveFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(original);
        out.commit();
    };
    std::vector<double> rewrite, collect;
    for (int run = 0; run < runs; ++run) {
        reset();
        QElapsedTimer clock;
        clock.start();
        {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            const QByteArray bytes = in.readAll();
            QSaveFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            out.commit();
        }
        rewrite.push_back(clock.nsecsElapsed() / 1e6);

        reset();
        clock.restart();
        {
            TGameList list(file);
            if (!list.Find(TGameList::Address, "http://127.0.0.1:8000/games/new.html")) {
                list.Append("新游戏", "http://127.0.0.1:8000/games/new.html");
                list.Save();
            }
        }
        collect.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("rewrite_ms %.3f\ncollect_ms %.3f\n", Median(rewrite), Median(collect));
    return 0;
}
