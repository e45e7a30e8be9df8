#include "services/RomDumpProgram.h"
#include "services/U_RomSAPI.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path kFixtures = ROM_FIXTURES;
constexpr std::size_t kRomSize = 65536;
constexpr std::size_t kRomAddress = 0xF0000;

// Bytes that repeat with no short period, so that a shifted or reordered copy shows.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8) * 13 + seed);
    return bytes;
}

std::vector<std::uint8_t> Bytes(const TBiosRomImage& image) { return {image.begin(), image.end()}; }

std::vector<std::uint8_t> FileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every path under folder with the size of each file, -1 for a folder, -2 for a link.
std::map<std::string, long> Tree(const fs::path& folder)
{
    std::map<std::string, long> tree;
    std::error_code error;
    for (auto entry = fs::recursive_directory_iterator(folder, error); !error && entry != fs::recursive_directory_iterator();
         entry.increment(error)) {
        const auto relative = fs::relative(entry->path(), folder).string();
        if (entry->is_symlink())
            tree[relative] = -2;
        else if (entry->is_directory())
            tree[relative] = -1;
        else
            tree[relative] = static_cast<long>(entry->file_size());
    }
    return tree;
}

// Without the capabilities that let root open any file, for this thread only,
// so that a file without read permission is refused to root as well.
class TWithoutFileOverride {
public:
    TWithoutFileOverride()
    {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~TWithoutFileOverride() { ::syscall(SYS_capset, &header_, saved_); }
    TWithoutFileOverride(const TWithoutFileOverride&) = delete;
    TWithoutFileOverride& operator=(const TWithoutFileOverride&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

// Ended: no such process any more, or one that only waits to be reaped.
bool ProcessEnded(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const auto state = line.find(") ");
    return state != std::string::npos && (line[state + 2] == 'Z' || line[state + 2] == 'X');
}

// A folder of its own for each test: tmp/ is the reader's temporary folder,
// mem stands for the memory device, and the test interpreter writes its
// record beside them.
class RomReaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        root_ = fs::temp_directory_path() / ("rom-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(root_);
        fs::create_directories(root_ / "tmp");
        sources_.MemoryDevice = root_ / "mem";
        sources_.TempFolder = root_ / "tmp";
        sources_.ComSpec = (kFixtures / "test_interpreter.sh").string();
        if (const char* comSpec = std::getenv("ComSpec"))
            savedComSpec_ = comSpec;
        ::unsetenv("ComSpec");
        ::setenv("ROM_TEST_RECORD", Record().c_str(), 1);
        image_.fill(0xAA);
    }
    void TearDown() override
    {
        for (const char* name : {"ROM_TEST_RECORD", "ROM_TEST_IMAGE", "ROM_TEST_LINK", "ROM_TEST_HANG"})
            ::unsetenv(name);
        if (savedComSpec_)
            ::setenv("ComSpec", savedComSpec_->c_str(), 1);
        ::chmod(sources_.MemoryDevice.c_str(), 0644);
        fs::remove_all(root_);
    }

    fs::path Record() const { return root_ / "record"; }
    fs::path Temp() const { return root_ / "tmp"; }

    // The interpreter's output will be these bytes.
    std::vector<std::uint8_t> InterpreterWrites(std::size_t size, std::uint8_t seed = 3)
    {
        auto bytes = Pattern(size, seed);
        WriteFile(root_ / "output", bytes);
        ::setenv("ROM_TEST_IMAGE", (root_ / "output").c_str(), 1);
        return bytes;
    }
    // A memory device file with the ROM area at F0000h between other bytes.
    std::vector<std::uint8_t> DeviceHolds(std::uint8_t seed)
    {
        auto rom = Pattern(kRomSize, seed);
        std::vector<std::uint8_t> device(kRomAddress + kRomSize + 4096, 0xA5);
        std::fill_n(device.begin(), kRomAddress, 0x5A);
        std::copy(rom.begin(), rom.end(), device.begin() + kRomAddress);
        WriteFile(sources_.MemoryDevice, device);
        return rom;
    }
    std::vector<std::string> Recorded() const
    {
        std::ifstream in(Record());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    bool DosRouteRan() const { return fs::exists(Record()); }

    fs::path root_;
    TRomSources sources_;
    TBiosRomImage image_{};
    std::optional<std::string> savedComSpec_;
};

// --- The physical memory device ---------------------------------------------

class RomSection : public RomReaderTest, public testing::WithParamInterface<int> {};

TEST_P(RomSection, ReadsTheAreaAtF0000hOfTheDevice)
{
    const auto rom = DeviceHolds(1);
    ASSERT_TRUE(ReadBiosRom(image_, GetParam(), kInfinite, sources_));
    EXPECT_EQ(Bytes(image_), rom);
    EXPECT_FALSE(DosRouteRan());
    EXPECT_TRUE(fs::is_empty(Temp()));
}

INSTANTIATE_TEST_SUITE_P(Modes, RomSection, testing::Values(brAuto, brPhysicalSection),
                         [](const testing::TestParamInfo<int>& info) { return info.param == brAuto ? "auto" : "section"; });

TEST_F(RomReaderTest, RomSectionMapsACharacterDevice)
{
    sources_.MemoryDevice = "/dev/zero";
    ASSERT_TRUE(ReadBiosRomFromSection(image_, kInfinite, sources_)) << RomLastError();
    EXPECT_EQ(Bytes(image_), std::vector<std::uint8_t>(kRomSize, 0));
}

TEST_F(RomReaderTest, RomSectionDeniedFallsBackToTheDosProgram)
{
    DeviceHolds(1);
    const auto output = InterpreterWrites(kRomSize, 9);
    ASSERT_EQ(::chmod(sources_.MemoryDevice.c_str(), 0), 0);
    {
        const TWithoutFileOverride guard;
        const int fd = ::open(sources_.MemoryDevice.c_str(), O_RDONLY);
        if (fd >= 0)
            ::close(fd);
        ASSERT_LT(fd, 0) << "the device file is still readable";
        ASSERT_TRUE(ReadBiosRom(image_, brAuto, kInfinite, sources_)) << RomLastError();
    }
    EXPECT_EQ(Bytes(image_), output);
    ASSERT_TRUE(DosRouteRan());
    EXPECT_EQ(Recorded().at(2), (Temp() / "~RomDmp1" / "RomDump.com").string());
    EXPECT_TRUE(fs::is_empty(Temp()));
}

struct SectionFailure {
    const char* name;
    std::function<void(const fs::path& device)> make;
    int error;
};

class RomSectionFailure : public RomReaderTest, public testing::WithParamInterface<SectionFailure> {};

TEST_P(RomSectionFailure, FailsWithTheReasonAndWithoutTheDosProgram)
{
    InterpreterWrites(kRomSize);
    GetParam().make(sources_.MemoryDevice);
    EXPECT_FALSE(ReadBiosRom(image_, brAuto, kInfinite, sources_));
    EXPECT_EQ(RomLastError(), GetParam().error);
    EXPECT_FALSE(DosRouteRan());
    EXPECT_TRUE(fs::is_empty(Temp()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RomSectionFailure,
    testing::Values(SectionFailure{"missing", [](const fs::path&) {}, ENOENT},
                    SectionFailure{"ends_before_FFFFFh",
                                   [](const fs::path& device) { WriteFile(device, std::vector<std::uint8_t>(kRomAddress + kRomSize - 1, 1)); },
                                   ENXIO},
                    SectionFailure{"folder", [](const fs::path& device) { fs::create_directory(device); }, EISDIR}),
    [](const testing::TestParamInfo<SectionFailure>& info) { return info.param.name; });

// --- Modes ------------------------------------------------------------------

struct ModeCase {
    const char* name;
    int mode;
    int error;
};

class RomReadMode : public RomReaderTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(RomReadMode, FailsWithItsCode)
{
    DeviceHolds(1);
    InterpreterWrites(kRomSize);
    EXPECT_FALSE(ReadBiosRom(image_, GetParam().mode, kInfinite, sources_));
    EXPECT_EQ(RomLastError(), GetParam().error);
    EXPECT_FALSE(DosRouteRan());
}

INSTANTIATE_TEST_SUITE_P(Cases, RomReadMode,
                         testing::Values(ModeCase{"after_the_last", 4, ERROR_INVALID_PARAMETER},
                                         ModeCase{"negative", -1, ERROR_INVALID_PARAMETER},
                                         ModeCase{"linear_memory", brLinearMemory, ERROR_CALL_NOT_IMPLEMENTED}),
                         [](const testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

// --- The DOS program route --------------------------------------------------

struct OutputCase {
    const char* name;
    std::size_t size;
    bool read;
};

class RomDosOutput : public RomReaderTest, public testing::WithParamInterface<OutputCase> {};

TEST_P(RomDosOutput, SucceedsOnlyWithTheWholeSegment)
{
    const auto output = InterpreterWrites(GetParam().size);
    EXPECT_EQ(ReadBiosRom(image_, brDosProgram, kInfinite, sources_), GetParam().read);
    // What came is kept, zeros from where it ended.
    auto expected = output;
    expected.resize(kRomSize, 0);
    EXPECT_EQ(Bytes(image_), expected);
    EXPECT_TRUE(DosRouteRan());
    EXPECT_TRUE(fs::is_empty(Temp()));
}

INSTANTIATE_TEST_SUITE_P(Cases, RomDosOutput,
                         testing::Values(OutputCase{"whole", kRomSize, true}, OutputCase{"one_byte_short", kRomSize - 1, false},
                                         OutputCase{"half", kRomSize / 2, false}, OutputCase{"nothing", 0, false}),
                         [](const testing::TestParamInfo<OutputCase>& info) { return info.param.name; });

TEST_F(RomReaderTest, RomDosRouteGivesTheInterpreterItsCommandLineAndTheWholeProgram)
{
    InterpreterWrites(kRomSize);
    ASSERT_TRUE(ReadBiosRomByDosProgram(image_, kInfinite, sources_));
    const fs::path folder = Temp() / "~RomDmp1";
    EXPECT_EQ(Recorded(), (std::vector<std::string>{*sources_.ComSpec, "/C", (folder / "RomDump.com").string(), ">",
                                                    (folder / "Rom.dmp").string()}));
    const auto program = RomDumpProgram();
    EXPECT_EQ(FileBytes(Record().string() + ".program"), std::vector<std::uint8_t>(program.begin(), program.end()));
}

struct FolderCase {
    const char* name;
    std::function<void(const fs::path& temp, const fs::path& elsewhere)> make;
    const char* folder;
};

class RomDosWorkFolder : public RomReaderTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(RomDosWorkFolder, TakesTheFirstFreeNumberAndLeavesTheRestAlone)
{
    fs::create_directory(root_ / "elsewhere");
    GetParam().make(Temp(), root_ / "elsewhere");
    const auto tempBefore = Tree(Temp());
    const auto elsewhereBefore = Tree(root_ / "elsewhere");
    const auto output = InterpreterWrites(kRomSize);

    ASSERT_TRUE(ReadBiosRom(image_, brDosProgram, kInfinite, sources_)) << RomLastError();
    EXPECT_EQ(Bytes(image_), output);
    EXPECT_EQ(Recorded().at(2), (Temp() / GetParam().folder / "RomDump.com").string());
    EXPECT_EQ(Tree(Temp()), tempBefore);
    EXPECT_EQ(Tree(root_ / "elsewhere"), elsewhereBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RomDosWorkFolder,
    testing::Values(
        FolderCase{"two_folders",
                   [](const fs::path& temp, const fs::path&) {
                       for (const char* name : {"~RomDmp1", "~RomDmp2"}) {
                           fs::create_directory(temp / name);
                           WriteFile(temp / name / "Rom.dmp", {1, 2, 3});
                       }
                   },
                   "~RomDmp3"},
        FolderCase{"plain_file", [](const fs::path& temp, const fs::path&) { WriteFile(temp / "~RomDmp1", {1}); }, "~RomDmp2"},
        FolderCase{"link_to_a_folder",
                   [](const fs::path& temp, const fs::path& elsewhere) { fs::create_directory_symlink(elsewhere, temp / "~RomDmp1"); },
                   "~RomDmp2"},
        FolderCase{"link_to_nothing",
                   [](const fs::path& temp, const fs::path& elsewhere) {
                       fs::create_directory_symlink(elsewhere / "made", temp / "~RomDmp1");
                   },
                   "~RomDmp2"}),
    [](const testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

TEST_F(RomReaderTest, RomDosRouteDoesNotFollowALinkPutInPlaceOfTheOutput)
{
    const auto outside = Pattern(kRomSize, 77);
    WriteFile(root_ / "outside", outside);
    ::setenv("ROM_TEST_LINK", (root_ / "outside").c_str(), 1);
    EXPECT_FALSE(ReadBiosRom(image_, brDosProgram, kInfinite, sources_));
    EXPECT_EQ(RomLastError(), ELOOP);
    EXPECT_NE(Bytes(image_), outside);
    EXPECT_EQ(FileBytes(root_ / "outside"), outside);
    EXPECT_TRUE(fs::is_empty(Temp()));
}

TEST_F(RomReaderTest, RomDosProgramOverrunningTheLimitIsEnded)
{
    const fs::path pids = root_ / "pids";
    ::setenv("ROM_TEST_HANG", pids.c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadBiosRom(image_, brDosProgram, 300, sources_));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 2300ms);
    EXPECT_EQ(Bytes(image_), std::vector<std::uint8_t>(kRomSize, 0xAA));
    EXPECT_TRUE(fs::is_empty(Temp()));

    // The interpreter and the child it started.
    pid_t interpreter = 0, child = 0;
    std::ifstream(pids) >> interpreter >> child;
    ASSERT_GT(interpreter, 0);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(ProcessEnded(interpreter));
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!ProcessEnded(child) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(ProcessEnded(child));
}

struct InterpreterCase {
    const char* name;
    std::optional<std::string> source;   // nullopt: the environment's ComSpec
    std::optional<std::string> environment;
    bool read;
};

class RomDosInterpreter : public RomReaderTest, public testing::WithParamInterface<InterpreterCase> {};

TEST_P(RomDosInterpreter, RunsOnlyAnInterpreterThatIsNamed)
{
    const auto output = InterpreterWrites(kRomSize);
    const auto& c = GetParam();
    const std::string testInterpreter = *sources_.ComSpec;
    auto named = [&](const std::optional<std::string>& text) -> std::optional<std::string> {
        if (text && *text == "test")
            return testInterpreter;
        if (text && *text == "missing")
            return (root_ / "missing").string();
        return text;
    };
    sources_.ComSpec = named(c.source);
    if (const auto environment = named(c.environment))
        ::setenv("ComSpec", environment->c_str(), 1);

    EXPECT_EQ(ReadBiosRom(image_, brDosProgram, kInfinite, sources_), c.read);
    EXPECT_EQ(DosRouteRan(), c.read);
    if (c.read) {
        EXPECT_EQ(Bytes(image_), output);
    }
    EXPECT_TRUE(fs::is_empty(Temp()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RomDosInterpreter,
    testing::Values(InterpreterCase{"unset", std::nullopt, std::nullopt, false},
                    InterpreterCase{"empty_in_the_environment", std::nullopt, "", false},
                    InterpreterCase{"from_the_environment", std::nullopt, "test", true},
                    InterpreterCase{"given_wins_over_the_environment", "test", "missing", true},
                    InterpreterCase{"given_empty", "", "test", false},
                    InterpreterCase{"missing_file", "missing", std::nullopt, false}),
    [](const testing::TestParamInfo<InterpreterCase>& info) { return info.param.name; });

TEST_F(RomReaderTest, RomDosRouteWithoutATemporaryFolderFails)
{
    InterpreterWrites(kRomSize);
    sources_.TempFolder = root_ / "no-such-folder";
    EXPECT_FALSE(ReadBiosRomByDosProgram(image_, kInfinite, sources_));
    EXPECT_EQ(RomLastError(), ENOENT);
    EXPECT_FALSE(DosRouteRan());
}

TEST_F(RomReaderTest, RomDumpProgramIsWrittenWholeAndNeverOverANameThatExists)
{
    const auto program = RomDumpProgram();
    ASSERT_TRUE(WriteRomDumpProgram(root_ / "RomDump.com"));
    EXPECT_EQ(FileBytes(root_ / "RomDump.com"), std::vector<std::uint8_t>(program.begin(), program.end()));

    WriteFile(root_ / "other", {1, 2, 3});
    fs::create_symlink(root_ / "other", root_ / "link");
    for (const char* name : {"other", "link"})
        EXPECT_FALSE(WriteRomDumpProgram(root_ / name)) << name;
    EXPECT_EQ(FileBytes(root_ / "other"), (std::vector<std::uint8_t>{1, 2, 3}));
}

// --- The program in DOSBox --------------------------------------------------

bool HaveDosBox()
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((fs::path(folder) / "dosbox").c_str(), X_OK) == 0)
            return true;
    return false;
}

// What DOSBox keeps at the top of its BIOS segment: the reset jump into
// segment F000h, the BIOS date, the model byte of an AT, and 55h last.
void ExpectDosBoxBiosEnd(const std::vector<std::uint8_t>& rom)
{
    ASSERT_EQ(rom.size(), kRomSize);
    EXPECT_EQ(rom[0xFFF0], 0xEA);
    EXPECT_EQ(rom[0xFFF3], 0x00);
    EXPECT_EQ(rom[0xFFF4], 0xF0);
    EXPECT_EQ(std::string(rom.begin() + 0xFFF5, rom.begin() + 0xFFFD), "01/01/92");
    EXPECT_EQ(rom[0xFFFE], 0xFC);
    EXPECT_EQ(rom[0xFFFF], 0x55);
}

TEST_F(RomReaderTest, RomDosBoxRunsTheProgramAndTheWholeDosRoute)
{
    if (!HaveDosBox())
        GTEST_SKIP() << "dosbox is not installed (scripts/setup installs it)";
    const std::string interpreter = (kFixtures / "dosbox_interpreter.sh").string();

    // The program alone: its output and its exit code.
    const fs::path folder = root_ / "run";
    fs::create_directory(folder);
    ASSERT_TRUE(WriteRomDumpProgram(folder / "RomDump.com"));
    const std::string command = "'" + interpreter + "' /C '" + (folder / "RomDump.com").string() + "' '>' '"
                                + (folder / "Rom.dmp").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "the program did not end with exit code 0";
    const auto direct = FileBytes(folder / "Rom.dmp");
    ExpectDosBoxBiosEnd(direct);

    // The whole route, with DOSBox as the command interpreter.
    sources_.ComSpec = interpreter;
    ASSERT_TRUE(ReadBiosRom(image_, brDosProgram, 30000, sources_)) << RomLastError();
    EXPECT_EQ(Bytes(image_), direct);
    EXPECT_TRUE(fs::is_empty(Temp()));
}

} // namespace
