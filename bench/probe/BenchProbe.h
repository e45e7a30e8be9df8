#pragma once
// The probe of orvanzev_probe, the program as the benchmark runs it. It
// listens to the window's controllers, reads commands from standard input,
// one a line, and writes events to standard output as
//   probe <event> <CLOCK_MONOTONIC seconds> [fields...]
// so that the benchmark driver puts them on the same clock as its own.
//
// Commands:
//   locate ID      the centre of the toolbar element ID on the screen
//   open URL       OpenPage(URL), then "opened T0 T1" at its top-level completion
//   download       once the active tab offers its game: the download command,
//                  its message box answered; "downloaded T0 T1 STALL_MS ..."
//   stall          the longest stall of the user interface thread since start, in ms
//   stalls MS      every stall of at least MS milliseconds, one "stalled" each
// Events sent without a command: "ready" (with the scene graph the program
// chose and whether it has OpenGL), "home-complete", "toolbar-written",
// "click-reflected" (a toolbar click to its states written), "update-checked".
class TMainForm;

namespace bench_probe {

// Starts the probe on the main window; call once, before the event loop runs.
void Attach(TMainForm* form);

} // namespace bench_probe
