// The program with the benchmark's probe attached to its window.
#include "BenchProbe.h"
#include "app/Program.h"

int main(int argc, char* argv[]) { return RunProgram(argc, argv, [](TMainForm& form) { bench_probe::Attach(&form); }); }
