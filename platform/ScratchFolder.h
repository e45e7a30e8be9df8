#pragma once
// A private folder for a short piece of work: created under a name nobody
// holds, its files written only where no file was, and all of it removed
// again when the work is done.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class TScratchFolder {
public:
    // Creates parent/<prefix><n>, n the first number from 1 that no file or
    // folder of any kind holds. Error() tells when that failed.
    TScratchFolder(const std::filesystem::path& parent, std::string_view prefix);
    // Removes the files named by Own() or written here, then the folder
    // when nothing else is left in it.
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    // 0 once the folder exists, else an errno value.
    int Error() const { return error_; }
    std::filesystem::path Path(std::string_view name) const;

    // Creates the file and writes bytes; never over an existing name, a
    // symbolic link included. 0 or an errno value.
    int WriteNewFile(std::string_view name, std::span<const std::uint8_t> bytes);
    // Fills into from a regular file that another process left here (no
    // link, no FIFO); the bytes read, or minus an errno value.
    long long ReadFile(std::string_view name, std::span<std::uint8_t> into);
    // A file that others will write here, removed with the folder.
    void Own(std::string_view name);

private:
    std::filesystem::path path_;
    std::string name_;
    int parent_ = -1;
    int folder_ = -1;
    int error_ = 0;
    std::vector<std::string> owned_;
};

// Creates file and writes bytes; never over an existing name, a symbolic link
// included. 0 or an errno value.
int WriteNewFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

} // namespace platform
