#include "ToolbarController.h"

#include "MSHTMLEvents.h"
#include "O_WebPageControlEx.h"
#include "TEmbeddedWB.h"
#include "THTMLDocument.h"
#include "ToolbarDecisions.h"
#include "platform/ErrorReport.h"

#include <QTimer>
#include <QWidget>
#include <stdexcept>

TToolbarController::TToolbarController(TEmbeddedWB* top, TEmbeddedWB* leftView, QWidget* leftPanel,
                                       TWebPageControlEx* pager, const QString& homePage, QObject* parent)
    : QObject(parent), top_(top), leftView_(leftView), leftPanel_(leftPanel), pager_(pager), homePage_(homePage)
{
    connect(top, &TEmbeddedWB::OnDownloadComplete, this, &TToolbarController::DocumentComplete);
    connect(top, &TEmbeddedWB::OnBeforeNavigate2, this,
            [this](TEmbeddedWB* sender, QObject*, const QUrl&, bool&) { BeforeNavigate(sender); });
    connect(pager, &TWebPageControlEx::OnChange, this, &TToolbarController::PagerChange);
    // A change that came while the own pages loaded, or a toolbar page that
    // crashed and lost its looks, is shown once both pages are loaded.
    for (TEmbeddedWB* own : {top, leftView}) {
        connect(own, &TEmbeddedWB::OnRenderProcessGone, this, [this] { refreshOwed_ = true; });
        connect(own, &TEmbeddedWB::OnDocumentComplete, this, [this] {
            if (refreshOwed_ && !leftView_->Busy() && !top_->Busy() && top_->ReadyState() == 4) {
                refreshOwed_ = false;
                UpdateState();
            }
        });
    }
}

void TToolbarController::DocumentComplete(TEmbeddedWB* sender)
{
    THTMLDocument* document = sender->Document();
    if (!document)
        return;
    void* html = nullptr;
    if (FAILED(document->QueryInterface(IID_IHTMLDocument2, &html)) || !html)
        return;
    sender->DocumentEvents->onclick = [this](TMSHTMLHTMLDocumentEvents* sink) { return Click(sink); };
    sender->DocumentEvents->Connect(static_cast<IConnectionPointContainer*>(document));
}

void TToolbarController::BeforeNavigate(TEmbeddedWB* sender)
{
    if (sender->DocumentEvents)
        sender->DocumentEvents->Disconnect();
}

namespace {

// Back, Forward or Stop on the active tab's view.
void StepTab(TEmbeddedWB* view, TToolbarCommand command)
{
    if (command == TToolbarCommand::Back)
        view->GoBack();
    else if (command == TToolbarCommand::Forward)
        view->GoForward();
    else
        view->Stop();
}

} // namespace

bool TToolbarController::Click(TMSHTMLHTMLDocumentEvents* sender)
{
    emit ClickReceived();
    if (IUnknown* source = sender->Source()) {
        void* html = nullptr;
        if (FAILED(source->QueryInterface(IID_IHTMLDocument2, &html)) || !html)
            throw std::runtime_error("The toolbar page is no HTML document");
        const THTMLDocument::Event* event = top_->Document()->CurrentEvent();
        if (!event)
            throw std::runtime_error("The toolbar page has no current event");
        TWebPageEx* active = pager_->ActivePage();
        const TToolbarCommand command = ToolbarCommandFor(event->srcElementId);
        switch (command) {
        case TToolbarCommand::None:
            break;
        case TToolbarCommand::ToggleLeftView:
            emit ToggleLeftViewRequested();
            break;
        case TToolbarCommand::Back:
        case TToolbarCommand::Forward:
        case TToolbarCommand::Stop:
            if (active)
                StepTab(active->WebBrowser, command);
            break;
        case TToolbarCommand::Refresh:
            if (!active)
                throw std::runtime_error("There is no tab to refresh");
            active->WebBrowser->Refresh();
            break;
        case TToolbarCommand::HomePage: {
            TWebPageEx* home = pager_->Page(0);
            if (!home)
                throw std::runtime_error("The home page tab is missing");
            home->WebBrowser->Navigate(homePage_);
            pager_->setCurrentIndex(0);
            break;
        }
        case TToolbarCommand::Collect:
            // The library commands may show dialogs: run them once the click
            // has been answered, not inside the page's event.
            QTimer::singleShot(0, this, &TToolbarController::CollectRequested);
            break;
        case TToolbarCommand::Download:
            QTimer::singleShot(0, this, &TToolbarController::DownloadRequested);
            break;
        case TToolbarCommand::BossKey:
            emit BossKeyRequested();
            break;
        }
    }
    UpdateState();
    return false;
}

void TToolbarController::UpdateState()
{
    THTMLDocument* document = top_->Document();
    if (!document->Loaded())
        throw std::runtime_error("The toolbar page has no document");
    std::optional<TToolbarTabState> tab;
    if (TWebPageEx* page = pager_->ActivePage())
        tab = TToolbarTabState{page->CanGoBack, page->CanGoForward, page->Busy, page->DownloadReady};
    const int serial = ++writes_;
    emit StatesWriteSent(serial);
    document->SetElementDisplays(ToolbarDisplays(tab, !leftPanel_->isHidden()),
                                 [this, guard = QPointer<TToolbarController>(this), serial](const QString& missing) {
                                     if (guard)
                                         emit StatesWritten(serial, missing);
                                     if (!missing.isEmpty())
                                         platform::ReportException(
                                             QStringLiteral("The toolbar page has no element \"%1\"").arg(missing));
                                 });
}

void TToolbarController::PagerChange()
{
    if (leftView_->Busy() || top_->Busy()) {
        refreshOwed_ = true;
        return;
    }
    if (leftView_->ReadyState() == 4 || top_->ReadyState() == 4)
        UpdateState();
}
