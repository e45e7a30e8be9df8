#include "browser/GameDownloadCheck.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

struct CheckCase {
    friend void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    GamePageFacts facts;
    DownloadDecision::Kind kind;
    const char* url;
};

class DownloadCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(DownloadCheck, OffersOnlyACompletelyLoadedMovie)
{
    const auto& c = GetParam();
    const DownloadDecision decision = CheckGameDownload(c.facts);
    EXPECT_EQ(decision.kind, c.kind);
    EXPECT_EQ(decision.gameFileUrl.toStdString(), c.url);
}

GamePageFacts Facts(std::optional<QString> host, std::optional<QString> f, std::optional<double> percent)
{
    GamePageFacts facts;
    facts.n = QStringLiteral("贪吃蛇");
    facts.host = host;
    facts.f = f;
    facts.percent = percent;
    return facts;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadCheck,
    testing::Values(
        CheckCase{"loaded", Facts("127.0.0.1", "/swf/snake.swf", 100), DownloadDecision::Offer,
                  "http://127.0.0.1/swf/snake.swf"},
        CheckCase{"host_with_port", Facts("127.0.0.1:8000", "/swf/snake.swf", 100), DownloadDecision::Offer,
                  "http://127.0.0.1:8000/swf/snake.swf"},
        CheckCase{"f_without_leading_slash", Facts("games.example", "snake.swf", 100), DownloadDecision::Clear, ""},
        CheckCase{"f_naming_another_host", Facts("games.example", "//other.host/x.swf", 100), DownloadDecision::Clear, ""},
        CheckCase{"f_with_user_info", Facts("games.example", "@other.host/x.swf", 100), DownloadDecision::Clear, ""},
        CheckCase{"still_loading", Facts("h", "/a.swf", 99), DownloadDecision::Clear, ""},
        CheckCase{"not_started", Facts("h", "/a.swf", 0), DownloadDecision::Clear, ""},
        CheckCase{"empty_f_changes_nothing", Facts("h", "", 100), DownloadDecision::Keep, ""},
        CheckCase{"f_undefined", Facts("h", std::nullopt, 100), DownloadDecision::Clear, ""},
        CheckCase{"no_host", Facts(std::nullopt, "/a.swf", 100), DownloadDecision::Clear, ""},
        CheckCase{"no_movie", Facts("h", "/a.swf", std::nullopt), DownloadDecision::Clear, ""},
        CheckCase{"not_a_number", Facts("h", "/a.swf", std::numeric_limits<double>::quiet_NaN()),
                  DownloadDecision::Clear, ""}),
    [](const testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

} // namespace
