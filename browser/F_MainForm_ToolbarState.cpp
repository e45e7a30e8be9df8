// The toolbar page shows the state of the active tab and of the left bar.
#include "app/F_MainForm.h"
#include "O_WebPageControlEx.h"
#include "TEmbeddedWB.h"
#include "THTMLDocument.h"
#include "platform/ApplicationExceptions.h"
#ifdef ORVANZEV_BENCH_PROBE
#include "bench/probe/BenchProbe.h"
#endif

#include <stdexcept>

namespace {

void WritePair(QList<QPair<QString, QString>>& writes, const QString& active, const QString& inactive, bool condition)
{
    writes.append({active, condition ? QString() : QStringLiteral("none")});
    writes.append({inactive, condition ? QStringLiteral("none") : QString()});
}

} // namespace

void TMainForm::UpdateToolbarState(QObject*)
{
    THTMLDocument* document = wb_top->Document();
    if (!document->Loaded())
        throw std::runtime_error("The toolbar page has no document");
    QList<QPair<QString, QString>> writes;
    if (TWebPageEx* page = pager_web->ActivePage()) {
        WritePair(writes, QStringLiteral("Back_active"), QStringLiteral("Back_inactive"), page->CanGoBack);
        WritePair(writes, QStringLiteral("Forward_active"), QStringLiteral("Forward_inactive"), page->CanGoForward);
        WritePair(writes, QStringLiteral("Stop_active"), QStringLiteral("Stop_inactive"), page->Busy);
        WritePair(writes, QStringLiteral("Down_active"), QStringLiteral("Down_inactive"), page->DownloadReady);
    }
    WritePair(writes, QStringLiteral("Retract_leftBar"), QStringLiteral("Open_leftBar"), !pnl_left->isHidden());
#ifdef ORVANZEV_BENCH_PROBE
    const int probeMark = bench_probe::ToolbarWriteStarted();
#endif
    document->SetElementDisplays(writes, [=](const QString& missing) {
#ifdef ORVANZEV_BENCH_PROBE
        bench_probe::ToolbarWritten(probeMark);
#endif
        if (!missing.isEmpty())
            platform::ReportException(QStringLiteral("The toolbar page has no element \"%1\"").arg(missing));
    });
}

void TMainForm::PagerChange(QObject*)
{
    if (wb_left->Busy() || wb_top->Busy())
        return;
    if (wb_left->ReadyState() == 4 || wb_top->ReadyState() == 4)
        UpdateToolbarState(nullptr);
}
