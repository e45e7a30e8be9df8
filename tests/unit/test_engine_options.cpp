#include "browser/EngineOptions.h"

#include <gtest/gtest.h>

namespace {

struct FlagsCase {
    friend void PrintTo(const FlagsCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray user;
    QByteArray expected;
};

class EngineFlags : public testing::TestWithParam<FlagsCase> {};

TEST_P(EngineFlags, UserSwitchesFirstThenTheProgramsUnlessTheUserChose)
{
    EXPECT_EQ(engine_options::ChromiumFlags(GetParam().user).toStdString(), GetParam().expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineFlags,
    testing::Values(FlagsCase{"none", "", "--process-per-site --js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1"},
                    FlagsCase{"user_switches_kept", " --disable-gpu  --lang=zh-CN ",
                              "--disable-gpu  --lang=zh-CN --process-per-site --js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1"},
                    FlagsCase{"already_per_site", "--process-per-site --disable-gpu",
                              "--process-per-site --disable-gpu --js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1"},
                    FlagsCase{"user_chose_site_per_process", "--site-per-process",
                              "--site-per-process --js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1"},
                    FlagsCase{"user_chose_single_process", "--disable-gpu --single-process",
                              "--disable-gpu --single-process --js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1"},
                    FlagsCase{"user_script_engine_switches", "--js-flags=--max-old-space-size=512",
                              "--js-flags=--max-old-space-size=512 --process-per-site"},
                    FlagsCase{"both_chosen", "--js-flags=--jitless --single-process", "--js-flags=--jitless --single-process"},
                    FlagsCase{"similar_name_is_no_choice", "--process-per-site-x",
                              "--process-per-site-x --process-per-site --js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1"}),
    [](const testing::TestParamInfo<FlagsCase>& info) { return std::string(info.param.name); });

} // namespace
