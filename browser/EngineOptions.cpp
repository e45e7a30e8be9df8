#include "EngineOptions.h"

#include "platform/GraphicsDevice.h"

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtGlobal>

namespace engine_options {

namespace {

bool Given(const QList<QByteArray>& words, std::initializer_list<const char*> switches)
{
    for (const char* name : switches)
        for (const QByteArray& word : words)
            if (word == name || word.startsWith(QByteArray(name) + '='))
                return true;
    return false;
}

} // namespace

QByteArray ChromiumFlags(const QByteArray& userFlags)
{
    QByteArray flags = userFlags.trimmed();
    const QList<QByteArray> words = flags.split(' ');
    QList<QByteArray> added;
    if (!Given(words, {"--process-per-site", "--process-per-tab", "--site-per-process", "--single-process"}))
        added << "--process-per-site";
    // The engine splits its switches at spaces, the script engine its own
    // at any whitespace: a tab keeps both of these in the one switch.
    if (!Given(words, {"--js-flags"}))
        added << "--js-flags=--wasm-lazy-compilation\t--wasm-num-compilation-tasks=1";
    if (!flags.isEmpty() && !added.isEmpty())
        flags += ' ';
    return flags + added.join(' ');
}

namespace {

bool windowingSystemAsked = false;

} // namespace

void BeforeApplication(const std::filesystem::path& devices)
{
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", ChromiumFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
    for (const char* choice : {"QT_QUICK_BACKEND", "QSG_RHI_BACKEND", "QT_XCB_GL_INTEGRATION"})
        if (qEnvironmentVariableIsSet(choice))
            return;
    if (platform::HasGraphicsDevice(devices))
        return;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    windowingSystemAsked = true;
}

void AfterApplication()
{
    if (windowingSystemAsked)
        qunsetenv("QT_XCB_GL_INTEGRATION");
    windowingSystemAsked = false;
}

} // namespace engine_options
