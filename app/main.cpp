#include "F_MainForm.h"
#include "TApplication.h"
#include "U_Config.h"
#include "browser/EngineOptions.h"
#include "browser/FlashPlayer.h"
#include "platform/ProgramFolder.h"
#include "services/F_UpdateHint.h"
#ifdef ORVANZEV_BENCH_PROBE
#include "bench/probe/BenchProbe.h"
#endif

#include <QApplication>
#include <QMessageBox>
#include <memory>

int main(int argc, char* argv[])
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
        Config = config.get();
    } catch (const EConfigError& error) {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                        QString::fromStdString(error.what()), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Orvanzev"));

    TMainForm mainForm(platform::ProgramFolder());
    QObject::connect(&mainForm, &TMainForm::FormClosed, &application, &QApplication::quit, Qt::QueuedConnection);
    // A first balloon that is never shown; like every balloon it closes and
    // frees itself after ten seconds.
    UpdateHintForm = new TUpdateHintForm();
    mainForm.show();
#ifdef ORVANZEV_BENCH_PROBE
    bench_probe::Attach(&mainForm);
#endif
    const int result = application.exec();
    delete UpdateHintForm.data();
    return result;
}
