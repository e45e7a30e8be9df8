// The 0-65535 volume over a mixer line's own range, and the mute switch,
// on a mixer whose lines the test sets up (the real one is tried through
// the sound server in the integration tests).
#include "services/U_VolumeCtrl.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using platform::TMixerLevel;
using platform::TMixerLine;

class TLinesMixer : public platform::TMixer {
public:
    std::map<TMixerLine, TMixerLevel> levels;
    std::map<TMixerLine, bool> switches;
    std::vector<long> written;

    std::optional<TMixerLevel> Volume(TMixerLine line) override
    {
        const auto found = levels.find(line);
        return found == levels.end() ? std::nullopt : std::optional(found->second);
    }
    void SetVolume(TMixerLine line, long value) override
    {
        written.push_back(value);
        levels[line].value = value;
    }
    std::optional<bool> Sounding(TMixerLine line) override
    {
        const auto found = switches.find(line);
        return found == switches.end() ? std::nullopt : std::optional(found->second);
    }
    void SetSounding(TMixerLine line, bool on) override
    {
        if (switches.contains(line))
            switches[line] = on;
    }
};

struct ReadCase {
    const char* name;
    TMixerLevel level;
    std::uint16_t volume;
};

class VolumeRead : public testing::TestWithParam<ReadCase> {};

TEST_P(VolumeRead, MapsTheLineOntoTheFullScale)
{
    TLinesMixer mixer;
    mixer.levels[TMixerLine::Master] = GetParam().level;
    EXPECT_EQ(GetMasterVolume(mixer, 0), GetParam().volume);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeRead,
    testing::Values(ReadCase{"bottom", {0, 100, 0}, 0}, ReadCase{"top", {0, 100, 100}, 65535},
                    ReadCase{"half_rounds", {0, 100, 50}, 32768}, ReadCase{"decibels_below_zero", {-6400, 0, -3200}, 32768},
                    ReadCase{"above_the_top_is_the_top", {0, 65536, 98304}, 65535},
                    ReadCase{"below_the_bottom_is_the_bottom", {10, 20, 5}, 0},
                    ReadCase{"range_without_width_reads_nothing", {7, 7, 7}, 0}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    TMixerLevel level;
    std::uint16_t volume;
    long written;
};

class VolumeWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(VolumeWrite, WritesTheLinesOwnUnitsAndReadsBackWhatWasWritten)
{
    TLinesMixer mixer;
    mixer.levels[TMixerLine::Master] = GetParam().level;
    SetMasterVolume(mixer, 0, GetParam().volume);
    ASSERT_EQ(mixer.written, std::vector<long>{GetParam().written});
    EXPECT_NEAR(GetMasterVolume(mixer, 0), GetParam().volume, 65535.0 / (GetParam().level.max - GetParam().level.min) / 2 + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeWrite,
    testing::Values(WriteCase{"bottom", {0, 100, 40}, 0, 0}, WriteCase{"top", {0, 100, 40}, 65535, 100},
                    WriteCase{"middle", {0, 100, 40}, 32768, 50}, WriteCase{"decibels", {-6400, 0, 0}, 16384, -4800},
                    WriteCase{"one_to_one", {0, 65535, 0}, 12345, 12345}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(VolumeLines, EachSelectorReachesItsOwnLineAndOthersNone)
{
    const std::map<int, TMixerLine> lines = {{0, TMixerLine::Master}, {1, TMixerLine::Microphone},
                                             {2, TMixerLine::Wave}, {3, TMixerLine::Synthesizer}};
    for (const auto& [selector, line] : lines) {
        TLinesMixer mixer;
        mixer.levels[line] = {0, 100, 100};
        mixer.switches[line] = false;
        EXPECT_EQ(GetMasterVolume(mixer, selector), 65535) << selector;
        EXPECT_TRUE(GetMasterMute(mixer, selector)) << selector;
        for (const auto& [other, otherLine] : lines)
            if (other != selector) {
                EXPECT_EQ(GetMasterVolume(mixer, other), 0) << selector << " " << other;
                EXPECT_FALSE(GetMasterMute(mixer, other)) << selector << " " << other;
            }
    }
    TLinesMixer mixer;
    for (const auto& [selector, line] : lines)
        mixer.levels[line] = {0, 100, 100};
    for (int selector : {-1, 4}) {
        EXPECT_EQ(GetMasterVolume(mixer, selector), 0);
        SetMasterVolume(mixer, selector, 100);
    }
    EXPECT_TRUE(mixer.written.empty());
}

TEST(VolumeLines, ALineWithoutVolumeOrSwitchIsLeftAlone)
{
    TLinesMixer mixer;
    SetMasterVolume(mixer, 0, 30000);
    SetMasterMute(mixer, 0, true);
    EXPECT_TRUE(mixer.written.empty());
    EXPECT_EQ(GetMasterVolume(mixer, 0), 0);
    EXPECT_FALSE(GetMasterMute(mixer, 0));
}

TEST(VolumeLines, MuteWritesTheSwitchBothWays)
{
    TLinesMixer mixer;
    mixer.switches[TMixerLine::Master] = true;
    SetMasterMute(mixer, 0, true);
    EXPECT_FALSE(mixer.switches[TMixerLine::Master]);
    EXPECT_TRUE(GetMasterMute(mixer, 0));
    SetMasterMute(mixer, 0, false);
    EXPECT_TRUE(mixer.switches[TMixerLine::Master]);
    EXPECT_FALSE(GetMasterMute(mixer, 0));
}

} // namespace
