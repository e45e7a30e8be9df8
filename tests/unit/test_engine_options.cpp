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

TEST_P(EngineFlags, UserSwitchesFirstThenTheProcessModel)
{
    EXPECT_EQ(engine_options::ChromiumFlags(GetParam().user).toStdString(), GetParam().expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineFlags,
    testing::Values(FlagsCase{"none", "", "--process-per-site"},
                    FlagsCase{"user_switches_kept", " --disable-gpu  --lang=zh-CN ", "--disable-gpu  --lang=zh-CN --process-per-site"},
                    FlagsCase{"already_per_site", "--process-per-site --disable-gpu", "--process-per-site --disable-gpu"},
                    FlagsCase{"user_chose_site_per_process", "--site-per-process", "--site-per-process"},
                    FlagsCase{"user_chose_single_process", "--disable-gpu --single-process", "--disable-gpu --single-process"},
                    FlagsCase{"similar_name_is_no_choice", "--process-per-site-x", "--process-per-site-x --process-per-site"}),
    [](const testing::TestParamInfo<FlagsCase>& info) { return std::string(info.param.name); });

} // namespace
