#pragma once
// The program from start to end: the application, the configuration and
// the main window.
#include <functional>

class TMainForm;

// Runs the program; beforeLoop sees the shown window before events are handled.
int RunProgram(int argc, char* argv[], const std::function<void(TMainForm&)>& beforeLoop = {});
