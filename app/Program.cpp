#include "Program.h"

#include "F_MainForm.h"
#include "Skin.h"
#include "TApplication.h"
#include "U_Config.h"
#include "browser/EngineOptions.h"
#include "browser/FlashPlayer.h"
#include "platform/EndSignals.h"
#include "platform/ProgramFolder.h"
#include "services/F_UpdateHint.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <memory>

int RunProgram(int argc, char* argv[], const std::function<void(TMainForm&)>& beforeLoop)
{
    flash::RegisterScheme();
    engine_options::BeforeApplication();
    TApplication application(argc, argv);
    engine_options::AfterApplication();
    QApplication::setApplicationName(QStringLiteral("orvanzev"));

    // The configuration lives as long as the process.
    std::unique_ptr<TConfig> config;
    try {
        config = std::make_unique<TConfig>();
    } catch (const EConfigError& error) {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                        QString::fromStdString(error.what()), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Orvanzev"));

    TMainForm mainForm(*config, platform::ProgramFolder());
    QObject::connect(&mainForm, &TMainForm::FormClosed, &application, &QApplication::quit, Qt::QueuedConnection);
    // Asked by the system to end, it ends as when the user closes it.
    platform::TEndSignals endSignals;
    QObject::connect(&endSignals, &platform::TEndSignals::EndRequested, &application, [&mainForm] {
        mainForm.close();
        QApplication::quit();
    });
    // A first balloon that is never shown; like every balloon it closes and
    // frees itself after ten seconds.
    QPointer<TUpdateHintForm> firstHint = new TUpdateHintForm(skin::Picture(QStringLiteral("balloon.bmp"), true));
    mainForm.show();
    if (beforeLoop)
        beforeLoop(mainForm);
    const int result = application.exec();
    delete firstHint.data();
    return result;
}
