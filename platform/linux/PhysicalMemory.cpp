#include "platform/PhysicalMemory.h"

#include "platform/linux/FileDescriptor.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

namespace platform {

namespace {

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

} // namespace

int ReadPhysicalMemory(const std::filesystem::path& device, std::uint64_t address, std::span<std::uint8_t> into)
{
    TFileDescriptor memory(::open(device.c_str(), O_RDONLY | O_CLOEXEC));
    if (!memory)
        return errno;
    struct stat status {};
    if (::fstat(memory.Get(), &status) != 0)
        return errno;
    const auto offset = static_cast<off_t>(address);
    // Reading a mapping past the end of a file faults, so a short file is only read.
    if (!S_ISREG(status.st_mode) || status.st_size >= offset + static_cast<off_t>(into.size())) {
        const TMappedView view(memory.Get(), into.size(), offset);
        if (view) {
            std::copy_n(view.Data(), into.size(), into.begin());
            return 0;
        }
    }
    std::fill(into.begin(), into.end(), 0);
    const ssize_t got = ReadAt(memory.Get(), into, offset);
    if (got < 0)
        return errno;
    return static_cast<std::size_t>(got) == into.size() ? 0 : ENXIO;
}

} // namespace platform
