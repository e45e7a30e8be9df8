// The window's input decisions, fed events as values: the boss key.
#include "app/BossKey.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Step {
    enum What { Press, Release, RepeatRelease, FocusLost } what;
    int key = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

struct BossKeyCase {
    friend void PrintTo(const BossKeyCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::vector<Step> steps;
    std::vector<int> fires; // the steps (by position) that complete the boss key
};

class BossKey : public testing::TestWithParam<BossKeyCase> {};

TEST_P(BossKey, FiresOnlyOnTheRightRelease)
{
    TBossKey boss;
    std::vector<int> fired;
    for (int i = 0; i < int(GetParam().steps.size()); ++i) {
        const Step& step = GetParam().steps[i];
        if (step.what == Step::FocusLost) {
            boss.FocusLost();
            continue;
        }
        if (boss.Key(step.what == Step::Press, step.key, step.modifiers, step.what == Step::RepeatRelease))
            fired.push_back(i);
    }
    EXPECT_EQ(fired, GetParam().fires);
}

constexpr int Ctrl = Qt::Key_Control, B = Qt::Key_B, Shift = Qt::Key_Shift;
constexpr Qt::KeyboardModifiers C = Qt::ControlModifier, CS = Qt::ControlModifier | Qt::ShiftModifier;

INSTANTIATE_TEST_SUITE_P(
    Cases, BossKey,
    testing::Values(
        BossKeyCase{"b_released_while_ctrl_is_down", {{Step::Press, Ctrl}, {Step::Press, B, C}, {Step::Release, B, C}}, {2}},
        BossKeyCase{"ctrl_released_first", {{Step::Press, Ctrl}, {Step::Press, B, C}, {Step::Release, Ctrl}, {Step::Release, B}}, {}},
        BossKeyCase{"ctrl_shift_b",
                    {{Step::Press, Ctrl}, {Step::Press, Shift, C}, {Step::Press, B, CS}, {Step::Release, B, CS}},
                    {3}},
        BossKeyCase{"auto_repeat_release_is_not_the_key",
                    {{Step::Press, Ctrl}, {Step::Press, B, C}, {Step::RepeatRelease, B, C}, {Step::Release, B, C}},
                    {3}},
        BossKeyCase{"plain_b", {{Step::Press, B}, {Step::Release, B}}, {}},
        BossKeyCase{"ctrl_press_missed_but_the_release_carries_it", {{Step::Release, B, C}}, {0}},
        BossKeyCase{"ctrl_forgotten_when_the_keyboard_goes",
                    {{Step::Press, Ctrl}, {Step::FocusLost}, {Step::Press, B}, {Step::Release, B}},
                    {}},
        BossKeyCase{"twice_in_a_row",
                    {{Step::Press, Ctrl}, {Step::Press, B, C}, {Step::Release, B, C}, {Step::Press, B, C}, {Step::Release, B, C}},
                    {2, 4}}),
    [](const testing::TestParamInfo<BossKeyCase>& info) { return info.param.name; });

} // namespace
