#pragma once
// An open file descriptor that closes itself, and reads and writes that go
// on after interruptions and short transfers.
#include <cstdint>
#include <span>

#include <sys/types.h>
#include <unistd.h>

namespace platform {

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

// Bytes read from offset on, up to into.size() or the end of the file; -1
// with errno set on failure.
ssize_t ReadAt(int fd, std::span<std::uint8_t> into, off_t offset);
// Writes every byte; false with errno set on failure.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes);

} // namespace platform
