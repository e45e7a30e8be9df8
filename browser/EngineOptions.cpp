#include "EngineOptions.h"

#include "platform/GraphicsDevice.h"

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtGlobal>

namespace engine_options {

QByteArray ChromiumFlags(const QByteArray& userFlags)
{
    QByteArray flags = userFlags.trimmed();
    const QList<QByteArray> words = flags.split(' ');
    for (const char* model : {"--process-per-site", "--process-per-tab", "--site-per-process", "--single-process"})
        for (const QByteArray& word : words)
            if (word == model || word.startsWith(QByteArray(model) + '='))
                return flags;
    if (!flags.isEmpty())
        flags += ' ';
    return flags + "--process-per-site";
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
