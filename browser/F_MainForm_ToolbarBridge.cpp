// Clicks on the toolbar page become commands; new windows of the left view
// become tabs.
#include "app/F_MainForm.h"
#include "app/U_Config.h"
#include "MSHTMLEvents.h"
#include "O_WebPageControlEx.h"
#include "TEmbeddedWB.h"
#include "THTMLDocument.h"
#ifdef ORVANZEV_BENCH_PROBE
#include "bench/probe/BenchProbe.h"
#endif

#include <QTimer>
#include <stdexcept>

void TMainForm::TopViewDownloadComplete(TEmbeddedWB* sender)
{
    THTMLDocument* document = sender->Document();
    if (!document)
        return;
    void* html = nullptr;
    if (FAILED(document->QueryInterface(IID_IHTMLDocument2, &html)) || !html)
        return;
    sender->DocumentEvents->onclick = [this](TMSHTMLHTMLDocumentEvents* sink) { return ToolbarClick(sink); };
    sender->DocumentEvents->Connect(static_cast<IConnectionPointContainer*>(document));
}

void TMainForm::TopViewBeforeNavigate(TEmbeddedWB* sender, QObject*, const QUrl&, bool&)
{
    if (sender->DocumentEvents)
        sender->DocumentEvents->Disconnect();
}

bool TMainForm::ToolbarClick(TMSHTMLHTMLDocumentEvents* sender)
{
#ifdef ORVANZEV_BENCH_PROBE
    bench_probe::ToolbarClicked();
#endif
    if (IUnknown* source = sender->Source()) {
        void* html = nullptr;
        if (FAILED(source->QueryInterface(IID_IHTMLDocument2, &html)) || !html)
            throw std::runtime_error("The toolbar page is no HTML document");
        const THTMLDocument::Event* event = wb_top->Document()->CurrentEvent();
        if (!event)
            throw std::runtime_error("The toolbar page has no current event");
        const QString id = event->srcElementId;
        TWebPageEx* active = pager_web->ActivePage();
        if (id == QLatin1String("ShowLeftView")) {
            ToggleLeftView();
        } else if (id == QLatin1String("Back")) {
            if (active)
                active->WebBrowser->GoBack();
        } else if (id == QLatin1String("Forward")) {
            if (active)
                active->WebBrowser->GoForward();
        } else if (id == QLatin1String("Stop")) {
            if (active)
                active->WebBrowser->Stop();
        } else if (id == QLatin1String("Refresh")) {
            if (!active)
                throw std::runtime_error("There is no tab to refresh");
            active->WebBrowser->Refresh();
        } else if (id == QLatin1String("HomePage")) {
            TWebPageEx* home = pager_web->Page(0);
            if (!home)
                throw std::runtime_error("The home page tab is missing");
            home->WebBrowser->Navigate(QString::fromStdString(Config->HomePage));
            pager_web->setCurrentIndex(0);
        } else if (id == QLatin1String("Collect")) {
            // The library commands may show dialogs: run them once the click
            // has been answered, not inside the page's event.
            QTimer::singleShot(0, this, &TMainForm::CollectGame);
        } else if (id == QLatin1String("Down_active_click")) {
            QTimer::singleShot(0, this, &TMainForm::DownloadGame);
        } else if (id == QLatin1String("BossKey")) {
            BossKey();
        }
    }
    UpdateToolbarState(nullptr);
    return false;
}

void TMainForm::LeftViewNewWindow(TEmbeddedWB*, QObject*& ppDisp, bool& cancel)
{
    TWebPageEx* page = pager_web->OpenPage(QString(), true);
    ppDisp = page->WebBrowser->Application();
    cancel = false;
}
