#pragma once
#include <filesystem>

namespace platform {

// Full path of the running executable.
std::filesystem::path ExecutablePath();
// The folder that holds the running executable.
std::filesystem::path ProgramFolder();

} // namespace platform
