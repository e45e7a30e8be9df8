#include "library/ListText.h"

#include <gtest/gtest.h>

namespace {

const QString kReplacement(QChar::ReplacementCharacter);

struct TextCase {
    friend void PrintTo(const TextCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QString text;
    QString stored;
};

class ListTexts : public testing::TestWithParam<TextCase> {};

TEST_P(ListTexts, HoldOnlyWhatXmlCanHold)
{
    const QString stored = ListText(GetParam().text);
    EXPECT_EQ(stored, GetParam().stored);
    EXPECT_EQ(ListText(stored), stored) << "cleaning twice changes nothing";
}

QString Repeated(const QString& piece, int times) { return piece.repeated(times); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ListTexts,
    testing::Values(
        TextCase{"plain_text_kept", QStringLiteral("贪吃蛇 Snake & <Co> \"'"), QStringLiteral("贪吃蛇 Snake & <Co> \"'")},
        TextCase{"controls_replaced", QStringLiteral("ctl\u0001\u0002\u001b[31m"),
                 QStringLiteral("ctl") + kReplacement + kReplacement + kReplacement + QStringLiteral("[31m")},
        TextCase{"nul_replaced_not_cutting", QString::fromUtf16(u"nul\0cut", 7), QStringLiteral("nul") + kReplacement + "cut"},
        TextCase{"tab_and_line_feed_kept", QStringLiteral("a\tb\nc"), QStringLiteral("a\tb\nc")},
        TextCase{"carriage_returns_become_line_feeds", QStringLiteral("a\r\nb\rc\r\r\nd"), QStringLiteral("a\nb\nc\n\nd")},
        TextCase{"delete_and_c1_controls_kept", QStringLiteral("a\u007f\u0085\u009fb"), QStringLiteral("a\u007f\u0085\u009fb")},
        TextCase{"non_characters_replaced", QStringLiteral("a\uFFFE\uFFFFb\uFFFD"),
                 QStringLiteral("a") + kReplacement + kReplacement + "b" + kReplacement},
        TextCase{"lone_surrogates_replaced", QString(QChar(0xD83C)) + "x" + QChar(0xDFAE) + QString(QChar(0xD83C)),
                 kReplacement + "x" + kReplacement + kReplacement},
        TextCase{"pairs_kept", QStringLiteral("游戏🎮"), QStringLiteral("游戏🎮")},
        TextCase{"empty", QString(), QString()},
        TextCase{"ascii_up_to_the_limit_kept", Repeated("a", kListTextMaxBytes), Repeated("a", kListTextMaxBytes)},
        TextCase{"ascii_cut_at_the_limit", Repeated("a", kListTextMaxBytes + 1), Repeated("a", kListTextMaxBytes)},
        TextCase{"three_byte_characters_whole", Repeated("游", 342), Repeated("游", 341)},
        TextCase{"pair_that_would_cross_the_limit_left_out", Repeated("a", kListTextMaxBytes - 3) + "🎮",
                 Repeated("a", kListTextMaxBytes - 3)},
        TextCase{"pair_that_ends_at_the_limit_kept", Repeated("a", kListTextMaxBytes - 4) + "🎮",
                 Repeated("a", kListTextMaxBytes - 4) + "🎮"},
        TextCase{"limit_counts_the_stored_line_feed", Repeated("\r\n", kListTextMaxBytes + 5), Repeated("\n", kListTextMaxBytes)},
        TextCase{"replacement_counts_three_bytes", Repeated("\u0001", 342), Repeated(kReplacement, 341)}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(ListTexts, ATenMegabyteNameIsCutAtOnce)
{
    const QString huge(10 * 1024 * 1024, QLatin1Char('n'));
    const QString stored = ListText(huge);
    EXPECT_EQ(stored.toUtf8().size(), kListTextMaxBytes);
}

} // namespace
