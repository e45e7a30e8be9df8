// Which of a page's loads a game keeps, where they go, and what the manifest
// says of them.
#include "library/KeptFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QVariantMap Load(const QString& requested, const QString& url, bool ok, const QString& type = QString())
{
    return {{"requested", requested}, {"url", url}, {"ok", ok}, {"type", type}};
}

TEST(KeptFiles, KeepsEachSuccessfulWebLoadButTheMovieOnce)
{
    const QUrl movie("http://g.test/swf/main.swf");
    const QVariantList loads{
        Load("http://g.test/swf/main.swf", "http://g.test/swf/main.swf", true),       // the movie itself
        Load("http://g.test/level.xml", "http://g.test/levels/1.xml", true, "text/xml"), // redirected
        Load("http://g.test/missing.xml", "http://g.test/missing.xml", false),
        Load("http://g.test/levels/1.xml", "http://g.test/levels/1.xml", true),        // the same file again
        Load("http://cdn.test/s.mp3", "https://cdn.test/s.mp3", true, "audio/mpeg"),
        Load("orvanzev://ruffle/core.js", "orvanzev://ruffle/core.js", true),
        Load("data:,x", "data:,x", true),
        QVariant("not a load"),
    };
    const QList<TKeptFile> kept = FilesToKeep(loads, movie);
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[0].address, QUrl("http://g.test/levels/1.xml"));
    EXPECT_EQ(kept[0].requested, QUrl("http://g.test/level.xml"));
    EXPECT_EQ(kept[0].path, "g.test/levels/1.xml");
    EXPECT_EQ(kept[0].type, "text/xml");
    EXPECT_EQ(kept[1].path, "cdn.test/s.mp3");
}

TEST(KeptFiles, NoGameKeepsMoreThanItsShare)
{
    QVariantList loads;
    for (int i = 0; i < kMaxKeptFiles + 50; ++i)
        loads << Load(QString("http://g.test/f%1").arg(i), QString("http://g.test/f%1").arg(i), true);
    EXPECT_EQ(FilesToKeep(loads, QUrl("http://g.test/m.swf")).size(), kMaxKeptFiles);
}

TEST(KeptFiles, OnlyADownloadedGameHasAFolderAndItsStemIsTaken)
{
    QTemporaryDir games;
    const struct {
        const char* file;
        const char* folder;
    } folders[] = {{"20261211093005.swf", "20261211093005"}, {"20261211093005.SWF", "20261211093005"},
                   {"20261211093005", nullptr},          {"swf.htm", nullptr},
                   {"../20261211093005.swf", nullptr},   {"2026121109300.swf", nullptr},
                   {"20261211093005.swf.part", nullptr}, {"20261211093005.s-f", nullptr}};
    for (const auto& c : folders) {
        const auto folder = KeptFolderOf(games.path(), QString::fromLatin1(c.file));
        EXPECT_EQ(folder, c.folder ? std::optional(QDir(games.path()).filePath(c.folder)) : std::nullopt) << c.file;
    }

    QDir(games.path()).mkdir("20261211093006");
    QFile(QDir(games.path()).filePath("20261211093007.swf")).open(QIODevice::WriteOnly);
    QFile(QDir(games.path()).filePath("20261211093008.swf.part")).open(QIODevice::WriteOnly);
    const struct {
        const char* file;
        bool taken;
    } names[] = {{"20261211093005.swf", false}, {"20261211093006.swf", true}, {"20261211093007.swf", true},
                 {"20261211093007.SWF", true},  {"20261211093008.swf", true}, {"20261211093008.xml", true},
                 {"20261211093009.swf", false}, {"20261211093006", true}};
    for (const auto& c : names)
        EXPECT_EQ(GameFileNameTaken(games.path(), QString::fromLatin1(c.file)), c.taken) << c.file;
}

TEST(KeptFiles, TheManifestTellsEachFileBySizeAndHash)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkpath("g.test/levels");
    QFile level(QDir(folder.path()).filePath("g.test/levels/1.xml"));
    ASSERT_TRUE(level.open(QIODevice::WriteOnly));
    level.write("<level/>");
    level.close();
    const QList<TKeptFile> files{
        {QUrl("http://g.test/levels/1.xml"), QUrl("http://g.test/level.xml"), "g.test/levels/1.xml", "text/xml"}};
    const QDateTime when(QDate(2026, 12, 11), QTime(9, 30, 5));
    const QJsonObject manifest =
        QJsonDocument::fromJson(KeptManifest(QUrl("http://g.test/games/play.html?id=3"), QUrl("http://g.test/swf/main.swf"),
                                             files, folder.path(), when))
            .object();
    EXPECT_EQ(manifest["page"].toString(), "http://g.test/games/play.html?id=3");
    EXPECT_EQ(manifest["movie"].toString(), "http://g.test/swf/main.swf");
    EXPECT_EQ(manifest["time"].toString(), when.toString(Qt::ISODate));
    const QJsonArray list = manifest["files"].toArray();
    ASSERT_EQ(list.size(), 1);
    const QJsonObject file = list[0].toObject();
    EXPECT_EQ(file["url"].toString(), "http://g.test/levels/1.xml");
    EXPECT_EQ(file["requested"].toString(), "http://g.test/level.xml");
    EXPECT_EQ(file["path"].toString(), "g.test/levels/1.xml");
    EXPECT_EQ(file["type"].toString(), "text/xml");
    EXPECT_EQ(file["size"].toInteger(), 8);
    EXPECT_EQ(file["sha256"].toString(), QCryptographicHash::hash("<level/>", QCryptographicHash::Sha256).toHex());
}

} // namespace
