#include "library/LeftViewEntry.h"
#include "library/TGameList.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The list the left page drew: two entries of one name, one with spaces.
const QByteArray kList = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                         "<item><txt>同名</txt><url><![CDATA[a.swf]]></url></item>"
                         "<item><txt>同名</txt><url><![CDATA[b.swf]]></url></item>"
                         "<item><txt> 两  个 </txt><url><![CDATA[c.swf]]></url></item>"
                         "<item><txt></txt><url><![CDATA[d.swf]]></url></item></list>";

LeftViewEntry Drawn(int index, const QString& name, const QString& address)
{
    return {index, name, address, name.size(), address.size()};
}

struct LocateCase {
    friend void PrintTo(const LocateCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QString text;
    std::optional<LeftViewEntry> entry;
    std::optional<int> found;
};

class LocateEntry : public testing::TestWithParam<LocateCase> {};

TEST_P(LocateEntry, FindsOnlyTheEntryAsItWasDrawn)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("gamelocal.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kList);
    file.close();
    const TGameList list(file.fileName());
    EXPECT_EQ(Locate(list, GetParam().text, GetParam().entry), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocateEntry,
    testing::Values(
        LocateCase{"second_of_one_name", "同名", Drawn(1, "同名", "b.swf"), 1},
        LocateCase{"spaces_as_stored", "两 个", Drawn(2, " 两  个 ", "c.swf"), 2},
        LocateCase{"empty_name", "", Drawn(3, "", "d.swf"), 3},
        LocateCase{"address_changed_since", "同名", Drawn(1, "同名", "x.swf"), std::nullopt},
        LocateCase{"name_changed_since", "同名", Drawn(0, "别名", "a.swf"), std::nullopt},
        LocateCase{"beyond_the_list", "同名", Drawn(4, "同名", "a.swf"), std::nullopt},
        // A name the page sent cut: its prefix and its whole length.
        LocateCase{"cut_name", "", LeftViewEntry{2, " 两", "c.swf", 6, 5}, 2},
        LocateCase{"cut_name_of_another_length", "", LeftViewEntry{2, " 两", "c.swf", 7, 5}, std::nullopt},
        // A page that gives no identity: the first entry named like the text.
        LocateCase{"by_visible_text", "同名", std::nullopt, 0},
        LocateCase{"visible_text_collapsed", "两 个", std::nullopt, std::nullopt}),
    [](const testing::TestParamInfo<LocateCase>& info) { return info.param.name; });

TEST(LeftViewHit, ReadsTheFactsThePageSends)
{
    const LeftViewHit drawn = LeftViewHit::FromPage({{"className", "gamelocal"},
                                                     {"innerText", "两 个"},
                                                     {"index", "2"},
                                                     {"name", " 两  个 "},
                                                     {"nameLength", 6},
                                                     {"address", "c.swf"},
                                                     {"addressLength", 5}});
    EXPECT_EQ(drawn.kind.toStdString(), "gamelocal");
    EXPECT_EQ(drawn.text.toStdString(), "两 个");
    ASSERT_TRUE(drawn.entry);
    EXPECT_EQ(drawn.entry->index, 2);
    EXPECT_EQ(drawn.entry->name.toStdString(), " 两  个 ");
    EXPECT_EQ(drawn.entry->nameLength, 6);
    EXPECT_EQ(drawn.entry->address.toStdString(), "c.swf");

    for (const char* index : {"", "-1", "x"})
        EXPECT_FALSE(LeftViewHit::FromPage({{"className", "gamelocal"}, {"index", index}}).entry) << index;
}

} // namespace

namespace {

struct ReleaseCase {
    const char* what;
    bool hit;
    const char* className;
    bool plays;
};

TEST(LeftViewDecisions, OnlyALeftReleaseOnALocalEntryPlays)
{
    const ReleaseCase cases[] = {
        {"leftButtonUp", true, "gamelocal", true},      {"leftButtonUp", true, "gamefavorites", false},
        {"leftButtonUp", true, "item game", false},     {"leftButtonUp", false, "gamelocal", false},
        {"rightButtonUp", true, "gamelocal", false},    {"leftButtonUp", true, "gamelocal extra", false},
    };
    for (const ReleaseCase& c : cases) {
        const QVariantMap request{{QStringLiteral("what"), QString::fromLatin1(c.what)},
                                  {QStringLiteral("hit"), c.hit},
                                  {QStringLiteral("className"), QString::fromLatin1(c.className)}};
        EXPECT_EQ(PlaysOnRelease(request), c.plays) << c.what << " " << c.hit << " " << c.className;
    }
}

TEST(LeftViewDecisions, OnlyListEntriesHaveAMenu)
{
    const std::pair<const char*, std::optional<platform::ListKind>> cases[] = {
        {"gamelocal", platform::ListKind::Local}, {"gamefavorites", platform::ListKind::Favorites},
        {"item", std::nullopt}, {"", std::nullopt}, {"GAMELOCAL", std::nullopt}};
    for (const auto& [className, kind] : cases) {
        LeftViewHit hit;
        hit.kind = QString::fromLatin1(className);
        EXPECT_EQ(ListOfHit(hit), kind) << className;
    }
}

} // namespace
