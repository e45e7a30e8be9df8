#include "U_RomSAPI.h"

#include "RomDumpProgram.h"
#include "platform/PhysicalMemory.h"
#include "platform/ProcessRun.h"
#include "platform/ScratchFolder.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kRomAddress = 0xF0000;
constexpr std::string_view kWorkFolderPrefix = "~RomDmp";
constexpr const char* kProgramName = "RomDump.com";
constexpr const char* kOutputName = "Rom.dmp";

thread_local int lastError = 0;

bool Fail(int error)
{
    lastError = error;
    return false;
}

std::filesystem::path TempFolder(const TRomSources& sources)
{
    if (sources.TempFolder)
        return *sources.TempFolder;
    const char* fromEnvironment = std::getenv("TMPDIR");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0')
        return fromEnvironment;
    return "/tmp";
}

} // namespace

int RomLastError()
{
    return lastError;
}

bool ReadBiosRom(TBiosRomImage& image, int mode, std::uint32_t timeLimit, const TRomSources& sources)
{
    switch (mode) {
    case brAuto:
    case brPhysicalSection:
        return ReadBiosRomFromSection(image, timeLimit, sources);
    case brDosProgram:
        return ReadBiosRomByDosProgram(image, timeLimit, sources);
    case brLinearMemory:
        return ReadBiosRomFromMemory(image);
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

bool ReadBiosRomFromMemory(TBiosRomImage&)
{
    // A process here sees no physical memory in its own address space.
    return Fail(ERROR_CALL_NOT_IMPLEMENTED);
}

bool ReadBiosRomFromSection(TBiosRomImage& image, std::uint32_t timeLimit, const TRomSources& sources)
{
    const int error = platform::ReadPhysicalMemory(sources.MemoryDevice, kRomAddress, image);
    if (error == EACCES || error == EPERM)
        return ReadBiosRomByDosProgram(image, timeLimit, sources);
    return error == 0 || Fail(error);
}

bool ReadBiosRomByDosProgram(TBiosRomImage& image, std::uint32_t timeLimit, const TRomSources& sources)
{
    platform::TScratchFolder work(TempFolder(sources), kWorkFolderPrefix);
    if (work.Error() != 0)
        return Fail(work.Error());
    if (const int error = work.WriteNewFile(kProgramName, RomDumpProgram()))
        return Fail(error);
    work.Own(kOutputName);
    if (!RunRomDumpProgram(work.Path(kProgramName), work.Path(kOutputName), timeLimit, sources))
        return false;
    image.fill(0);
    const long long got = work.ReadFile(kOutputName, image);
    if (got < 0)
        return Fail(static_cast<int>(-got));
    return static_cast<std::size_t>(got) == image.size();
}

bool WriteRomDumpProgram(const std::filesystem::path& file)
{
    const int error = platform::WriteNewFile(file, RomDumpProgram());
    return error == 0 || Fail(error);
}

bool RunRomDumpProgram(const std::filesystem::path& program, const std::filesystem::path& output,
                       std::uint32_t timeLimit, const TRomSources& sources)
{
    std::string comSpec;
    if (sources.ComSpec)
        comSpec = *sources.ComSpec;
    else if (const char* fromEnvironment = std::getenv("ComSpec"))
        comSpec = fromEnvironment;
    if (comSpec.empty())
        return false;
    // The interpreter itself redirects the program's output, as the command line asks.
    const std::vector<std::string> arguments = {comSpec, "/C", program.string(), ">", output.string()};
    std::optional<std::chrono::milliseconds> limit;
    if (timeLimit != kInfinite)
        limit = std::chrono::milliseconds(timeLimit);
    const int error = platform::RunProcessGroup(arguments, limit);
    return error == 0 || Fail(error);
}
