#include "TEmbeddedWB.h"

#include "BrowserProfile.h"
#include "THTMLDocument.h"

#include <QAction>
#include <QFileInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>

// The engine's page with the control's answers to its callbacks.
class TEmbeddedWBPage : public QWebEnginePage {
public:
    explicit TEmbeddedWBPage(TEmbeddedWB* view) : QWebEnginePage(BrowserProfile(), view), view_(view) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        bool cancel = false;
        emit view_->OnBeforeNavigate2(view_, isMainFrame ? view_->Application() : nullptr, url, cancel);
        return !cancel;
    }

    QWebEnginePage* createWindow(WebWindowType) override
    {
        QObject* ppDisp = nullptr;
        bool cancel = false;
        emit view_->OnNewWindow2(view_, ppDisp, cancel);
        return cancel ? nullptr : qobject_cast<QWebEnginePage*>(ppDisp);
    }

    void javaScriptAlert(const QUrl& origin, const QString& text) override
    {
        if (!view_->Silent())
            QWebEnginePage::javaScriptAlert(origin, text);
    }

    bool javaScriptConfirm(const QUrl& origin, const QString& text) override
    {
        return view_->Silent() ? false : QWebEnginePage::javaScriptConfirm(origin, text);
    }

    bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& value, QString* result) override
    {
        return view_->Silent() ? false : QWebEnginePage::javaScriptPrompt(origin, text, value, result);
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override
    {
        if (!view_->Silent())
            QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }

    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles, const QStringList& types) override
    {
        return view_->Silent() ? QStringList{} : QWebEnginePage::chooseFiles(mode, oldFiles, types);
    }

private:
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

} // namespace

TEmbeddedWB::TEmbeddedWB(QWidget* parent)
    : QWebEngineView(parent), page_(new TEmbeddedWBPage(this)), document_(new THTMLDocument(page_, this))
{
    setPage(page_);
    settleTimer_.setInterval(kSettlePollInterval);
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, &TEmbeddedWB::CheckMoviesSettled);
    connect(page_, &QWebEnginePage::loadStarted, this, &TEmbeddedWB::LoadStarted);
    connect(page_, &QWebEnginePage::loadFinished, this, &TEmbeddedWB::LoadFinished);
    connect(page_, &QWebEnginePage::titleChanged, this, [this](const QString& title) { emit OnTitleChange(this, title); });
    connect(page_->action(QWebEnginePage::Back), &QAction::changed, this,
            [this] { emit OnCommandStateChange(this, 2, page_->action(QWebEnginePage::Back)->isEnabled()); });
    connect(page_->action(QWebEnginePage::Forward), &QAction::changed, this,
            [this] { emit OnCommandStateChange(this, 1, page_->action(QWebEnginePage::Forward)->isEnabled()); });
}

TEmbeddedWB::~TEmbeddedWB()
{
    // The page (a child of the view) goes with the view; it must not call
    // back into the part of the control that is already gone.
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

void TEmbeddedWB::LoadStarted()
{
    ++loadSerial_;
    settleTimer_.stop();
    busy_ = true;
    readyState_ = 1;
    ReportNavigationState();
}

void TEmbeddedWB::LoadFinished(bool ok)
{
    readyState_ = 3;
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
