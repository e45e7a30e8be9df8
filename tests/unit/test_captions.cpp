#include "browser/CaptionRules.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

QString Repeat(const QString& piece, int times) { return piece.repeated(times); }

struct CaptionCase {
    friend void PrintTo(const CaptionCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QString (*rule)(const QString&);
    QString input;
    QString expected;
};

class Captions : public testing::TestWithParam<CaptionCase> {};

TEST_P(Captions, CutByBytesAtWholeCharacters)
{
    const auto& c = GetParam();
    EXPECT_EQ(c.rule(c.input).toStdString(), c.expected.toStdString());
}

const QString kChinese = QStringLiteral("游");       // 3 bytes
const QString kEmoji = QStringLiteral("\U0001F3AE"); // 4 bytes, two UTF-16 units

INSTANTIATE_TEST_SUITE_P(
    Cases, Captions,
    testing::Values(
        CaptionCase{"url_40_whole", captions::FromUrl, Repeat("a", 40), Repeat("a", 40)},
        CaptionCase{"url_41_cut_to_20", captions::FromUrl, Repeat("a", 41), Repeat("a", 20) + ".."},
        CaptionCase{"url_21_whole", captions::FromUrl, Repeat("a", 21), Repeat("a", 21)},
        // 16 + 8 * 3 = 40 bytes: whole.
        CaptionCase{"url_chinese_40_bytes", captions::FromUrl, Repeat("a", 16) + Repeat(kChinese, 8),
                    Repeat("a", 16) + Repeat(kChinese, 8)},
        // 42 bytes; the 20-byte cut would split the first Chinese character.
        CaptionCase{"url_chinese_cut_between_characters", captions::FromUrl,
                    Repeat("a", 18) + Repeat(kChinese, 8), Repeat("a", 18) + ".."},
        CaptionCase{"url_chinese_cut_after_character", captions::FromUrl, Repeat("a", 14) + Repeat(kChinese, 9),
                    Repeat("a", 14) + Repeat(kChinese, 2) + ".."},
        CaptionCase{"title_30_whole", captions::FromTitle, Repeat("t", 30), Repeat("t", 30)},
        CaptionCase{"title_31_cut_to_30", captions::FromTitle, Repeat("t", 31), Repeat("t", 30) + ".."},
        CaptionCase{"title_10_chinese_is_30_bytes", captions::FromTitle, Repeat(kChinese, 10), Repeat(kChinese, 10)},
        CaptionCase{"title_11_chinese_cut_to_10", captions::FromTitle, Repeat(kChinese, 11),
                    Repeat(kChinese, 10) + ".."},
        CaptionCase{"title_mixed_never_splits", captions::FromTitle, "a" + Repeat(kChinese, 10),
                    "a" + Repeat(kChinese, 9) + ".."},
        CaptionCase{"title_surrogate_pair_kept_whole", captions::FromTitle, Repeat("t", 28) + kEmoji,
                    Repeat("t", 28) + ".."},
        CaptionCase{"title_empty", captions::FromTitle, QString(), QString()},
        CaptionCase{"game_name_60_bytes_whole", captions::FromGameName, Repeat(kChinese, 20), Repeat(kChinese, 20)},
        CaptionCase{"game_name_61_bytes_cut_to_60", captions::FromGameName, "a" + Repeat(kChinese, 20),
                    "a" + Repeat(kChinese, 19) + ".."},
        CaptionCase{"game_name_of_ten_megabytes", captions::FromGameName, Repeat(kChinese, 10 << 20),
                    Repeat(kChinese, 20) + ".."},
        CaptionCase{"tooltip_1024_whole", captions::ToolTip, Repeat("u", 1024), Repeat("u", 1024)},
        CaptionCase{"tooltip_1025_cut_to_1024", captions::ToolTip, Repeat("u", 1025), Repeat("u", 1024) + ".."}),
    [](const testing::TestParamInfo<CaptionCase>& info) { return info.param.name; });

TEST(CutToBytes, NeverReturnsPartOfACharacter)
{
    const QString text = QStringLiteral("a游\U0001F3AEb");
    const QStringList expected = {"", "a", "a", "a", "a游", "a游", "a游", "a游", "a游\U0001F3AE", "a游\U0001F3AEb"};
    for (int bytes = 0; bytes < expected.size(); ++bytes)
        EXPECT_EQ(captions::CutToBytes(text, bytes), expected[bytes]) << bytes;
}

} // namespace
