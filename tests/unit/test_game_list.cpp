#include "library/LocalGameFile.h"
#include "library/TGameList.h"
#include "SmallFileSystem.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include <functional>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Read(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

const QByteArray kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// One list file of a test, in a folder of its own.
class ListFile {
public:
    explicit ListFile(const QByteArray& content) { Write(Path(), content); }
    QString Path() const { return dir_.filePath("gamelocal.xml"); }
    QByteArray Bytes() const { return Read(Path()); }

private:
    QTemporaryDir dir_;
};

struct ListCase {
    friend void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray file;
    std::function<void(TGameList&)> change; // then saved
    QByteArray expected;                    // the file afterwards
};

class GameListChanges : public testing::TestWithParam<ListCase> {};

TEST_P(GameListChanges, WriteTheDocumentBackUnindentedWithItsDeclaration)
{
    const ListCase& c = GetParam();
    ListFile file(c.file);
    TGameList list(file.Path());
    c.change(list);
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(file.Bytes().toStdString(), c.expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameListChanges,
    testing::Values(
        ListCase{"append_to_empty_root", kDeclaration + "\n<list></list>\n",
                 [](TGameList& l) {
                     EXPECT_EQ(l.Count(), 0);
                     EXPECT_FALSE(l.Find(TGameList::Address, "x"));
                     l.Append("Snake", "20090315142530.swf");
                 },
                 kDeclaration + "<list><item><txt>Snake</txt><url><![CDATA[20090315142530.swf]]></url></item></list>"},
        ListCase{"indented_file_loses_its_whitespace",
                 "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<games>\n  <item>\n    <txt>A</txt>\n"
                 "    <url><![CDATA[a.swf]]></url>\n  </item>\n</games>\n",
                 [](TGameList& l) {
                     EXPECT_EQ(l.Count(), 1);
                     l.Append("B", "b.swf");
                 },
                 "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?><games><item><txt>A</txt><url><![CDATA[a.swf]]>"
                 "</url></item><item><txt>B</txt><url><![CDATA[b.swf]]></url></item></games>"},
        ListCase{"markup_characters_are_escaped", kDeclaration + "<list/>",
                 [](TGameList& l) { l.Append("Tom & <Jerry>", "http://h/?a=1&b=<2>"); },
                 kDeclaration
                     + "<list><item><txt>Tom &amp; &lt;Jerry&gt;</txt><url><![CDATA[http://h/?a=1&b=<2>]]></url></item></list>"},
        ListCase{"remove_keeps_the_order_of_the_others",
                 kDeclaration + "<l><item><txt>A</txt><url><![CDATA[1]]></url></item><item><txt>B</txt><url><![CDATA[2]]>"
                                "</url></item><item><txt>C</txt><url><![CDATA[3]]></url></item></l>",
                 [](TGameList& l) { l.Remove(1); },
                 kDeclaration + "<l><item><txt>A</txt><url><![CDATA[1]]></url></item><item><txt>C</txt><url><![CDATA[3]]>"
                                "</url></item></l>"},
        ListCase{"file_without_declaration_gets_none", "<list></list>",
                 [](TGameList& l) { l.Append("A", "a"); },
                 "<list><item><txt>A</txt><url><![CDATA[a]]></url></item></list>"},
        // A file without whitespace between elements keeps its own bytes:
        // the character reference and the quotes of its declaration stay.
        ListCase{"unindented_file_gains_the_entries_before_its_end_tag",
                 "<?xml version='1.0' encoding='UTF-8'?>\n<list><item><txt>&#x41;</txt><url><![CDATA[a]]></url></item>"
                 "</list>\r\n",
                 [](TGameList& l) {
                     l.Append("B", "b");
                     l.Append("C", "c");
                 },
                 "<?xml version='1.0' encoding='UTF-8'?><list><item><txt>&#x41;</txt><url><![CDATA[a]]></url></item>"
                 "<item><txt>B</txt><url><![CDATA[b]]></url></item><item><txt>C</txt><url><![CDATA[c]]></url></item></list>"},
        ListCase{"end_tag_inside_a_comment_after_the_root",
                 "<list><item><txt>A</txt><url><![CDATA[a]]></url></item></list><!--</list>-->",
                 [](TGameList& l) { l.Append("B", "b"); },
                 "<list><item><txt>A</txt><url><![CDATA[a]]></url></item><item><txt>B</txt><url><![CDATA[b]]></url></item>"
                 "</list><!--</list>-->"},
        ListCase{"line_break_after_the_end_tag_goes",
                 "<list><item><txt>A</txt><url><![CDATA[a]]></url></item></list>\n",
                 [](TGameList& l) { l.Append("B", "b"); },
                 "<list><item><txt>A</txt><url><![CDATA[a]]></url></item><item><txt>B</txt><url><![CDATA[b]]></url></item>"
                 "</list>"},
        ListCase{"removal_after_appending_writes_the_document",
                 "<list><item><txt>&#x41;</txt><url><![CDATA[a]]></url></item></list>",
                 [](TGameList& l) {
                     l.Append("B", "b");
                     l.Remove(0);
                     l.Append("C", "c");
                 },
                 "<list><item><txt>B</txt><url><![CDATA[b]]></url></item><item><txt>C</txt><url><![CDATA[c]]></url></item>"
                 "</list>"},
        // What follows a NUL byte is never read: the entry goes into the
        // root the parser saw, not before the last end tag of the file.
        ListCase{"nul_byte_ends_what_is_read",
                 QByteArray("<list><item><txt>A</txt><url><![CDATA[a]]></url></item></list>\0<list></list>", 76),
                 [](TGameList& l) { l.Append("B", "b"); },
                 "<list><item><txt>A</txt><url><![CDATA[a]]></url></item><item><txt>B</txt><url><![CDATA[b]]></url></item>"
                 "</list>"},
        ListCase{"tag_end_and_space_in_a_value_writes_the_document",
                 "<list><item><txt>&#x41;</txt><url><![CDATA[a> b]]></url></item></list>",
                 [](TGameList& l) { l.Append("B", "b"); },
                 "<list><item><txt>A</txt><url><![CDATA[a> b]]></url></item><item><txt>B</txt><url><![CDATA[b]]></url>"
                 "</item></list>"}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

TEST(GameListReads, FieldsByPositionWithExactComparison)
{
    ListFile file(kDeclaration + "<list><item><txt>Snake &amp; Co</txt><url><![CDATA[a.swf]]></url></item>"
                                 "<item><txt>snake</txt><url>plain text</url></item>"
                                 "<item><txt>Snake &amp; Co</txt><url><![CDATA[b.swf]]></url></item>"
                                 "<item><txt/><url><![CDATA[]]></url></item></list>");
    TGameList list(file.Path());
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Text(0, TGameList::Name), "Snake & Co");
    EXPECT_EQ(list.Text(1, TGameList::Address), "plain text");
    // Duplicates: the first in file order; letter case matters.
    EXPECT_EQ(list.Find(TGameList::Name, "Snake & Co"), 0);
    EXPECT_EQ(list.Find(TGameList::Name, "snake"), 1);
    EXPECT_EQ(list.FindValue(TGameList::Name, "SNAKE"), std::nullopt);
    EXPECT_EQ(list.FindValue(TGameList::Address, " a.swf"), std::nullopt);
    // An empty field is no value: finding by text fails on it, by value skips it.
    EXPECT_EQ(list.Value(3, TGameList::Name), std::nullopt);
    EXPECT_THROW(list.Text(3, TGameList::Name), EGameListField);
    EXPECT_THROW(list.Find(TGameList::Name, "nothing"), EGameListField);
    EXPECT_EQ(list.FindValue(TGameList::Name, "nothing"), std::nullopt);
}

struct BrokenCase {
    friend void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray file;
};

class GameListBrokenEntries : public testing::TestWithParam<BrokenCase> {};

TEST_P(GameListBrokenEntries, EndTheScanThatReachesThem)
{
    ListFile file(GetParam().file);
    TGameList list(file.Path());
    EXPECT_EQ(list.Find(TGameList::Name, "First"), 0) << "an entry before the broken one is found";
    EXPECT_THROW(list.Find(TGameList::Address, "never"), EGameListField);
    EXPECT_THROW(list.FindValue(TGameList::Address, "never"), EGameListField);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameListBrokenEntries,
    testing::Values(
        BrokenCase{"comment_in_the_root", "<l><item><txt>First</txt><url>1</url></item><!-- note --></l>"},
        BrokenCase{"item_with_one_child", "<l><item><txt>First</txt><url>1</url></item><item><txt>B</txt></item></l>"},
        BrokenCase{"field_with_two_nodes",
                   "<l><item><txt>First</txt><url>1</url></item><item><txt>B</txt><url>a<![CDATA[b]]></url></item></l>"},
        BrokenCase{"field_with_an_element",
                   "<l><item><txt>First</txt><url>1</url></item><item><txt>B</txt><url><b>x</b></url></item></l>"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

TEST(GameListLoad, NotWellFormedOrMissingFileFails)
{
    ListFile file("<list><item></list>");
    EXPECT_THROW(TGameList{file.Path()}, EGameListLoad);
    EXPECT_THROW(TGameList{file.Path() + ".missing"}, EGameListLoad);
    ListFile noRoot(kDeclaration);
    EXPECT_THROW(TGameList{noRoot.Path()}, EGameListLoad);
}

TEST(GameListSave, UnwritableListStaysAsItWas)
{
    const QByteArray original = kDeclaration + "<list></list>";
    ListFile file(original);
    TGameList list(file.Path());
    list.Append("A", "a");
    ::chmod(file.Path().toLocal8Bit().constData(), 0444);
    bool saved = true;
    if (::geteuid() == 0) {
        // Root writes read-only files: make it immutable instead.
        ASSERT_EQ(std::system(("chattr +i '" + file.Path().toStdString() + "'").c_str()), 0);
        saved = list.Save();
        std::system(("chattr -i '" + file.Path().toStdString() + "'").c_str());
    } else {
        saved = list.Save();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(file.Bytes(), original);
    const QStringList leftovers = QFileInfo(file.Path()).dir().entryList(QDir::Files);
    EXPECT_EQ(leftovers, QStringList{"gamelocal.xml"}) << "no temporary file stays behind";
}

// A name whose control characters and NUL once made the list unreadable
// for strict XML readers, or cut the stored name.
TEST(GameListAppend, NamesAreStoredSoThatAStrictReaderReadsThemBack)
{
    ListFile file(kDeclaration + "<list></list>");
    const QString control = QStringLiteral("ctl\u0001\u0002\u001b[31m");
    const QString nul = QString::fromUtf16(u"nul\0cut", 7);
    {
        TGameList list(file.Path());
        list.Append(control, "1.swf");
        list.Append(nul, "2.swf");
        ASSERT_TRUE(list.Save());
    }
    QXmlStreamReader reader(file.Bytes());
    QStringList names;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("txt"))
            names << reader.readElementText();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << file.Bytes().toStdString();
    const QString replacement(QChar::ReplacementCharacter);
    EXPECT_EQ(names, QStringList({"ctl" + replacement.repeated(3) + "[31m", "nul" + replacement + "cut"}));
    TGameList again(file.Path());
    EXPECT_EQ(again.Find(TGameList::Name, names[1]), 1);
    EXPECT_EQ(again.Values(TGameList::Address), QStringList({"1.swf", "2.swf"}));
}

// Bytes of "贪吃蛇" and "游戏" in GB2312.
const QByteArray kSnakeGb = QByteArray::fromHex("ccb0b3d4c9df");
const QByteArray kGameGb = QByteArray::fromHex("d3cecfb7");

struct EncodingCase {
    friend void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray file;
    QByteArray written; // after appending 遊戲🎮 / x.swf
};

class GameListEncodings : public testing::TestWithParam<EncodingCase> {};

TEST_P(GameListEncodings, AreReadAsDeclaredAndWrittenAsDeclared)
{
    ListFile file(GetParam().file);
    TGameList list(file.Path());
    EXPECT_EQ(list.Find(TGameList::Name, QStringLiteral("贪吃蛇")), 0);
    EXPECT_EQ(list.Find(TGameList::Name, QStringLiteral("游戏")), 1);
    // Characters GB2312 cannot hold are kept.
    list.Append(QStringLiteral("遊戲🎮"), "x.swf");
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(file.Bytes().toStdString(), GetParam().written.toStdString());
    TGameList again(file.Path());
    EXPECT_EQ(again.Find(TGameList::Name, QStringLiteral("遊戲🎮")), 2);
    EXPECT_EQ(again.Find(TGameList::Name, QStringLiteral("游戏")), 1);
}

const QByteArray kEntriesUtf8 = "<list><item><txt>贪吃蛇</txt><url><![CDATA[a.swf]]></url></item><item><txt>游戏</txt>"
                                "<url><![CDATA[b.swf]]></url></item><item><txt>遊戲🎮</txt><url><![CDATA[x.swf]]></url></item>"
                                "</list>";

QByteArray GbList(const QByteArray& declaration)
{
    return declaration + "\r\n<list>\r\n <item><txt>" + kSnakeGb + "</txt><url><![CDATA[a.swf]]></url></item>\r\n <item><txt>"
           + kGameGb + "</txt><url><![CDATA[b.swf]]></url></item>\r\n</list>\r\n";
}

QByteArray Utf16List()
{
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><list><item><txt>贪吃蛇</txt><url><![CDATA[a.swf]]>"
                                        "</url></item><item><txt>游戏</txt><url><![CDATA[b.swf]]></url></item></list>");
    return QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameListEncodings,
    testing::Values(EncodingCase{"gb2312", GbList("<?xml version=\"1.0\" encoding=\"GB2312\"?>"),
                                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + kEntriesUtf8},
                    EncodingCase{"gbk_in_single_quotes_standalone_kept",
                                 GbList("<?xml version='1.0' encoding='gbk' standalone='yes'?>"),
                                 "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>" + kEntriesUtf8},
                    EncodingCase{"gb18030", GbList("<?xml version=\"1.0\" encoding=\"GB18030\"?>"),
                                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + kEntriesUtf8},
                    EncodingCase{"utf16_with_byte_order_mark", Utf16List(),
                                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + kEntriesUtf8}),
    [](const testing::TestParamInfo<EncodingCase>& info) { return info.param.name; });

TEST(GameListEncodings, UnknownEncodingOrBytesNotInItFailToLoad)
{
    ListFile unknown("<?xml version=\"1.0\" encoding=\"no-such-code\"?><list></list>");
    EXPECT_THROW(TGameList{unknown.Path()}, EGameListLoad);
    // A lone lead byte at the end is no GB2312 character.
    ListFile broken(GbList("<?xml version=\"1.0\" encoding=\"GB2312\"?>") + "\xd3");
    EXPECT_THROW(TGameList{broken.Path()}, EGameListLoad);
    // A declaration whose encoding is no attribute of its own: saved as
    // UTF-8, the list would still say GBK and no longer load.
    for (const QByteArray& declaration : {QByteArray("<?xml versio\x9c\xc2\xdd\xce\xd1\xcf\xdd\xdf" "encoding=\"GBK\"?>"),
                                          QByteArray("<?xml version=\"1.0\" a-encoding=\"GBK\" encoding=\"UTF-8\"?>")}) {
        ListFile fused(GbList(declaration));
        EXPECT_THROW(TGameList{fused.Path()}, EGameListLoad) << declaration.toStdString();
    }
    // Without a declaration, or declared so, a list is UTF-8.
    for (const QByteArray& declaration : {QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), QByteArray()}) {
        ListFile gb(declaration + "<list><item><txt>" + kSnakeGb + "</txt><url><![CDATA[a.swf]]></url></item></list>");
        EXPECT_THROW(TGameList{gb.Path()}, EGameListLoad) << declaration.toStdString();
    }
}

// Whatever the declaration, a list that loads is saved so that it loads
// again, with its entries and the new one: the encoding the reader takes
// from the declaration and the one the parser sees must not part.
struct DeclarationCase {
    friend void PrintTo(const DeclarationCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray file;
    bool loads;
    QString firstName; // of the first entry, when it loads
};

class GameListDeclarations : public testing::TestWithParam<DeclarationCase> {};

TEST_P(GameListDeclarations, ALoadedListLoadsAgainAfterItsSave)
{
    const DeclarationCase& c = GetParam();
    ListFile file(c.file);
    std::optional<TGameList> list;
    try {
        list.emplace(file.Path());
    } catch (const EGameListLoad&) {
        ASSERT_FALSE(c.loads) << "the list did not load";
        return;
    }
    ASSERT_TRUE(c.loads) << "the list loaded";
    const int count = list->Count();
    list->Append("新游戏", "new.swf");
    ASSERT_TRUE(list->Save());
    TGameList again(file.Path());
    ASSERT_EQ(again.Count(), count + 1);
    if (count > 0)
        EXPECT_EQ(again.Text(0, TGameList::Name).toStdString(), c.firstName.toStdString());
    EXPECT_EQ(again.Text(count, TGameList::Name).toStdString(), "新游戏");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameListDeclarations,
    testing::Values(
        DeclarationCase{"text_before_the_declaration", "-<?xml version=\"1.0\" encoding=\"no-such-code\"?><list></list>",
                        true, {}},
        DeclarationCase{"encoding_inside_another_attribute_name",
                        "<?xml version=\"1.0\" a-encoding=\"GBK\" encoding=\"UTF-8\"?><list><item><txt>贪吃蛇</txt><url>"
                        "<![CDATA[a.swf]]></url></item></list>",
                        true, QStringLiteral("贪吃蛇")},
        DeclarationCase{"encoding_value_the_reader_does_not_take",
                        "<?xml version=\"1.0\" encoding=\"GBK \"?><list><item><txt>贪吃蛇</txt><url><![CDATA[a.swf]]></url>"
                        "</item></list>",
                        true, QStringLiteral("贪吃蛇")},
        DeclarationCase{"encoding_first", GbList("<?xml encoding=\"GBK\" version=\"1.0\"?>"), true, QStringLiteral("贪吃蛇")},
        DeclarationCase{"encoding_inside_the_version", GbList("<?xml version=\"1.0 encoding='GBK'\"?>"), false, {}}),
    [](const testing::TestParamInfo<DeclarationCase>& info) { return std::string(info.param.name); });

TEST(GameListMissing, FailsOrStartsEmptyAndTheFirstSaveCreatesIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("gamelocal.xml");
    EXPECT_THROW(TGameList{path}, EGameListMissing);
    TGameList list(path, TGameList::IfMissing::StartEmpty);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(path)) << "nothing is written before the save";
    list.Append("A", "a.swf");
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(Read(path).toStdString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list><item><txt>A</txt><url><![CDATA[a.swf]]></url></item></list>");
    // A file that exists but is empty is no list.
    Write(path, {});
    EXPECT_THROW(TGameList(path, TGameList::IfMissing::StartEmpty), EGameListLoad);
}

struct FullDiskCase {
    friend void PrintTo(const FullDiskCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    qint64 room;
};

class GameListOnAFullDisk : public testing::TestWithParam<FullDiskCase> {};

TEST_P(GameListOnAFullDisk, SaveFailsAndLeavesTheListByteForByte)
{
    SmallFileSystem disk;
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a tmpfs needs root";
    QByteArray original = kDeclaration + "<list>";
    for (int i = 0; i < 60; ++i)
        original += "<item><txt>游戏" + QByteArray::number(i) + "</txt><url><![CDATA[20090315142530.swf]]></url></item>";
    original += "</list>";
    ASSERT_GT(original.size(), 4096); // more than the room left, less than a write buffer
    const QString path = disk.Path("gamelocal.xml");
    Write(path, original);
    disk.Fill(GetParam().room);
    TGameList list(path);
    list.Append("新游戏", "20261210120000.swf");
    EXPECT_FALSE(list.Save());
    EXPECT_EQ(Read(path), original);
    EXPECT_EQ(disk.Files(), QStringList({".filler", "gamelocal.xml"})) << "no temporary file stays behind";
}

INSTANTIATE_TEST_SUITE_P(Cases, GameListOnAFullDisk,
                         testing::Values(FullDiskCase{"no_room", 0}, FullDiskCase{"one_page_of_room", 4096}),
                         [](const testing::TestParamInfo<FullDiskCase>& info) { return info.param.name; });

struct NameCase {
    friend void PrintTo(const NameCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    const char* source;
    const char* file;
};

class LocalGameFileNames : public testing::TestWithParam<NameCase> {};

TEST_P(LocalGameFileNames, TimestampAndTheExtensionOfThePathOnly)
{
    const QDateTime when(QDate(2009, 3, 15), QTime(14, 25, 30));
    EXPECT_EQ(LocalGameFileName(when, QUrl(GetParam().source)).toStdString(), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalGameFileNames,
    testing::Values(NameCase{"swf", "http://127.0.0.1/swf/game.swf", "20090315142530.swf"},
                    NameCase{"query_and_fragment_ignored", "http://h/game.swf?v=2&x=a.b#top", "20090315142530.swf"},
                    NameCase{"dot_only_in_the_host", "http://games.example.com/play/game", "20090315142530"},
                    NameCase{"last_dot_counts", "http://h/a.tar.gz", "20090315142530.gz"},
                    NameCase{"dot_in_a_folder_only", "http://h/v1.2/game", "20090315142530"},
                    NameCase{"extension_not_letters_and_digits", "http://h/game.s%20wf", "20090315142530"},
                    NameCase{"trailing_dot", "http://h/game.", "20090315142530"},
                    NameCase{"encoded_slash_never_reaches_the_name", "http://h/a.b%2Fc", "20090315142530"},
                    NameCase{"upper_case_kept", "http://h/GAME.SWF", "20090315142530.SWF"}),
    [](const testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(LocalGameFileNames, HourIsTwentyFourHourClock)
{
    EXPECT_EQ(LocalGameFileName(QDateTime(QDate(2026, 12, 1), QTime(23, 5, 9)), QUrl("http://h/x.swf")).toStdString(),
              "20261201230509.swf");
}

} // namespace
