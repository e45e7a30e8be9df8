#pragma once
#include "CrashReloadPolicy.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

class CrashNotice;
class THTMLDocument;
class TEmbeddedWBPage;
class TMSHTMLHTMLDocumentEvents;

// The program's web browser control: a Qt WebEngine view offering the
// members the rest of the program relies on (navigation, state, events,
// the document).
//
// A document counts as complete once the page has loaded and every Flash
// movie on it has loaded, or MovieSettleTime after the page load if a movie
// is still loading then.
//
// The engine's own menu never shows. A page may open one window without a
// user action in the control's life (none from a window opened that way);
// windows opened on a click are not limited. When the page's process dies
// the control logs it and shows a notice with a way to load the page again,
// or loads it again by itself if told to (ReloadAfterCrash) and its page
// does not keep crashing.
class TEmbeddedWB : public QWebEngineView {
    Q_OBJECT
public:
    explicit TEmbeddedWB(QWidget* parent = nullptr);
    ~TEmbeddedWB() override;

    // An address: a URL, or a file path optionally followed by "?query".
    void Navigate(const QString& address);
    void GoBack();
    void GoForward();
    void Stop();
    void Refresh();
    WId Handle();

    // The control's automation object: the identity a document completion
    // compares with, and what a new window request hands back.
    QObject* Application() const;
    THTMLDocument* Document() const { return document_; }
    QString LocationURL() const;
    bool Busy() const { return busy_; }
    int ReadyState() const { return readyState_; }
    bool Silent() const { return silent_; }
    void SetSilent(bool silent) { silent_ = silent; }
    // Windows the documents of this control open become plain navigations
    // of their new page: the site gets no opener and none of this control's
    // browsing context (for the program's own pages, whose links open sites).
    void SetWindowsDetached(bool detached) { windowsDetached_ = detached; }

    // The control's document event sink, connected by whoever needs it.
    TMSHTMLHTMLDocumentEvents* DocumentEvents;

    // Lets the documents of this control report their events (for the
    // program's own local pages only).
    void OfferDocumentEvents();
    // Offers one of the program's page-side scripts (a resource) to the
    // documents of this control; its requests arrive as OnPageRequest.
    void OfferPageScript(const QString& resource);

    int MovieSettleTime() const { return movieSettleTime_; }
    void SetMovieSettleTime(int milliseconds) { movieSettleTime_ = milliseconds; }

    static QUrl AddressToUrl(const QString& address);

    // How many windows a control may open without a user action in its life.
    static constexpr int kUnrequestedWindowLimit = 1;

    bool ReloadAfterCrash() const { return reloadAfterCrash_; }
    void SetReloadAfterCrash(bool reload) { reloadAfterCrash_ = reload; }

signals:
    // Before every navigation, frames included (pDisp is null for a frame).
    void OnBeforeNavigate2(TEmbeddedWB* sender, QObject* pDisp, const QUrl& url, bool& cancel);
    // For the top-level document (pDisp == Application()).
    void OnDocumentComplete(TEmbeddedWB* sender, QObject* pDisp, const QUrl& url);
    // A new window: hand back the Application() of the control that takes it.
    void OnNewWindow2(TEmbeddedWB* sender, QObject*& ppDisp, bool& cancel);
    // Command 1 forward, 2 back, -1 general update.
    void OnCommandStateChange(TEmbeddedWB* sender, int command, bool enable);
    void OnTitleChange(TEmbeddedWB* sender, const QString& text);
    void OnDownloadComplete(TEmbeddedWB* sender);
    // The page's process has died; the page is gone until the next load.
    void OnRenderProcessGone(TEmbeddedWB* sender);
    // A request of the program's own page-side script, answered at once.
    void OnPageRequest(TEmbeddedWB* sender, const QVariantMap& request, QString& answer);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    friend class TEmbeddedWBPage;
    void LoadStarted();
    void LoadFinished(bool ok);
    void DocumentLoaded(bool ok);
    void CheckMoviesSettled();
    void CompleteDocument();
    void ReportNavigationState();
    void RenderProcessTerminated(int status, int exitCode);
    void ShowCrashNotice();
    bool IsBridgeMessage(const QString& text) const;
    QString HandleBridgeMessage(const QString& text);

    TEmbeddedWBPage* page_;
    THTMLDocument* document_;
    QTimer settleTimer_;
    QElapsedTimer settleClock_;
    bool busy_ = false;
    int readyState_ = 0;
    bool silent_ = false;
    bool windowsDetached_ = false;
    int movieSettleTime_ = 5000;
    int loadSerial_ = 0;
    bool documentEventsOffered_ = false;
    bool pageScriptsOffered_ = false;
    int unrequestedWindowsLeft_ = kUnrequestedWindowLimit;
    bool reloadAfterCrash_ = false;
    bool pageScriptsMayBeMissing_ = false;
    CrashReloadPolicy crashPolicy_;
    QElapsedTimer crashClock_;
    QPointer<CrashNotice> crashNotice_;
};
