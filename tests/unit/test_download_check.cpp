#include "browser/GameDownloadCheck.h"

#include <QUrl>
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

GamePageFacts Facts(std::optional<QString> host, std::optional<QString> f, std::optional<double> percent,
                    std::optional<QString> protocol = QStringLiteral("http:"))
{
    GamePageFacts facts;
    facts.n = QStringLiteral("贪吃蛇");
    facts.protocol = protocol;
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
        CheckCase{"https_page", Facts("127.0.0.1:8443", "/swf/snake.swf", 100, "https:"), DownloadDecision::Offer,
                  "https://127.0.0.1:8443/swf/snake.swf"},
        CheckCase{"no_protocol", Facts("h", "/a.swf", 100, std::nullopt), DownloadDecision::Clear, ""},
        CheckCase{"local_file_page", Facts("", "/a.swf", 100, "file:"), DownloadDecision::Clear, ""},
        CheckCase{"local_game_page", Facts("game-1", "/a.swf", 100, "orvanzev:"), DownloadDecision::Clear, ""},
        CheckCase{"other_protocol", Facts("h", "/a.swf", 100, "ftp:"), DownloadDecision::Clear, ""},
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

struct RedirectCase {
    friend void PrintTo(const RedirectCase& c, std::ostream* out) { *out << c.from << " -> " << c.to; }
    const char* from;
    const char* to;
    bool followed;
};

class GameFileRedirect : public testing::TestWithParam<RedirectCase> {};

TEST_P(GameFileRedirect, StaysOnTheHostAndNeverLowersTheScheme)
{
    EXPECT_EQ(GameFileRedirectAllowed(QUrl(GetParam().from), QUrl(GetParam().to)), GetParam().followed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameFileRedirect,
    testing::Values(RedirectCase{"http://games.example/a.swf", "https://games.example/a.swf", true},
                    RedirectCase{"http://127.0.0.1:8000/a.swf", "https://127.0.0.1:8443/b.swf", true},
                    RedirectCase{"http://games.example/a.swf", "http://games.example/files/a.swf", true},
                    RedirectCase{"https://games.example/a.swf", "https://games.example/b.swf?x=1", true},
                    RedirectCase{"http://Games.Example/a.swf", "https://games.example/a.swf", true},
                    RedirectCase{"https://games.example/a.swf", "http://games.example/a.swf", false},
                    RedirectCase{"https://127.0.0.1:8443/a.swf", "http://127.0.0.1:8000/a.swf", false},
                    RedirectCase{"http://games.example/a.swf", "http://cdn.example/a.swf", false},
                    RedirectCase{"http://games.example/a.swf", "https://cdn.games.example/a.swf", false},
                    RedirectCase{"http://games.example/a.swf", "https://games.example.evil/a.swf", false},
                    RedirectCase{"http://games.example/a.swf", "ftp://games.example/a.swf", false},
                    RedirectCase{"http://games.example/a.swf", "file:///etc/hostname", false},
                    RedirectCase{"http://games.example/a.swf", "data:application/x-shockwave-flash,FWS", false},
                    RedirectCase{"http://games.example/a.swf", "", false}));

} // namespace
