#include "library/DownloadLeftovers.h"
#include "platform/FolderUse.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A Data folder with a games folder holding what the tests put there.
class GamesFolder {
public:
    GamesFolder() { QDir(dir_.path()).mkpath("Flash"); }
    QString Games() const { return dir_.filePath("Flash"); }
    QString List() const { return dir_.filePath("gamelocal.xml"); }
    void Put(const QString& name) const
    {
        QFile file(QDir(Games()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("game");
    }
    void PutList(const QByteArray& bytes) const
    {
        QFile file(List());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QStringList Left() const
    {
        return QDir(Games()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    }

private:
    QTemporaryDir dir_;
};

const QByteArray kList = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                         "<item><txt>A</txt><url><![CDATA[20240101120000.swf]]></url></item>"
                         "<item><txt>B</txt><url><![CDATA[20240101120001.part]]></url></item>"
                         "<item><txt>C</txt><url><![CDATA[20240101120002]]></url></item></list>";

TEST(DownloadLeftovers, PartialAndUnnamedDownloadsGoEverythingElseStays)
{
    GamesFolder folder;
    folder.PutList(kList);
    const QStringList kept{"20240101120000.swf", "20240101120001.part", "20240101120002", // named by entries
                           "swf.htm", "notes.txt", "2024010112000.swf", "202401011200000.swf", "x20240101120009.swf",
                           "20240101120009.s-f", "20240101120009..swf", "Snake.swf.part", "20240101120009.swf.tmp"};
    const QStringList removed{"20240101120009.swf", "20240101120009.swf.part", "20240101120009.part", "20240101120009",
                              "20240101120010.SWF", "20240101120000.swf.part",
                              // the engine's name for a transfer still running
                              "20240101120013.swf.part.download"};
    for (const QString& name : kept + removed)
        folder.Put(name);
    // A folder or a link named like a download is never ours to remove.
    QDir(folder.Games()).mkdir("20240101120011.swf");
    QFile::link(QDir(folder.Games()).filePath("swf.htm"), QDir(folder.Games()).filePath("20240101120012.swf"));

    EXPECT_EQ(RemoveDownloadLeftovers(folder.Games(), folder.List()), removed.size());
    QStringList expected = kept + QStringList{"20240101120011.swf", "20240101120012.swf"};
    expected.sort();
    EXPECT_EQ(folder.Left(), expected);
}

TEST(DownloadLeftovers, KeptFilesGoOnlyWithNoGameOfTheirStem)
{
    GamesFolder folder;
    folder.PutList(kList);
    const QDir games(folder.Games());
    for (const char* path : {"20240101120000/127.0.0.1_80/level.xml", "20240101120099/h/a/b.xml", "2024010112009/x",
                             "keep/20240101120098/x"})
        ASSERT_TRUE(games.mkpath(QString::fromLatin1(path)));
    QFile::link(games.filePath("keep/20240101120098"), games.filePath("20240101120098"));
    const QDir outside(games.filePath("keep"));

    EXPECT_EQ(RemoveDownloadLeftovers(folder.Games(), folder.List()), 1);
    EXPECT_EQ(folder.Left(), (QStringList{"20240101120000", "2024010112009", "20240101120098", "keep"}));
    EXPECT_TRUE(QFileInfo::exists(games.filePath("20240101120000/127.0.0.1_80/level.xml"))) << "its game is listed";
    EXPECT_TRUE(outside.exists("20240101120098/x")) << "a link is never followed";
}

TEST(DownloadLeftovers, NothingGoesWhenTheListCannotBeRead)
{
    for (const QByteArray& list : {QByteArray(), QByteArray("<list><item>"),
                                   QByteArray("<list><item><txt>A</txt></item></list>") /* an entry without its file */}) {
        GamesFolder folder;
        if (!list.isNull())
            folder.PutList(list);
        folder.Put("20240101120009.swf");
        folder.Put("20240101120009.swf.part");
        EXPECT_EQ(RemoveDownloadLeftovers(folder.Games(), folder.List()), 0) << list.toStdString();
        EXPECT_EQ(folder.Left().size(), 2);
    }
}

TEST(FolderUse, OnlyTheFirstUserHoldsTheFolderAlone)
{
    GamesFolder folder;
    {
        platform::TFolderUse first(folder.Games());
        EXPECT_TRUE(first.Exclusive());
        first.Share();
        EXPECT_FALSE(first.Exclusive());
        platform::TFolderUse second(folder.Games());
        EXPECT_FALSE(second.Exclusive()) << "another program uses the folder";
    }
    platform::TFolderUse later(folder.Games());
    EXPECT_TRUE(later.Exclusive()) << "the others have ended";
}

} // namespace
