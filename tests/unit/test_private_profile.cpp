#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using platform::PrivateProfile;

namespace {

// A string literal with the NUL bytes inside it.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) { return std::string(text, N - 1); }

struct ReadCase {
    friend void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

class PrivateProfileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(PrivateProfileRead, FindsValuesAsWindowsDoes)
{
    const auto& c = GetParam();
    EXPECT_EQ(PrivateProfile::Parse(c.text).Value(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrivateProfileRead,
    testing::Values(
        ReadCase{"plain", "[System]\r\nHomePage=http://a/\r\n", "System", "HomePage", "http://a/"},
        ReadCase{"lf_only", "[System]\nHomePage=x\n", "System", "HomePage", "x"},
        ReadCase{"section_and_key_ignore_case", "[sYsTeM]\nhomepage=x\n", "System", "HomePage", "x"},
        ReadCase{"blanks_trimmed", "  [ System ]  \n \t HomePage \t=  a b \t\n", "System", "HomePage", "a b"},
        ReadCase{"double_quotes_removed", "[System]\nSoftName=\" zev \"\n", "System", "SoftName", " zev "},
        ReadCase{"single_quotes_removed", "[System]\nSoftName='zev'\n", "System", "SoftName", "zev"},
        ReadCase{"unmatched_quotes_kept", "[System]\nSoftName=\"zev'\n", "System", "SoftName", "\"zev'"},
        ReadCase{"lone_quote_kept", "[System]\nSoftName=\"\n", "System", "SoftName", "\""},
        ReadCase{"empty_value_is_present", "[System]\nCheckURL=\n", "System", "CheckURL", ""},
        ReadCase{"absent_key", "[System]\nHomePage=x\n", "System", "CheckURL", std::nullopt},
        ReadCase{"key_in_other_section", "[Other]\nCheckURL=x\n[System]\n", "System", "CheckURL", std::nullopt},
        ReadCase{"first_key_wins", "[System]\nA=1\nA=2\n", "System", "A", "1"},
        ReadCase{"first_section_wins", "[System]\nA=1\n[System]\nA=2\nB=3\n", "System", "B", std::nullopt},
        ReadCase{"equals_in_value", "[System]\nHomePage=http://h/?a=b&c=d\n", "System", "HomePage",
                 "http://h/?a=b&c=d"},
        ReadCase{"utf8_value", "[System]\nSoftName=zev子\n", "System", "SoftName", "zev子"},
        ReadCase{"utf8_bom", "\xEF\xBB\xBF[System]\nA=1\n", "System", "A", "1"},
        ReadCase{"garbage_lines_ignored", "junk\n[System\n;A=0\n]]\nno equals\n[System]\n= x\nA=1\n", "System", "A",
                 "1"},
        ReadCase{"binary_bytes", Bytes("\x00\xff\xfe\n[System]\n\x01\x02=\x03\nA=\x80\x81\n"), "System", "A",
                 "\x80\x81"},
        ReadCase{"no_final_newline", "[System]\nA=1", "System", "A", "1"},
        ReadCase{"empty_file", "", "System", "A", std::nullopt}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(PrivateProfileInt, ReadsTheLeadingWholeNumberAsWindowsDoes)
{
    const struct {
        const char* text;
        long expected;
    } cases[] = {
        {"", 7},                     // absent: the fallback
        {"A=0\n", 0},     {"A=1\n", 1},   {"A= 42 \n", 42}, {"A=-3\n", -3}, {"A=+5\n", 5},
        {"A=12abc\n", 12}, {"A=abc\n", 0}, {"A=\n", 0},      {"A=\"9\"\n", 9},
        {"A=99999999999999999999\n", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrivateProfile::Parse(std::string("[Options]\n") + c.text).GetInt("Options", "A", 7), c.expected)
            << c.text;
}

class PrivateProfileWrite : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("ini-" + std::to_string(::getpid()) + "-"
                                                         + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        file_ = dir_ / "test.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Contents() const
    {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Write(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }

    std::filesystem::path dir_, file_;
};

TEST_F(PrivateProfileWrite, CreatesFileWithSectionAndKeysInOrder)
{
    ASSERT_TRUE(platform::WritePrivateProfileString(file_, "System", "B", "2"));
    ASSERT_TRUE(platform::WritePrivateProfileString(file_, "System", "A", ""));
    EXPECT_EQ(Contents(), "[System]\r\nB=2\r\nA=\r\n");
}

TEST_F(PrivateProfileWrite, ReplacesKeyInPlaceAndKeepsOtherLines)
{
    Write("; note\n[Other]\nA=x\n[system]\nb = 1\nC=3\n\n[Last]\nZ=9\n");
    ASSERT_TRUE(platform::WritePrivateProfileString(file_, "System", "B", "2"));
    ASSERT_TRUE(platform::WritePrivateProfileString(file_, "System", "D", "4"));
    EXPECT_EQ(Contents(), "; note\r\n[Other]\r\nA=x\r\n[system]\r\nB=2\r\nC=3\r\nD=4\r\n\r\n[Last]\r\nZ=9\r\n");
    const auto profile = PrivateProfile::Load(file_);
    EXPECT_EQ(profile.Value("Other", "A"), "x");
    EXPECT_EQ(profile.Value("Last", "Z"), "9");
}

TEST_F(PrivateProfileWrite, FailsWithoutTouchingAnythingWhenFolderIsMissing)
{
    EXPECT_FALSE(platform::WritePrivateProfileString(dir_ / "missing" / "test.ini", "System", "A", "1"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST_F(PrivateProfileWrite, MissingFileReadsAsEmpty)
{
    EXPECT_EQ(PrivateProfile::Load(dir_ / "none.ini").GetString("System", "A", "fallback"), "fallback");
}

} // namespace
