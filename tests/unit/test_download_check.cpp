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

struct MovieCase {
    friend void PrintTo(const MovieCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::optional<QString> protocol;
    std::optional<QString> movie;
    bool ready;
    DownloadDecision::Kind kind;
    const char* url;
};

class MovieDownloadCheck : public testing::TestWithParam<MovieCase> {};

TEST_P(MovieDownloadCheck, OffersAWhollyLoadedMovieOfTheWeb)
{
    const auto& c = GetParam();
    GamePageFacts facts;
    facts.protocol = c.protocol;
    facts.movie = c.movie;
    facts.movieReady = c.ready;
    const DownloadDecision decision = CheckMovieDownload(facts);
    EXPECT_EQ(decision.kind, c.kind);
    EXPECT_EQ(decision.gameFileUrl.toStdString(), c.url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MovieDownloadCheck,
    testing::Values(
        MovieCase{"http_movie", QStringLiteral("http:"), QStringLiteral("http://a.test/g/x.swf"), true, DownloadDecision::Offer, "http://a.test/g/x.swf"},
        MovieCase{"other_host_https", QStringLiteral("http:"), QStringLiteral("https://cdn.test/x.swf?v=2"), true, DownloadDecision::Offer, "https://cdn.test/x.swf?v=2"},
        MovieCase{"not_yet_loaded", QStringLiteral("http:"), QStringLiteral("http://a.test/x.swf"), false, DownloadDecision::Clear, ""},
        MovieCase{"no_movie", QStringLiteral("https:"), std::nullopt, true, DownloadDecision::Clear, ""},
        MovieCase{"local_page", QStringLiteral("file:"), QStringLiteral("http://a.test/x.swf"), true, DownloadDecision::Clear, ""},
        MovieCase{"own_scheme_page", QStringLiteral("orvanzev:"), QStringLiteral("http://a.test/x.swf"), true, DownloadDecision::Clear, ""},
        MovieCase{"unknown_page_scheme", std::nullopt, QStringLiteral("http://a.test/x.swf"), true, DownloadDecision::Clear, ""},
        MovieCase{"data_movie", QStringLiteral("http:"), QStringLiteral("data:application/x-shockwave-flash,FWS"), true, DownloadDecision::Clear, ""},
        MovieCase{"blob_movie", QStringLiteral("http:"), QStringLiteral("blob:http://a.test/1234"), true, DownloadDecision::Clear, ""},
        MovieCase{"no_host", QStringLiteral("http:"), QStringLiteral("http:///x.swf"), true, DownloadDecision::Clear, ""},
        MovieCase{"not_an_address", QStringLiteral("http:"), QStringLiteral("http://a b/x.swf"), true, DownloadDecision::Clear, ""}),
    [](const testing::TestParamInfo<MovieCase>& info) { return std::string(info.param.name); });

TEST(MovieDownloadName, TitleByTheCaptionRulesElseTheFileName)
{
    const struct {
        QString title;
        QString url;
        QString name;
    } cases[] = {
        {QStringLiteral("小游戏"), QStringLiteral("http://a.test/x.swf"), QStringLiteral("小游戏")},
        {QStringLiteral("  空白  "), QStringLiteral("http://a.test/x.swf"), QStringLiteral("空白")},
        {QString(31, QLatin1Char('a')), QStringLiteral("http://a.test/x.swf"), QString(30, QLatin1Char('a')) + QStringLiteral("..")},
        {QString(), QStringLiteral("http://a.test/games/%E8%9B%87.v2.swf?x=1"), QStringLiteral("蛇.v2")},
        {QStringLiteral("   "), QStringLiteral("http://a.test/run"), QStringLiteral("run")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MovieDownloadName(c.title, c.url).toStdString(), c.name.toStdString()) << c.title.toStdString();
}

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
