#pragma once
// Keeps adding to a downloaded game's kept files while the game still plays
// online in the tab it was downloaded from: each file its movie loads after
// the download is fetched into the game's folder and the manifest written
// again. It ends when the tab goes, leaves that page, or the game is deleted.
#include "KeptFiles.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;

class TKeptFilesTopUp : public QObject {
    Q_OBJECT
public:
    TKeptFilesTopUp(QWebEnginePage* page, QString gamesFolder, QString gameFile, QUrl movie, QList<TKeptFile> kept,
                    QObject* parent = nullptr);

private:
    void Look();
    void FetchNext();
    bool GameStillThere() const;

    QPointer<QWebEnginePage> page_;
    QUrl pageAddress_;
    QString gamesFolder_;
    QString gameFile_;
    QString folder_;
    QUrl movie_;
    QList<TKeptFile> kept_;
    QList<TKeptFile> waiting_;
    bool fetching_ = false;
    QTimer look_;
};
