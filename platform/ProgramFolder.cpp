#include "ProgramFolder.h"

namespace platform {

std::filesystem::path ExecutablePath()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path{} : path;
}

std::filesystem::path ProgramFolder()
{
    return ExecutablePath().parent_path();
}

} // namespace platform
