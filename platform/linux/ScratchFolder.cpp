#include "platform/ScratchFolder.h"

#include "platform/linux/FileDescriptor.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int WriteNewFileAt(int folder, const std::string& name, std::span<const std::uint8_t> bytes)
{
    TFileDescriptor file(::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file)
        return errno;
    if (WriteAll(file.Get(), bytes))
        return 0;
    const int error = errno;
    file.Close();
    ::unlinkat(folder, name.c_str(), 0);
    return error;
}

} // namespace

TScratchFolder::TScratchFolder(const std::filesystem::path& parent, std::string_view prefix)
{
    parent_ = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent_ < 0) {
        error_ = errno;
        return;
    }
    // Taken only by creating it: a name that exists in any form moves on to the next number.
    for (unsigned n = 1;; ++n) {
        name_ = std::string(prefix) + std::to_string(n);
        if (::mkdirat(parent_, name_.c_str(), 0700) == 0)
            break;
        if (errno != EEXIST || n == UINT_MAX) {
            error_ = errno;
            name_.clear();
            return;
        }
    }
    path_ = parent / name_;
    folder_ = ::openat(parent_, name_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder_ < 0)
        error_ = errno;
}

TScratchFolder::~TScratchFolder()
{
    if (folder_ >= 0) {
        for (const std::string& name : owned_)
            ::unlinkat(folder_, name.c_str(), 0);
        ::close(folder_);
    }
    if (parent_ >= 0) {
        if (!name_.empty())
            ::unlinkat(parent_, name_.c_str(), AT_REMOVEDIR);
        ::close(parent_);
    }
}

std::filesystem::path TScratchFolder::Path(std::string_view name) const
{
    return path_ / name;
}

int TScratchFolder::WriteNewFile(std::string_view name, std::span<const std::uint8_t> bytes)
{
    if (error_ != 0)
        return error_;
    const int error = WriteNewFileAt(folder_, std::string(name), bytes);
    if (error == 0)
        Own(name);
    return error;
}

long long TScratchFolder::ReadFile(std::string_view name, std::span<std::uint8_t> into)
{
    if (error_ != 0)
        return -error_;
    // Non-blocking, so that a FIFO put in place of the file cannot hold the open.
    TFileDescriptor file(::openat(folder_, std::string(name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file)
        return -errno;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        return -errno;
    if (!S_ISREG(status.st_mode))
        return -EINVAL;
    const ssize_t got = ReadAt(file.Get(), into, 0);
    return got < 0 ? -errno : got;
}

void TScratchFolder::Own(std::string_view name)
{
    owned_.emplace_back(name);
}

int WriteNewFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes)
{
    return WriteNewFileAt(AT_FDCWD, file.string(), bytes);
}

} // namespace platform
