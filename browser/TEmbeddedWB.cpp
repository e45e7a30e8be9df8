#include "TEmbeddedWB.h"

#include "BrowserProfile.h"
#include "CrashNotice.h"
#include "MSHTMLEvents.h"
#include "THTMLDocument.h"
#include "platform/ErrorReport.h"

#include <QAction>
#include <QChildEvent>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QResizeEvent>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

// The engine's page with the control's answers to its callbacks.
class TEmbeddedWBPage : public QWebEnginePage {
public:
    explicit TEmbeddedWBPage(TEmbeddedWB* view) : QWebEnginePage(BrowserProfile(), view), view_(view)
    {
        // createWindow (left as it is: no page) is asked first and is not
        // told whether the user asked for the window; this request is.
        connect(this, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) { platform::Guarded([&] { NewWindow(request); }); });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        bool cancel = false;
        platform::Guarded(
            [&] { emit view_->OnBeforeNavigate2(view_, isMainFrame ? view_->Application() : nullptr, url, cancel); });
        return !cancel;
    }

    void NewWindow(QWebEngineNewWindowRequest& request)
    {
        const bool userInitiated = request.isUserInitiated();
        if (!userInitiated) {
            if (view_->unrequestedWindowsLeft_ <= 0)
                return;
            --view_->unrequestedWindowsLeft_;
        }
        QObject* ppDisp = nullptr;
        bool cancel = false;
        emit view_->OnNewWindow2(view_, ppDisp, cancel);
        auto* page = cancel ? nullptr : dynamic_cast<TEmbeddedWBPage*>(ppDisp);
        if (!page)
            return;
        // A window nobody asked for opens none of its own: no chains.
        if (!userInitiated)
            page->view_->unrequestedWindowsLeft_ = 0;
        if (view_->windowsDetached_)
            page->view_->Navigate(request.requestedUrl().toString(QUrl::FullyEncoded));
        else
            request.openIn(page);
    }

    void javaScriptAlert(const QUrl& origin, const QString& text) override
    {
        if (!view_->Silent())
            QWebEnginePage::javaScriptAlert(origin, text);
    }

    // The engine asks whether to leave a page whose leave handler objects
    // with this question of its own; without dialogs the answer is yes.
    bool javaScriptConfirm(const QUrl& origin, const QString& text) override
    {
        if (view_->Silent())
            return text == LeaveQuestion();
        return QWebEnginePage::javaScriptConfirm(origin, text);
    }

    bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& value, QString* result) override
    {
        if (view_->IsBridgeMessage(text)) {
            *result = view_->HandleBridgeMessage(text);
            return true;
        }
        return view_->Silent() ? false : QWebEnginePage::javaScriptPrompt(origin, text, value, result);
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override
    {
        if (view_->IsBridgeMessage(message))
            view_->HandleBridgeMessage(message);
        else if (!view_->Silent())
            QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }

    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles, const QStringList& types) override
    {
        return view_->Silent() ? QStringList{} : QWebEnginePage::chooseFiles(mode, oldFiles, types);
    }

private:
    static QString LeaveQuestion()
    {
        return QCoreApplication::translate(
            "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
    }

    TEmbeddedWB* view_;
};

namespace {

// Counts the Flash movies of the document that are still loading: embeds and
// objects the player has not taken over yet, and players not yet loaded.
const char kMoviesLoadingScript[] = R"JS(
(function () {
  var loading = 0;
  var looksFlash = function (e) {
    var type = (e.getAttribute("type") || "").toLowerCase();
    var src = (e.getAttribute("src") || e.getAttribute("data") || "").toLowerCase();
    return type.indexOf("shockwave-flash") >= 0 || /\.swf(\?|#|$)/.test(src);
  };
  document.querySelectorAll("embed, object").forEach(function (e) { if (looksFlash(e)) loading++; });
  document.querySelectorAll("ruffle-embed, ruffle-object, ruffle-player").forEach(function (p) {
    if (p.readyState !== 2) loading++;
  });
  return loading;
})()
)JS";

constexpr int kSettlePollInterval = 40;

// Set in the page by the program's page-side scripts as they start.
const char kPageScriptsRanMark[] = "window.__orvanzevPageScripts";

// Marks the page-side reports of this process; pages cannot guess it.
const QString& BridgeToken()
{
    static const QString token = QStringLiteral("orvanzev-events-%1%2")
                                     .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'))
                                     .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    return token;
}

} // namespace

TEmbeddedWB::TEmbeddedWB(QWidget* parent)
    : QWebEngineView(parent),
      DocumentEvents(new TMSHTMLHTMLDocumentEvents(this)),
      page_(new TEmbeddedWBPage(this)),
      document_(new THTMLDocument(page_, this))
{
    connect(document_, &THTMLDocument::EventFailed, this, [](const QString& message) { platform::ReportException(message); });
    setPage(page_);
    setContextMenuPolicy(Qt::NoContextMenu);
    crashClock_.start();
    settleTimer_.setInterval(kSettlePollInterval);
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, &TEmbeddedWB::CheckMoviesSettled);
    // Handlers of the control's events never throw into the engine.
    connect(page_, &QWebEnginePage::loadStarted, this, [this] { platform::Guarded([this] { LoadStarted(); }); });
    connect(page_, &QWebEnginePage::loadFinished, this,
            [this](bool ok) { platform::Guarded([this, ok] { LoadFinished(ok); }); });
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                platform::Guarded([&] { RenderProcessTerminated(status, exitCode); });
            });
    connect(page_, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        platform::Guarded([&] { emit OnTitleChange(this, title); });
    });
    for (auto [action, command] : {std::pair{QWebEnginePage::Back, 2}, std::pair{QWebEnginePage::Forward, 1}}) {
        connect(page_->action(action), &QAction::changed, this, [this, action, command] {
            platform::Guarded([&] { emit OnCommandStateChange(this, command, page_->action(action)->isEnabled()); });
        });
    }
}

TEmbeddedWB::~TEmbeddedWB()
{
    // The page (a child of the view) goes with the view; it must not call
    // back into the part of the control that is already gone.
    DocumentEvents->Disconnect();
    document_->Close();
    settleTimer_.stop();
    disconnect(page_, nullptr, this, nullptr);
}

QUrl TEmbeddedWB::AddressToUrl(const QString& address)
{
    if (address.startsWith(QLatin1Char('/'))) {
        const qsizetype mark = address.indexOf(QLatin1Char('?'));
        QUrl url = QUrl::fromLocalFile(mark < 0 ? address : address.left(mark));
        if (mark >= 0)
            url.setQuery(address.mid(mark + 1));
        return url;
    }
    return QUrl::fromUserInput(address);
}

void TEmbeddedWB::Navigate(const QString& address) { page_->load(AddressToUrl(address)); }
void TEmbeddedWB::GoBack() { page_->triggerAction(QWebEnginePage::Back); }
void TEmbeddedWB::GoForward() { page_->triggerAction(QWebEnginePage::Forward); }
void TEmbeddedWB::Stop() { page_->triggerAction(QWebEnginePage::Stop); }
void TEmbeddedWB::Refresh() { page_->triggerAction(QWebEnginePage::Reload); }
WId TEmbeddedWB::Handle() { return winId(); }
QObject* TEmbeddedWB::Application() const { return page_; }
QString TEmbeddedWB::LocationURL() const { return page_->url().toString(); }

void TEmbeddedWB::OfferDocumentEvents()
{
    if (documentEventsOffered_)
        return;
    documentEventsOffered_ = true;
    OfferPageScript(QStringLiteral(":/scripts/document_events.js"));
}

void TEmbeddedWB::OfferPageScript(const QString& resource)
{
    pageScriptsOffered_ = true;
    QFile file(resource);
    file.open(QIODevice::ReadOnly);
    QWebEngineScript script;
    script.setName(resource);
    script.setSourceCode(QString::fromLatin1(kPageScriptsRanMark) + QLatin1String(" = true;\n")
                         + QString::fromUtf8(file.readAll()).replace(QStringLiteral("%TOKEN%"), BridgeToken()));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    page_->scripts().insert(script);
}

bool TEmbeddedWB::IsBridgeMessage(const QString& text) const
{
    return pageScriptsOffered_ && text.startsWith(BridgeToken() + QLatin1Char('\n'));
}

// "<token>\n<answer|tell>\n<dispatch id>\n<event type>\n<source element id>"
QString TEmbeddedWB::HandleBridgeMessage(const QString& text)
{
    // Only the program's own local pages report events; anything else
    // loaded into this control is answered and ignored.
    if (!page_->url().isLocalFile())
        return QStringLiteral("true");
    const QString request = BridgeToken() + QStringLiteral("\nrequest\n");
    if (text.startsWith(request)) {
        QString answer;
        platform::Guarded([&] {
            const QVariantMap fields = QJsonDocument::fromJson(text.mid(request.size()).toUtf8()).toVariant().toMap();
            emit OnPageRequest(this, fields, answer);
        });
        return answer;
    }
    const QStringList parts = text.split(QLatin1Char('\n'));
    if (!documentEventsOffered_ || parts.size() != 5)
        return QStringLiteral("true");
    bool allowed = true;
    platform::Guarded([&] {
        allowed = document_->FireEvent(parts[2].toInt(), THTMLDocument::Event{parts[3], parts[4]});
    });
    return allowed ? QStringLiteral("true") : QStringLiteral("false");
}

void TEmbeddedWB::LoadStarted()
{
    if (crashNotice_)
        crashNotice_->hide();
    ++loadSerial_;
    document_->SetLoaded(false);
    settleTimer_.stop();
    busy_ = true;
    readyState_ = 1;
    ReportNavigationState();
}

// Once a process of this control has crashed, the engine may leave the
// program's page-side scripts out of the page (it does so when the views
// of one process load again at the same time): each load then checks that
// they ran and runs them itself if not.
void TEmbeddedWB::LoadFinished(bool ok)
{
    if (!ok || !pageScriptsMayBeMissing_) {
        DocumentLoaded(ok);
        return;
    }
    const int serial = loadSerial_;
    page_->runJavaScript(QString::fromLatin1(kPageScriptsRanMark) + QLatin1String(" === true"),
                         QWebEngineScript::ApplicationWorld, [this, serial](const QVariant& ran) {
                             if (serial != loadSerial_)
                                 return;
                             if (!ran.toBool())
                                 for (const QWebEngineScript& script : page_->scripts().toList())
                                     if (script.worldId() == QWebEngineScript::ApplicationWorld)
                                         page_->runJavaScript(script.sourceCode(), QWebEngineScript::ApplicationWorld);
                             platform::Guarded([this] { DocumentLoaded(true); });
                         });
}

void TEmbeddedWB::DocumentLoaded(bool ok)
{
    readyState_ = 3;
    document_->SetLoaded(ok);
    emit OnDownloadComplete(this);
    if (!ok) {
        CompleteDocument();
        return;
    }
    settleClock_.start();
    CheckMoviesSettled();
}

void TEmbeddedWB::CheckMoviesSettled()
{
    const int serial = loadSerial_;
    document_->execScript(QString::fromLatin1(kMoviesLoadingScript), [this, serial](const QVariant& loading) {
        if (serial != loadSerial_ || readyState_ != 3)
            return;
        if (loading.toInt() == 0 || settleClock_.elapsed() >= movieSettleTime_)
            CompleteDocument();
        else
            settleTimer_.start();
    });
}

void TEmbeddedWB::CompleteDocument()
{
    settleTimer_.stop();
    busy_ = false;
    readyState_ = 4;
    ReportNavigationState();
    emit OnDocumentComplete(this, Application(), page_->url());
}

void TEmbeddedWB::ReportNavigationState()
{
    emit OnCommandStateChange(this, -1, true);
}

void TEmbeddedWB::RenderProcessTerminated(int status, int exitCode)
{
    static const char* const kStatus[] = {"ended", "ended abnormally", "crashed", "was killed"};
    const QUrl url = page_->url().isEmpty() ? page_->requestedUrl() : page_->url();
    platform::ReportException(QStringLiteral("The page process of %1 %2 (exit code %3)")
                                  .arg(url.toString(), QLatin1String(kStatus[qBound(0, status, 3)]))
                                  .arg(exitCode));
    ++loadSerial_;
    settleTimer_.stop();
    document_->SetLoaded(false);
    busy_ = false;
    readyState_ = 0;
    emit OnRenderProcessGone(this);
    pageScriptsMayBeMissing_ = pageScriptsOffered_;
    if (reloadAfterCrash_ && crashPolicy_.ShouldReload(crashClock_.elapsed())) {
        // Loading again once the engine has finished reporting the crash;
        // nobody takes the view for idle meanwhile.
        busy_ = true;
        readyState_ = 1;
        ReportNavigationState();
        QTimer::singleShot(0, this, &TEmbeddedWB::Refresh);
        return;
    }
    ReportNavigationState();
    ShowCrashNotice();
}

void TEmbeddedWB::ShowCrashNotice()
{
    if (!crashNotice_) {
        crashNotice_ = new CrashNotice(this);
        connect(crashNotice_, &CrashNotice::ReloadClicked, this, &TEmbeddedWB::Refresh);
    }
    crashNotice_->setGeometry(rect());
    crashNotice_->raise();
    crashNotice_->show();
}

// The engine may give the view a new surface for its page while the notice
// shows (another view of the same process loads again): it stays on top.
// Children arrive while the view is still being built, before its members
// exist, so the notice is looked up among them.
void TEmbeddedWB::childEvent(QChildEvent* event)
{
    QWebEngineView::childEvent(event);
    if (!event->added() || !event->child()->isWidgetType())
        return;
    if (auto* notice = findChild<CrashNotice*>(QString(), Qt::FindDirectChildrenOnly); notice && notice->isVisible())
        QTimer::singleShot(0, notice, &QWidget::raise);
}

void TEmbeddedWB::resizeEvent(QResizeEvent* event)
{
    QWebEngineView::resizeEvent(event);
    if (crashNotice_)
        crashNotice_->setGeometry(rect());
}
