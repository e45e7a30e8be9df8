#pragma once
// Runs another program to its end, with nothing on its standard streams.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// arguments[0] is the program's file (found by its path, not searched for).
// The program runs in a process group of its own, with the default signal
// handling; when the time limit passes first, it is ended together with
// everything it started. 0 once it has ended by itself, ETIMEDOUT when it
// was ended, or an errno value when it could not start.
int RunProcessGroup(const std::vector<std::string>& arguments, std::optional<std::chrono::milliseconds> timeLimit);

} // namespace platform
