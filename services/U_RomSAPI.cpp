#include "U_RomSAPI.h"

#include "RomDumpProgram.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr off_t kRomAddress = 0xF0000;
constexpr std::string_view kWorkFolderPrefix = "~RomDmp";
constexpr const char* kProgramName = "RomDump.com";
constexpr const char* kOutputName = "Rom.dmp";

thread_local int lastError = 0;

bool Fail(int error)
{
    lastError = error;
    return false;
}

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor() { Close(); }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

class TMappedView {
public:
    TMappedView(int fd, std::size_t length, off_t offset)
        : address_(::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, offset)), length_(length)
    {
    }
    ~TMappedView()
    {
        if (address_ != MAP_FAILED)
            ::munmap(address_, length_);
    }
    TMappedView(const TMappedView&) = delete;
    TMappedView& operator=(const TMappedView&) = delete;

    explicit operator bool() const { return address_ != MAP_FAILED; }
    const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(address_); }

private:
    void* address_;
    std::size_t length_;
};

// Bytes read from offset on, up to size or the end of the file; -1 with errno set on failure.
ssize_t ReadAt(int fd, std::uint8_t* buffer, std::size_t size, off_t offset)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
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

// Creates name in folder and writes the program into it; a name that exists
// already, a symbolic link included, is refused.
bool WriteProgramAt(int folder, const char* name)
{
    TFileDescriptor file(::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file)
        return Fail(errno);
    if (WriteAll(file.Get(), RomDumpProgram()))
        return true;
    const int error = errno;
    file.Close();
    ::unlinkat(folder, name, 0);
    return Fail(error);
}

bool ReadOutputAt(int folder, TBiosRomImage& image)
{
    // Non-blocking, so that a FIFO put in place of the output cannot hold the open.
    TFileDescriptor output(::openat(folder, kOutputName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!output)
        return Fail(errno);
    struct stat status {};
    if (::fstat(output.Get(), &status) != 0)
        return Fail(errno);
    if (!S_ISREG(status.st_mode))
        return Fail(EINVAL);
    image.fill(0);
    const ssize_t got = ReadAt(output.Get(), image.data(), image.size(), 0);
    if (got < 0)
        return Fail(errno);
    return static_cast<std::size_t>(got) == image.size();
}

// True once the process has ended (and is reaped); false when the time limit passed first.
bool WaitForProcess(pid_t pid, std::uint32_t timeLimit)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimit);
    auto remaining = [&]() -> int {
        if (timeLimit == kInfinite)
            return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    };
    auto reap = [pid]() {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    };

    TFileDescriptor process(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (process) {
        for (;;) {
            pollfd ended{process.Get(), POLLIN, 0};
            const int wait = remaining();
            const int result = ::poll(&ended, 1, wait);
            if (result > 0 || (result < 0 && errno != EINTR)) {
                reap();
                return true;
            }
            if (result == 0 && wait == 0)
                return false;
        }
    }
    // Kernels without process descriptors: ask every few milliseconds.
    for (;;) {
        const pid_t result = ::waitpid(pid, nullptr, WNOHANG);
        if (result == pid || (result < 0 && errno != EINTR))
            return true;
        if (remaining() == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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
    TFileDescriptor device(::open(sources.MemoryDevice.c_str(), O_RDONLY | O_CLOEXEC));
    if (!device) {
        if (errno == EACCES || errno == EPERM)
            return ReadBiosRomByDosProgram(image, timeLimit, sources);
        return Fail(errno);
    }
    struct stat status {};
    if (::fstat(device.Get(), &status) != 0)
        return Fail(errno);
    // Reading a mapping past the end of a file faults, so a short file is only read.
    const off_t end = kRomAddress + static_cast<off_t>(image.size());
    if (!S_ISREG(status.st_mode) || status.st_size >= end) {
        const TMappedView view(device.Get(), image.size(), kRomAddress);
        if (view) {
            std::copy_n(view.Data(), image.size(), image.begin());
            return true;
        }
    }
    image.fill(0);
    const ssize_t got = ReadAt(device.Get(), image.data(), image.size(), kRomAddress);
    if (got < 0)
        return Fail(errno);
    if (static_cast<std::size_t>(got) != image.size())
        return Fail(ENXIO);
    return true;
}

bool ReadBiosRomByDosProgram(TBiosRomImage& image, std::uint32_t timeLimit, const TRomSources& sources)
{
    const std::filesystem::path temp = TempFolder(sources);
    TFileDescriptor tempFolder(::open(temp.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!tempFolder)
        return Fail(errno);

    // Taken only by creating it: a name that exists in any form moves on to the next number.
    std::string name;
    for (unsigned n = 1;; ++n) {
        name = std::string(kWorkFolderPrefix) + std::to_string(n);
        if (::mkdirat(tempFolder.Get(), name.c_str(), 0700) == 0)
            break;
        if (errno != EEXIST || n == UINT_MAX)
            return Fail(errno);
    }
    const std::filesystem::path folder = temp / name;

    bool read = false;
    TFileDescriptor work(::openat(tempFolder.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!work)
        Fail(errno);
    else if (WriteProgramAt(work.Get(), kProgramName)) {
        if (RunRomDumpProgram(folder / kProgramName, folder / kOutputName, timeLimit, sources))
            read = ReadOutputAt(work.Get(), image);
        ::unlinkat(work.Get(), kOutputName, 0);
        ::unlinkat(work.Get(), kProgramName, 0);
    }
    work.Close();
    ::unlinkat(tempFolder.Get(), name.c_str(), AT_REMOVEDIR);
    return read;
}

bool WriteRomDumpProgram(const std::filesystem::path& file)
{
    return WriteProgramAt(AT_FDCWD, file.c_str());
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
    std::vector<std::string> arguments = {comSpec, "/C", program.string(), ">", output.string()};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);

    // A process group of its own, so that it can be ended with everything it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    sigdelset(&signals, SIGKILL);
    sigdelset(&signals, SIGSTOP);
    posix_spawnattr_setsigdefault(&attributes, &signals);

    pid_t pid = 0;
    const int started = ::posix_spawn(&pid, comSpec.c_str(), &files, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (started != 0)
        return Fail(started);

    if (WaitForProcess(pid, timeLimit))
        return true;
    ::kill(-pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return Fail(ETIMEDOUT);
}
