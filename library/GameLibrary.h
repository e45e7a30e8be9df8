#pragma once
// The game library: collects the active page to the favourites, downloads
// its game to the local list, plays and deletes the left view's entries, and
// clears the games folder of what an interrupted download left. It owns the
// entry the user last picked in the left view.
#include "LeftViewEntry.h"
#include "platform/ProgramFiles.h"
#include "browser/PageDownload.h"

#include <QObject>
#include <QPoint>
#include <QVariantMap>
#include <optional>

class QEvent;
class QProgressDialog;
class QWidget;
class TEmbeddedWB;
class TGameSaves;
class TWebPageControlEx;
class TWebPageEx;

class TGameLibrary : public QObject {
    Q_OBJECT
public:
    // Message boxes and the download's progress show over dialogParent.
    TGameLibrary(TEmbeddedWB* leftView, TWebPageControlEx* pager, QWidget* dialogParent, platform::TProgramFiles files,
                 QObject* parent = nullptr);

    void Collect();
    void Download();
    // The picked entry: what the left view last reported, or a local game
    // named here.
    void Pick(platform::ListKind kind, const QString& name, const std::optional<LeftViewEntry>& entry = std::nullopt);
    void PlayPicked();
    void DeletePicked();
    // The picked local game's saved data, to a file and back from one; each
    // asks for the file with a dialog.
    void ExportPickedSaves();
    void ImportPickedSaves();
    // Draws a list again in the left view from its file.
    void RefreshLeftView(platform::ListKind kind);
    // Adds SWF files to the local list, and tells the user what became of
    // each; ChooseLocalGames asks for them with a file dialog first.
    void AddLocalGames(const QStringList& files);
    void ChooseLocalGames();
    // Clears the games folder of an interrupted download's files, when no
    // other copy of the program uses the folder.
    void CleanGamesFolder();

    // The left view's right clicks and menu keys, and files dropped on it;
    // true when the event goes no further.
    bool LeftViewInput(QObject* watched, QEvent* event);

signals:
    // The entry menu for the picked entry, an entry of list kind, at this
    // screen point.
    void EntryMenuRequested(QPoint screen, platform::ListKind kind);

private:
    struct LocalGame {
        QString name;
        QString file; // in the games folder
    };
    std::optional<LocalGame> PickedLocalGame();
    void PopEntryMenu(const QString& script, std::optional<QPoint> screen);
    bool LeftViewDrop(QEvent* event);
    void LeftViewRequest(const QVariantMap& request, QString& answer);
    // Fetches file number `file` of `files` into target, showing it and the
    // bytes received so far on progress; nothing once progress was cancelled.
    TPageDownload::Result FetchGame(const QUrl& source, const QString& target, QProgressDialog& progress, int file,
                                    int files, qint64& received);
    // The loads the page noted while its movie played.
    QVariantList PageLoads(TWebPageEx* page);
    // What the page's player saved for movies of movie's host.
    QVariantMap PageSaves(TWebPageEx* page, const QUrl& movie);
    void ShowMessage(const QString& text);

    TEmbeddedWB* leftView_;
    TWebPageControlEx* pager_;
    QWidget* dialogParent_;
    platform::TProgramFiles files_;
    TGameSaves* saves_;
    bool downloading_ = false;
    std::optional<platform::ListKind> pickedKind_;
    QString pickedName_;
    // The entry as the left page drew it, when it gave its identity.
    std::optional<LeftViewEntry> pickedEntry_;
};
