#pragma once
#include <QColor>
#include <QTabWidget>
#include <QUrl>

class TEmbeddedWB;
class TWebPageControlEx;

// One tab: a page holding exactly one browser that fills it, with what the
// program asks about the page shown.
class TWebPageEx : public QWidget {
    Q_OBJECT
    TWebPageControlEx* owner_;

public:
    explicit TWebPageEx(TWebPageControlEx* owner);

    bool CanGoBack = false;
    bool CanGoForward = false;
    bool Busy = false;
    bool DownloadReady = false; // true exactly when GameFileURL is set
    QString GameFileURL;
    QString GameName;
    // A page that declares no game but plays a movie: the name its download
    // takes (the title by the caption rules), set with the offer.
    QString MovieName;
    TEmbeddedWB* WebBrowser;

    // The name a download of this page's game is listed under.
    QString DownloadName() const { return GameName.isEmpty() ? MovieName : GameName; }

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool ShowClose() const { return showClose_; }
    void SetShowClose(bool showClose);

signals:
    // After every command state change and document completion.
    void OnStateChange(TWebPageEx* sender);
    void CaptionChanged(TWebPageEx* sender);
    void ShowCloseChanged(TWebPageEx* sender);

private:
    void BrowserBeforeNavigate2(TEmbeddedWB* sender, QObject* pDisp, const QUrl& url, bool& cancel);
    void BrowserDocumentComplete(TEmbeddedWB* sender, QObject* pDisp, const QUrl& url);
    void BrowserNewWindow2(TEmbeddedWB* sender, QObject*& ppDisp, bool& cancel);
    void BrowserCommandStateChange(TEmbeddedWB* sender, int command, bool enable);
    void BrowserTitleChange(TEmbeddedWB* sender, const QString& text);
    // What a document completion reads and sets: caption, game name and,
    // for the top-level document, the download offer; then OnStateChange.
    void ReadGamePageFacts(bool topLevel);
    void BrowserRenderProcessGone(TEmbeddedWB* sender);
    void ClearDownload();

    QString caption_;
    bool showClose_ = false;
    int navigationSerial_ = 0;
};

// The row of tabs in which web pages and games are played.
class TWebPageControlEx : public QTabWidget {
    Q_OBJECT
public:
    explicit TWebPageControlEx(QWidget* parent = nullptr);
    ~TWebPageControlEx() override;

    // Opens a new last tab, makes it active and navigates it to url (when
    // not empty); a close button on its tab when showClose.
    TWebPageEx* OpenPage(const QString& url, bool showClose);
    // Closes a tab and frees its page.
    void ClosePage(TWebPageEx* page);

    TWebPageEx* ActivePage() const;
    int ActivePageIndex() const { return currentIndex(); }
    TWebPageEx* Page(int index) const;
    int PageCount() const { return count(); }

    // The tab area's background: a gradient from one colour to another.
    void SetTabAreaBackground(const QColor& from, const QColor& to, Qt::Orientation direction);

    bool ShowCloseOnNonSelectedTabs = false;
    // Whether a page that declares no game offers the movie it plays.
    bool AnyMovieDownload = true;

signals:
    void OnChange(TWebPageControlEx* sender);

public slots:
    void PageStateChanged(TWebPageEx* sender);

private:
    void UpdateTabText(TWebPageEx* page);
    void UpdateCloseButton(TWebPageEx* page);
};
