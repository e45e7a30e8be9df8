#include "app/U_Config.h"

#include <gtest/gtest.h>

#include <elf.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A string literal with the NUL bytes inside it.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) { return std::string(text, N - 1); }

// A program folder of its own for each test.
class ConfigTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path()
                  / ("config-" + std::to_string(::getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Data");
        file_ = folder_ / "Data" / "Config.dat";
    }
    void TearDown() override
    {
        ::chmod((folder_ / "Data").c_str(), 0755);
        fs::remove_all(folder_);
    }
    void Write(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }
    std::string Contents() const
    {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // A fixed machine code: these tests are about the file, not this machine.
    TConfig Load() const { return TConfig(folder_, PROGRAM_FILE, [] { return std::string(kMachineCode); }); }

    static constexpr const char* kMachineCode = "020000000005WD-1234BIOS";

    fs::path folder_, file_;
};

TEST_F(ConfigTest, FirstRunWritesTheSixKeysInOrderAndReadsThem)
{
    const TConfig config = Load();
    EXPECT_EQ(Contents(), "[System]\r\nSoftName=zev子\r\nUpdatePath=\r\nHomePage=about:blank\r\n"
                          "ReportURL=about:blank\r\nCheckURL=\r\nSoftwareWebSit=about:blank\r\n");
    EXPECT_EQ(config.SoftName, "zev子");
    EXPECT_EQ(config.UpdatePath, "");
    EXPECT_EQ(config.HomePage, "about:blank");
    EXPECT_EQ(config.ReportURL, "about:blank");
    EXPECT_EQ(config.CheckURL, "");
    EXPECT_EQ(config.SoftwareWebSit, "about:blank");
    // Filled at construction from the machine code source.
    EXPECT_EQ(config.MachineCode, kMachineCode);
}

struct FileCase {
    friend void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::string text;
    const char* softName;
    const char* homePage;
    const char* checkUrl;
    const char* updatePath;
};

class ConfigFileCases : public ConfigTest, public testing::WithParamInterface<FileCase> {};

TEST_P(ConfigFileCases, ReadsAnExistingFileWithoutRewritingIt)
{
    const auto& c = GetParam();
    Write(c.text);
    const TConfig config = Load();
    EXPECT_EQ(config.SoftName, c.softName);
    EXPECT_EQ(config.HomePage, c.homePage);
    EXPECT_EQ(config.CheckURL, c.checkUrl);
    EXPECT_EQ(config.UpdatePath, c.updatePath);
    EXPECT_EQ(Contents(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigFileCases,
    testing::Values(
        FileCase{"section_without_keys", "[System]\r\n", "zev子", "about:blank", "about:blank", ""},
        FileCase{"empty_file", "", "zev子", "about:blank", "about:blank", ""},
        FileCase{"empty_values", "[System]\nSoftName=\nHomePage=\nCheckURL=\n", "", "", "", ""},
        FileCase{"case_and_blanks", "  [ SYSTEM ]\n  softname =  我的游戏盒 \ncheckurl\t=\t\"http://u/check\"\n", "我的游戏盒",
                 "about:blank", "http://u/check", ""},
        FileCase{"garbage_lines", "garbage\n[[[\n=\n[System]\nnonsense\nHomePage=http://h/\n", "zev子", "http://h/",
                 "about:blank", ""},
        FileCase{"binary_bytes", Bytes("\x7f\x45\x4c\x46\x00\x01\n[System]\x00\nUpdatePath=\xff\xfe\n"), "zev子",
                 "about:blank", "about:blank", "\xff\xfe"}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.name; });

TEST_F(ConfigTest, AnyMovieDownloadIsOnUnlessTheOptionSaysZero)
{
    const struct {
        const char* text;
        bool on;
    } cases[] = {
        {"[System]\r\n", true},
        {"[Options]\r\nAnyMovieDownload=1\r\n", true},
        {"[Options]\r\nAnyMovieDownload=0\r\n", false},
        {"[options]\r\n anymoviedownload = 0 \r\n", false},
        {"[System]\r\nAnyMovieDownload=0\r\n", true},
    };
    for (const auto& c : cases) {
        Write(c.text);
        EXPECT_EQ(Load().AnyMovieDownload, c.on) << c.text;
        EXPECT_EQ(Contents(), c.text) << "nothing writes the option";
    }
}

TEST_F(ConfigTest, HiddenTabsPauseUnlessTheOptionKeepsThemRunning)
{
    const struct {
        const char* text;
        bool keep;
    } cases[] = {
        {"[System]\r\n", false},
        {"[Options]\r\nKeepHiddenTabsRunning=1\r\n", true},
        {"[Options]\r\nKeepHiddenTabsRunning=0\r\n", false},
        {"[System]\r\nKeepHiddenTabsRunning=1\r\n", false},
    };
    for (const auto& c : cases) {
        Write(c.text);
        EXPECT_EQ(Load().KeepHiddenTabsRunning, c.keep) << c.text;
        EXPECT_EQ(Contents(), c.text) << "nothing writes the option";
    }
}

TEST_F(ConfigTest, TheBuiltInSitePortIsTheUsualOneUnlessTheOptionNamesAnother)
{
    const struct {
        const char* text;
        int port;
    } cases[] = {
        {"[System]\r\n", 47615},
        {"[Options]\r\nBuiltInSitePort=8123\r\n", 8123},
        {"[Options]\r\nBuiltInSitePort=65535\r\n", 65535},
        {"[Options]\r\nBuiltInSitePort=0\r\n", 47615},
        {"[Options]\r\nBuiltInSitePort=-1\r\n", 47615},
        {"[Options]\r\nBuiltInSitePort=65536\r\n", 47615},
        {"[Options]\r\nBuiltInSitePort=4294975911\r\n", 47615},
        {"[Options]\r\nBuiltInSitePort=port\r\n", 47615},
        {"[System]\r\nBuiltInSitePort=8123\r\n", 47615},
    };
    for (const auto& c : cases) {
        Write(c.text);
        EXPECT_EQ(Load().BuiltInSitePort, c.port) << c.text;
        EXPECT_EQ(Contents(), c.text) << "nothing writes the option";
    }
}

TEST_F(ConfigTest, SecondRunDoesNotChangeTheFile)
{
    Load();
    Write(Contents() + "Extra=1\r\n");
    const std::string before = Contents();
    const auto stamp = fs::last_write_time(file_);
    Load();
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(fs::last_write_time(file_), stamp);
}

TEST_F(ConfigTest, MissingDataFolderIsReportedWithTheFullPath)
{
    fs::remove_all(folder_ / "Data");
    try {
        Load();
        FAIL() << "no error";
    } catch (const EConfigError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + file_.string());
    }
    EXPECT_FALSE(fs::exists(folder_ / "Data"));
}

TEST_F(ConfigTest, ReadOnlyDataFolderIsReportedAndLeftEmpty)
{
    ::chmod((folder_ / "Data").c_str(), 0555);
    // Root writes into read-only folders: load as an ordinary user then.
    const pid_t child = ::geteuid() == 0 ? ::fork() : -1;
    if (child == 0) {
        int status = 2;
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            try {
                Load();
                status = 1;
            } catch (const EConfigError&) {
                status = 0;
            }
        }
        ::_exit(status);
    }
    if (child > 0) {
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    } else {
        EXPECT_THROW(Load(), EConfigError);
    }
    EXPECT_TRUE(fs::is_empty(folder_ / "Data"));
}

TEST_F(ConfigTest, DataFolderThatIsAFileIsReported)
{
    fs::remove_all(folder_ / "Data");
    std::ofstream(folder_ / "Data") << "not a folder";
    EXPECT_THROW(Load(), EConfigError);
}

TEST_F(ConfigTest, VersionComesFromTheExecutable)
{
    EXPECT_EQ(Load().SoftVersion, "1.0.0.22");
    EXPECT_EQ(TConfig(folder_, NO_VERSION_FIXTURE).SoftVersion, "");
}

struct VersionCase {
    friend void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    std::string file;
    const char* expected;
};

class FileVersionText : public testing::TestWithParam<VersionCase> {};

TEST_P(FileVersionText, ReadsTheFileVersion)
{
    EXPECT_EQ(GetFileVersionText(GetParam().file), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileVersionText,
    testing::Values(VersionCase{"program", PROGRAM_FILE, "1.0.0.22"},
                    VersionCase{"file_version_not_product_version", VERSION_FIXTURE, "2.10.300.4000"},
                    VersionCase{"executable_without_version", NO_VERSION_FIXTURE, ""},
                    VersionCase{"not_an_executable", __FILE__, ""},
                    VersionCase{"missing_file", "/nonexistent/orvanzev", ""}),
    [](const testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

// A copy of the version fixture whose version block claims an impossible size.
fs::path WithHugeVersionBlock(const fs::path& folder)
{
    const fs::path copy = folder / "huge_version";
    fs::copy_file(VERSION_FIXTURE, copy);
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    Elf64_Ehdr header{};
    file.read(reinterpret_cast<char*>(&header), sizeof header);
    Elf64_Shdr names{};
    file.seekg(static_cast<std::streamoff>(header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr)));
    file.read(reinterpret_cast<char*>(&names), sizeof names);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        const auto at = static_cast<std::streamoff>(header.e_shoff + i * sizeof(Elf64_Shdr));
        Elf64_Shdr section{};
        file.seekg(at);
        file.read(reinterpret_cast<char*>(&section), sizeof section);
        char name[16] = {};
        file.seekg(static_cast<std::streamoff>(names.sh_offset + section.sh_name));
        file.read(name, sizeof name - 1);
        if (std::string(name) == ".fileversion") {
            section.sh_size = std::uint64_t{1} << 62;
            file.seekp(at);
            file.write(reinterpret_cast<const char*>(&section), sizeof section);
            return copy;
        }
    }
    return {};
}

TEST_F(ConfigTest, VersionBlockThatCannotBeReadGivesMinusOne)
{
    const fs::path file = WithHugeVersionBlock(folder_);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(GetFileVersionText(file), "-1");
}

} // namespace
