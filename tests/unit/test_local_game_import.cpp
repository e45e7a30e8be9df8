// Adding SWF files the user has to the local list: what is copied, what is
// listed, and what is refused, with the list and the games folder as files.
#include "library/LocalGameImport.h"
#include "library/TGameList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 11), QTime(9, 30, 5));

class LocalGameImport : public testing::Test {
protected:
    LocalGameImport() { QDir(dir_.path()).mkpath("Data/Flash"); }
    QString Games() const { return dir_.filePath("Data/Flash"); }
    QString List() const { return dir_.filePath("Data/gamelocal.xml"); }
    // A file the user has, outside the program folder.
    QString Have(const QString& name, const QByteArray& bytes) const
    {
        QDir(dir_.path()).mkpath("home");
        QFile file(dir_.filePath("home/" + name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QStringList InGames() const { return QDir(Games()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QByteArray Read(const QString& file) const
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QStringList Names() const
    {
        TGameList list(List());
        QStringList names;
        for (int i = 0; i < list.Count(); ++i)
            names << list.Text(i, TGameList::Name) + "|" + list.Text(i, TGameList::Address);
        return names;
    }

    QTemporaryDir dir_;
};

TEST(SwfHeader, KnowsTheThreeKindsOfMovie)
{
    for (const char* head : {"FWS\x0a", "CWS\x0a", "ZWS\x0d", "FWS"})
        EXPECT_TRUE(HasSwfHeader(head)) << head;
    for (const char* head : {"", "FW", "fws", "GIF89a", "<html>", " FWS", "PK\x03\x04"})
        EXPECT_FALSE(HasSwfHeader(head)) << head;
}

TEST_F(LocalGameImport, CopiesEachMovieUnderTheNamingRuleAndListsItByItsFileName)
{
    const QByteArray snake = "FWS\x0a" + QByteArray(5000, 's');
    const QByteArray packed = "CWS\x0a" + QByteArray(70, 'c');
    const TImportReport report =
        ImportLocalGames({Have("贪吃蛇.swf", snake), Have("my.game.v2.SWF", packed)}, List(), Games(), kNow);
    EXPECT_EQ(report.added, 2);
    EXPECT_EQ(report.lines, (QStringList{"已添加“贪吃蛇”。", "已添加“my.game.v2”。"}));
    // Within one second the second copy takes the next free second, also
    // when only the extension's case would tell the two apart.
    EXPECT_EQ(InGames(), (QStringList{"20261211093005.swf", "20261211093006.SWF"}));
    EXPECT_EQ(Read(Games() + "/20261211093005.swf"), snake);
    EXPECT_EQ(Read(Games() + "/20261211093006.SWF"), packed);
    EXPECT_EQ(Names(), (QStringList{"贪吃蛇|20261211093005.swf", "my.game.v2|20261211093006.SWF"}));
}

TEST_F(LocalGameImport, RefusesWhatIsNoMovieWhatIsListedAndWhatCannotBeRead)
{
    ImportLocalGames({Have("已有.swf", "FWS1")}, List(), Games(), kNow);
    const QStringList before = InGames();
    const TImportReport report = ImportLocalGames(
        {Have("readme.txt", "just text"), Have("已有.swf", "ZWS2"), dir_.filePath("home/missing.swf"), dir_.filePath("home"),
         Have("empty.swf", ""), Have("新的.swf", "FWS3"), Have("新的.SWF", "FWS4")},
        List(), Games(), kNow.addSecs(60));
    EXPECT_EQ(report.lines, (QStringList{"“readme.txt”不是 Flash 游戏文件（SWF），没有添加。", "本地游戏中已有“已有”，没有添加。",
                                         "无法复制“missing.swf”，没有添加。", "无法复制“home”，没有添加。",
                                         "“empty.swf”不是 Flash 游戏文件（SWF），没有添加。", "已添加“新的”。",
                                         "本地游戏中已有“新的”，没有添加。"}));
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(InGames(), (QStringList{before[0], "20261211093105.swf"})) << "no partial copy is left";
    EXPECT_EQ(Names(), (QStringList{"已有|" + before[0], "新的|20261211093105.swf"}));
}

TEST_F(LocalGameImport, AListThatCannotBeReadOrSavedIsLeftAsItWas)
{
    const QByteArray broken = "<?xml version=\"1.0\"?><list><item><txt>a</txt>";
    {
        QFile list(List());
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(broken);
    }
    TImportReport report = ImportLocalGames({Have("a.swf", "FWS1")}, List(), Games(), kNow);
    EXPECT_EQ(report.lines, QStringList{"添加失败：无法读取本地游戏列表，列表没有改动。"});
    EXPECT_EQ(Read(List()), broken);
    EXPECT_TRUE(InGames().isEmpty());

    QFile::remove(List());
    ImportLocalGames({Have("b.swf", "FWS2")}, List(), Games(), kNow);
    const QByteArray saved = Read(List());
    const QStringList games = InGames();
    // An immutable list cannot be replaced, not even by root.
    if (std::system(("chattr +i '" + List().toStdString() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "the file system has no immutable files";
    report = ImportLocalGames({Have("c.swf", "FWS3")}, List(), Games(), kNow.addSecs(10));
    std::system(("chattr -i '" + List().toStdString() + "'").c_str());
    EXPECT_EQ(report.lines, QStringList{"添加失败：无法保存本地游戏列表，列表没有改动。"});
    EXPECT_EQ(report.added, 0);
    EXPECT_EQ(Read(List()), saved);
    EXPECT_EQ(InGames(), games) << "the copy went again";
}

TEST_F(LocalGameImport, NamesAreCleanedAsDownloadedNamesAre)
{
    const TImportReport report = ImportLocalGames({Have(QString::fromUtf8("ctl\x01\x1b[1m.swf"), "FWS1")}, List(), Games(), kNow);
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(Names(), QStringList{QString::fromUtf8("ctl\xEF\xBF\xBD\xEF\xBF\xBD[1m|20261211093005.swf")});
}

} // namespace
