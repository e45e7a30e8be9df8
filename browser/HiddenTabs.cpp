#include "HiddenTabs.h"

#include "O_WebPageControlEx.h"
#include "PageDownload.h"
#include "TEmbeddedWB.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace {

// Every player of the page that plays is suspended and marked as the
// program's to resume.
const char* const kSuspendPlayers = R"((function () {
  document.querySelectorAll("ruffle-player, ruffle-embed, ruffle-object").forEach(function (element) {
    try {
      var player = element.ruffle();
      if (player.isPlaying) { player.suspend(); element.__orvanzevSuspended = true; }
    } catch (e) {}
  });
})())";

const char* const kResumePlayers = R"((function () {
  document.querySelectorAll("ruffle-player, ruffle-embed, ruffle-object").forEach(function (element) {
    if (!element.__orvanzevSuspended) return;
    delete element.__orvanzevSuspended;
    try { element.ruffle().resume(); } catch (e) {}
  });
})())";

} // namespace

THiddenTabs::THiddenTabs(TWebPageControlEx* pager, QObject* parent) : QObject(parent), pager_(pager)
{
    freeze_.setSingleShot(true);
    connect(&freeze_, &QTimer::timeout, this, &THiddenTabs::FreezeHidden);
    connect(pager_, &QTabWidget::currentChanged, this, &THiddenTabs::CurrentChanged);
}

void THiddenTabs::CurrentChanged()
{
    if (TWebPageEx* shown = pager_->ActivePage())
        Wake(shown->WebBrowser->page());
    if (!KeepRunning)
        freeze_.start(FreezeAfterMs);
}

void THiddenTabs::FreezeHidden()
{
    // A page still loading, or fetching a file for the program, is left to
    // finish first.
    bool loading = false;
    for (int i = 0; i < pager_->PageCount(); ++i) {
        TWebPageEx* tab = pager_->Page(i);
        if (i == pager_->ActivePageIndex())
            continue;
        if (tab->WebBrowser->Busy() || TPageDownload::Busy(tab->WebBrowser->page()))
            loading = true;
        else
            Freeze(tab->WebBrowser->page());
    }
    if (loading)
        freeze_.start(FreezeAfterMs);
}

void THiddenTabs::Freeze(QWebEnginePage* page)
{
    if (page->lifecycleState() != QWebEnginePage::LifecycleState::Active || page->isVisible() || asleep_.contains(page))
        return;
    asleep_.append(page);
    QPointer<QWebEnginePage> frozen(page);
    page->runJavaScript(QString::fromLatin1(kSuspendPlayers), QWebEngineScript::MainWorld, [frozen](const QVariant&) {
        // Shown again meanwhile: it stays awake.
        if (frozen && !frozen->isVisible() && frozen->lifecycleState() == QWebEnginePage::LifecycleState::Active)
            frozen->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
    });
}

// Only a page put to sleep here is touched: asking anything of a new tab's
// page before its first navigation would start a renderer process of its
// own for it, instead of the one its site already has.
void THiddenTabs::Wake(QWebEnginePage* page)
{
    asleep_.removeAll(nullptr);
    if (!asleep_.removeAll(page))
        return;
    if (page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    page->runJavaScript(QString::fromLatin1(kResumePlayers), QWebEngineScript::MainWorld);
}
