#pragma once
// Tabs the player is not looking at cost nothing: a tab that has stayed
// hidden for a while, has finished loading and fetches no file for the
// program (a download, kept files being topped up), has its Flash players
// suspended (their sound too) and its page frozen. Shown again, the page is
// woken and the players it suspended go on where they were; a player the
// game or the player had stopped stays stopped.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;
class TWebPageControlEx;

class THiddenTabs : public QObject {
    Q_OBJECT
public:
    THiddenTabs(TWebPageControlEx* pager, QObject* parent = nullptr);

    // Hidden tabs run on as before ([Options] KeepHiddenTabsRunning).
    bool KeepRunning = false;
    // How long a tab stays hidden before it is frozen.
    int FreezeAfterMs = 5000;

private:
    void CurrentChanged();
    void FreezeHidden();
    void Freeze(QWebEnginePage* page);
    void Wake(QWebEnginePage* page);

    TWebPageControlEx* pager_;
    QTimer freeze_;
    // Pages whose players were suspended here, frozen or about to be.
    QList<QPointer<QWebEnginePage>> asleep_;
};
