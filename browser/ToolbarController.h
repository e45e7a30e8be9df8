#pragma once
// The toolbar page: its clicks become commands on the active tab, and its
// state elements follow the active tab and the left bar.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QWidget;
class TEmbeddedWB;
class TMSHTMLHTMLDocumentEvents;
class TWebPageControlEx;

class TToolbarController : public QObject {
    Q_OBJECT
public:
    // top shows the toolbar page; the left bar is leftPanel holding leftView;
    // homePage is where the home command takes the first tab.
    TToolbarController(TEmbeddedWB* top, TEmbeddedWB* leftView, QWidget* leftPanel, TWebPageControlEx* pager,
                       const QString& homePage, QObject* parent = nullptr);

    // A click on the toolbar page; false keeps the page from acting on it.
    bool Click(TMSHTMLHTMLDocumentEvents* sender);
    // Writes the state elements; their displays arrive in the page later.
    void UpdateState();
    // The active tab changed: refresh the states now, or once the own pages
    // are loaded.
    void PagerChange();

signals:
    // Commands the window carries out.
    void ToggleLeftViewRequested();
    void CollectRequested();
    void DownloadRequested();
    void BossKeyRequested();
    // A click reached the toolbar, before its command runs.
    void ClickReceived();
    // A write of the states went to the page, and the page has done it;
    // missing names the first element the page lacked, if any.
    void StatesWriteSent(int serial);
    void StatesWritten(int serial, const QString& missing);

private:
    void DocumentComplete(TEmbeddedWB* sender);
    void BeforeNavigate(TEmbeddedWB* sender);

    QPointer<TEmbeddedWB> top_;
    QPointer<TEmbeddedWB> leftView_;
    QPointer<QWidget> leftPanel_;
    QPointer<TWebPageControlEx> pager_;
    QString homePage_;
    int writes_ = 0;
    bool refreshOwed_ = false;
};
