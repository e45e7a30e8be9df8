#include "O_WebPageControlEx.h"

#include "CaptionRules.h"
#include "FlashPlayer.h"
#include "GameDownloadCheck.h"
#include "TEmbeddedWB.h"
#include "THTMLDocument.h"

#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Everything a document completion reads from the page's script world, in
// one exchange so that the answers belong to the same document. A page's
// texts cross cut to 4096 characters, far more than a caption or a list
// keeps; an address longer than that is no address of a game file.
const char kGamePageFactsScript[] = R"JS(
(function () {
  var facts = {};
  var limit = 4096;
  var text = function (v) { return v == null ? "" : String(v).slice(0, limit); };
  try { facts.title = text(document.title); } catch (e) {}
  try { if ("n" in window) facts.n = text(window.n); } catch (e) {}
  try { if (location.host != null) facts.host = String(location.host); } catch (e) {}
  try { if (location.protocol != null) facts.protocol = String(location.protocol); } catch (e) {}
  try {
    if ("f" in window) {
      var f = window.f == null ? "" : String(window.f);
      if (f.length <= limit) facts.f = f;
    }
  } catch (e) {}
  try {
    var nPercent = Math.abs(movie.PercentLoaded());
    if (typeof nPercent === "number" && isFinite(nPercent)) facts.percent = nPercent;
  } catch (e) {}
  // The largest player on the page whose movie was loaded, by the final
  // address of that load.
  try {
    var loads = window.__orvanzevLoads || [];
    var best = null;
    document.querySelectorAll("ruffle-embed, ruffle-object").forEach(function (player) {
      var param = player.querySelector("param[name='movie' i], param[name='src' i]");
      var source = player.getAttribute("src") || player.getAttribute("data") || (param && param.getAttribute("value"));
      if (!source) return;
      var requested = new URL(source, document.baseURI).href;
      var load = null;
      for (var i = 0; i < loads.length; i++)
        if (loads[i].requested === requested && loads[i].ok) load = loads[i];
      if (!load) return;
      var box = player.getBoundingClientRect();
      var area = box.width * box.height;
      if (best && area <= best.area) return;
      var ready = false;
      try { ready = player.PercentLoaded() === 100; } catch (e) {}
      best = { url: String(load.url), area: area, ready: ready };
    });
    if (best && best.url.length <= limit) {
      facts.movie = best.url;
      facts.movieReady = best.ready;
    }
  } catch (e) {}
  return facts;
})()
)JS";

GamePageFacts ToFacts(const QVariantMap& map)
{
    GamePageFacts facts;
    auto text = [&map](const char* key) -> std::optional<QString> {
        const auto it = map.find(QLatin1String(key));
        return it == map.end() ? std::nullopt : std::optional<QString>(it->toString());
    };
    facts.title = text("title");
    facts.n = text("n");
    facts.host = text("host");
    facts.protocol = text("protocol");
    facts.f = text("f");
    if (const auto it = map.find(QStringLiteral("percent")); it != map.end())
        facts.percent = it->toDouble();
    facts.movie = text("movie");
    facts.movieReady = map.value(QStringLiteral("movieReady")).toBool();
    return facts;
}

} // namespace

TWebPageEx::TWebPageEx(TWebPageControlEx* owner) : QWidget(owner), owner_(owner), WebBrowser(nullptr)
{
    WebBrowser = new TEmbeddedWB(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser);
    connect(WebBrowser, &TEmbeddedWB::OnBeforeNavigate2, this, &TWebPageEx::BrowserBeforeNavigate2);
    connect(WebBrowser, &TEmbeddedWB::OnDocumentComplete, this, &TWebPageEx::BrowserDocumentComplete);
    connect(WebBrowser, &TEmbeddedWB::OnNewWindow2, this, &TWebPageEx::BrowserNewWindow2);
    connect(WebBrowser, &TEmbeddedWB::OnCommandStateChange, this, &TWebPageEx::BrowserCommandStateChange);
    connect(WebBrowser, &TEmbeddedWB::OnTitleChange, this, &TWebPageEx::BrowserTitleChange);
    connect(WebBrowser, &TEmbeddedWB::OnRenderProcessGone, this, &TWebPageEx::BrowserRenderProcessGone);
    WebBrowser->SetSilent(true);
    flash::OfferTo(WebBrowser->page());
}

void TWebPageEx::SetCaption(const QString& caption)
{
    caption_ = caption;
    emit CaptionChanged(this);
}

void TWebPageEx::SetShowClose(bool showClose)
{
    showClose_ = showClose;
    emit ShowCloseChanged(this);
}

void TWebPageEx::ClearDownload()
{
    GameFileURL.clear();
    MovieName.clear();
    DownloadReady = false;
}

void TWebPageEx::BrowserBeforeNavigate2(TEmbeddedWB*, QObject* pDisp, const QUrl& url, bool&)
{
    const bool topLevel = pDisp == WebBrowser->Application();
    if (topLevel)
        ++navigationSerial_;
    SetCaption(captions::FromUrl(url.toString()));
    GameName.clear();
    ClearDownload();
    // The engine reports no completion of a frame: once the page itself is
    // complete, the caption and game name come back as that completion
    // would bring them. While the page loads, its own completion does.
    if (!topLevel && WebBrowser->ReadyState() == 4)
        ReadGamePageFacts(false);
}

void TWebPageEx::BrowserTitleChange(TEmbeddedWB*, const QString& text)
{
    SetCaption(GameName.isEmpty() ? captions::FromTitle(text) : captions::FromGameName(GameName));
    // Painted with the next pass of the event loop, once for any number of
    // changes until then.
    if (owner_)
        owner_->tabBar()->update();
}

void TWebPageEx::BrowserCommandStateChange(TEmbeddedWB*, int command, bool enable)
{
    if (command == -1)
        Busy = WebBrowser->Busy();
    else if (command == 1)
        CanGoForward = enable;
    else if (command == 2)
        CanGoBack = enable;
    emit OnStateChange(this);
}

// The game went with the page: nothing to download until the next load.
// The browser reports its new state (not busy) right after.
void TWebPageEx::BrowserRenderProcessGone(TEmbeddedWB*)
{
    ++navigationSerial_;
    ClearDownload();
}

void TWebPageEx::BrowserNewWindow2(TEmbeddedWB*, QObject*& ppDisp, bool& cancel)
{
    TWebPageEx* page = owner_->OpenPage(QString(), true);
    ppDisp = page->WebBrowser->Application();
    cancel = false;
}

void TWebPageEx::BrowserDocumentComplete(TEmbeddedWB*, QObject* pDisp, const QUrl&)
{
    ReadGamePageFacts(pDisp == WebBrowser->Application());
}

void TWebPageEx::ReadGamePageFacts(bool topLevel)
{
    const int serial = navigationSerial_;
    WebBrowser->Document()->execScript(QString::fromLatin1(kGamePageFactsScript), [this, serial, topLevel](const QVariant& answer) {
        if (serial != navigationSerial_)
            return; // a newer navigation has started and cleared this state
        const GamePageFacts facts = ToFacts(answer.toMap());
        if (GameName.isEmpty() && facts.title)
            SetCaption(captions::FromTitle(*facts.title));
        if (facts.n) {
            GameName = *facts.n;
            SetCaption(captions::FromGameName(GameName));
        }
        if (!topLevel) {
            ClearDownload();
        } else {
            // A page that declares its game (n or f, even empty) keeps to
            // that; only a page that declares neither offers the movie it
            // plays, when the operator allows it.
            const bool declared = facts.n || facts.f;
            DownloadDecision decision;
            if (!GameName.isEmpty())
                decision = CheckGameDownload(facts);
            else if (!declared && owner_ && owner_->AnyMovieDownload)
                decision = CheckMovieDownload(facts);
            if (decision.kind == DownloadDecision::Offer) {
                GameFileURL = decision.gameFileUrl;
                MovieName = declared ? QString() : MovieDownloadName(facts.title.value_or(QString()), GameFileURL);
                DownloadReady = true;
            } else if (decision.kind == DownloadDecision::Clear) {
                ClearDownload();
            }
        }
        emit OnStateChange(this);
    });
}

TWebPageControlEx::TWebPageControlEx(QWidget* parent) : QTabWidget(parent)
{
    setDocumentMode(true);
    setElideMode(Qt::ElideNone);
    setUsesScrollButtons(true);
    setTabsClosable(false);
    // Arrow keys are a game's: the tab row never takes the keyboard.
    setFocusPolicy(Qt::NoFocus);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabWidget::currentChanged, this, [this] { emit OnChange(this); });
}

TWebPageControlEx::~TWebPageControlEx()
{
    // No OnChange while the pages go away with the pager.
    blockSignals(true);
}

TWebPageEx* TWebPageControlEx::OpenPage(const QString& url, bool showClose)
{
    auto* page = new TWebPageEx(this);
    connect(page, &TWebPageEx::CaptionChanged, this, &TWebPageControlEx::UpdateTabText);
    connect(page, &TWebPageEx::ShowCloseChanged, this, &TWebPageControlEx::UpdateCloseButton);
    addTab(page, QString());
    page->SetShowClose(showClose);
    connect(page, &TWebPageEx::OnStateChange, this, &TWebPageControlEx::PageStateChanged);
    setCurrentWidget(page);
    ShowCloseOnNonSelectedTabs = true;
    if (!url.isEmpty())
        page->WebBrowser->Navigate(url);
    return page;
}

void TWebPageControlEx::ClosePage(TWebPageEx* page)
{
    const int index = indexOf(page);
    if (index < 0)
        return;
    removeTab(index);
    page->deleteLater();
}

TWebPageEx* TWebPageControlEx::ActivePage() const { return qobject_cast<TWebPageEx*>(currentWidget()); }

TWebPageEx* TWebPageControlEx::Page(int index) const { return qobject_cast<TWebPageEx*>(widget(index)); }

void TWebPageControlEx::PageStateChanged(TWebPageEx* sender)
{
    if (sender == ActivePage())
        emit OnChange(this);
}

void TWebPageControlEx::SetTabAreaBackground(const QColor& from, const QColor& to, Qt::Orientation direction)
{
    const bool vertical = direction == Qt::Vertical;
    setStyleSheet(QStringLiteral("TWebPageControlEx::tab-bar { left: 0; } "
                                 "TWebPageControlEx > QTabBar { background: qlineargradient(x1:0, y1:0, x2:%1, y2:%2, "
                                 "stop:0 %3, stop:1 %4); }")
                      .arg(vertical ? 0 : 1)
                      .arg(vertical ? 1 : 0)
                      .arg(from.name(), to.name()));
}

void TWebPageControlEx::UpdateTabText(TWebPageEx* page)
{
    const int index = indexOf(page);
    if (index < 0)
        return;
    setTabText(index, page->Caption());
    setTabToolTip(index, captions::ToolTip(page->WebBrowser->LocationURL()));
}

void TWebPageControlEx::UpdateCloseButton(TWebPageEx* page)
{
    const int index = indexOf(page);
    if (index < 0)
        return;
    if (QWidget* old = tabBar()->tabButton(index, QTabBar::RightSide))
        old->deleteLater();
    QWidget* button = nullptr;
    if (page->ShowClose()) {
        auto* close = new QToolButton(tabBar());
        close->setObjectName(QStringLiteral("tabClose"));
        close->setText(QStringLiteral("×"));
        close->setToolTip(QStringLiteral("关闭"));
        close->setAutoRaise(true);
        close->setFocusPolicy(Qt::NoFocus);
        close->setCursor(Qt::PointingHandCursor);
        connect(close, &QToolButton::clicked, page, [this, page] { ClosePage(page); });
        button = close;
    }
    tabBar()->setTabButton(index, QTabBar::RightSide, button);
}
