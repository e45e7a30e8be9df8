#pragma once
// How the program sets up the web engine before its first browser control
// exists.
#include <QByteArray>
#include <filesystem>

namespace engine_options {

// The engine's switches: the user's own (QTWEBENGINE_CHROMIUM_FLAGS), then
// the program's. The tabs of one site share one renderer process
// (--process-per-site), unless the user chose a process model. The player's
// WebAssembly is compiled a function at a time, when first called
// (--wasm-lazy-compilation), and what the script engine still compiles and
// checks in the background takes one worker thread at most
// (--wasm-num-compilation-tasks=1), unless the user gave the script
// engine's own switches: a game starts without waiting for all of the
// player's code, and the page's thread and the engine's other work (the
// font lookups of the player's first layout) are not starved meanwhile.
QByteArray ChromiumFlags(const QByteArray& userFlags);

// Before the application object: ChromiumFlags into QTWEBENGINE_CHROMIUM_FLAGS.
// Without a graphics device OpenGL could only be emulated on the processor,
// which costs far more than drawing the engine's frames with Qt Quick's
// software renderer: that renderer is chosen, and the windowing system is
// asked for no OpenGL at all (the engine then composes its pages without
// the GPU too). QT_QUICK_BACKEND, QSG_RHI_BACKEND or QT_XCB_GL_INTEGRATION,
// when set, decide instead.
void BeforeApplication(const std::filesystem::path& devices = "/dev");
// Right after the application object: what BeforeApplication put into the
// environment for the windowing system is taken out again, so that programs
// started from here (the desktop's web browser) do not inherit it.
void AfterApplication();

} // namespace engine_options
