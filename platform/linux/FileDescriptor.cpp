#include "platform/linux/FileDescriptor.h"

#include <cerrno>

namespace platform {

ssize_t ReadAt(int fd, std::span<std::uint8_t> into, off_t offset)
{
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(fd, into.data() + done, into.size() - done, offset + static_cast<off_t>(done));
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

} // namespace platform
