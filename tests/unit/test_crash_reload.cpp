// When a view loads its page again by itself after its page process died.
#include "browser/CrashReloadPolicy.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct CrashCase {
    friend void PrintTo(const CrashCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::vector<qint64> crashes;  // times in milliseconds
    std::vector<bool> reloads;    // the answer to each crash
};

class CrashReload : public testing::TestWithParam<CrashCase> {};

TEST_P(CrashReload, AnswersEachCrash)
{
    CrashReloadPolicy policy;
    std::vector<bool> answers;
    for (qint64 at : GetParam().crashes)
        answers.push_back(policy.ShouldReload(at));
    EXPECT_EQ(answers, GetParam().reloads);
}

constexpr qint64 kWindow = CrashReloadPolicy::kWindowMs;

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashReload,
    testing::Values(CrashCase{"first_crash", {0}, {true}},
                    CrashCase{"limit_within_the_window", {0, 10, 20}, {true, true, true}},
                    CrashCase{"one_over_the_limit_gives_up", {0, 10, 20, 30, 40}, {true, true, true, false, false}},
                    CrashCase{"old_crashes_are_forgotten", {0, 10, 20, kWindow, kWindow + 10}, {true, true, true, true, true}},
                    CrashCase{"crashes_while_given_up_still_count", {0, 10, 20, 30, kWindow + 5}, {true, true, true, false, false}},
                    CrashCase{"a_quiet_window_starts_afresh", {0, 10, 20, 30, 2 * kWindow + 30}, {true, true, true, false, true}}),
    [](const testing::TestParamInfo<CrashCase>& info) { return info.param.name; });

} // namespace
