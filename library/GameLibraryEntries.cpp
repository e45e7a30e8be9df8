// The left view's entries: a right click or the menu key on an entry asks
// for its "删除" menu, a left click on a local entry plays its game.
#include "GameLibrary.h"
#include "GameSaves.h"
#include "KeptFiles.h"
#include "TGameList.h"
#include "browser/CaptionRules.h"
#include "browser/LocalGamePages.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/RightClick.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

using platform::ListKind;

namespace {

// A downloaded game's file as a list holds it: a plain name inside
// Data/Flash, never a path to anywhere else, and never one of the local
// player's own pages and scripts that ship beside the games.
bool IsGameFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')))
        return false;
    static const QStringList playerSuffixes = {QStringLiteral(".htm"), QStringLiteral(".html"), QStringLiteral(".js"),
                                               QStringLiteral(".mjs"), QStringLiteral(".css"), QStringLiteral(".wasm")};
    for (const QString& suffix : playerSuffixes)
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            return false;
    return true;
}

} // namespace

void TGameLibrary::Pick(ListKind kind, const QString& name, const std::optional<LeftViewEntry>& entry)
{
    pickedKind_ = kind;
    pickedName_ = name;
    pickedEntry_ = entry;
}

bool TGameLibrary::LeftViewInput(QObject*, QEvent* event)
{
    if (LeftViewDrop(event))
        return true;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool menuKey = key->key() == Qt::Key_Menu
                             || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        if (!menuKey)
            return false;
        if (!key->isAutoRepeat())
            PopEntryMenu(LeftViewFocusScript(), std::nullopt);
        return true;
    }
    if (!IsRightClick(event))
        return false;
    // The menu comes with the release; every right-button event is swallowed.
    if (event->type() != QEvent::MouseButtonRelease)
        return true;
    const QPoint screen = QCursor::pos();
    const QPoint client = leftView_->mapFromGlobal(screen);
    PopEntryMenu(LeftViewHitScript(client.x(), client.y()), screen);
    return true;
}

// Asks the page what `script` points at and, for a list entry, asks for the
// menu at `screen`, or below the entry when no point is given.
void TGameLibrary::PopEntryMenu(const QString& script, std::optional<QPoint> screen)
{
    if (!leftView_->Document()->Loaded())
        return;
    leftView_->Document()->execScript(script, [this, screen](const QVariant& answer) {
        const QVariantMap facts = answer.toMap();
        if (facts.isEmpty())
            return;
        const LeftViewHit hit = LeftViewHit::FromPage(facts);
        const std::optional<ListKind> kind = ListOfHit(hit);
        if (!kind)
            return;
        Pick(*kind, hit.entry ? hit.entry->name : hit.text, hit.entry);
        const QPoint below(facts.value(QStringLiteral("x")).toInt(), facts.value(QStringLiteral("y")).toInt());
        emit EntryMenuRequested(screen.value_or(leftView_->mapToGlobal(below)), *kind);
    });
}

// The play path: a left-button release on a local entry plays its game and
// is kept from the page; any other release goes on to the page.
namespace {

// The local files a drag brings, when it brings nothing else.
QStringList DraggedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files << url.toLocalFile();
    }
    return files;
}

} // namespace

// Files dragged over the left view are the library's, not the page's: the
// engine would open a dropped file in the view.
bool TGameLibrary::LeftViewDrop(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (DraggedFiles(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = DraggedFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Added once the drop has been answered: the adding shows a message.
        QTimer::singleShot(0, this, [this, files] { AddLocalGames(files); });
        return true;
    }
    default:
        return false;
    }
}

void TGameLibrary::LeftViewRequest(const QVariantMap& request, QString& answer)
{
    if (request.value(QStringLiteral("what")).toString() == QLatin1String("leftButtonUp")
        && request.value(QStringLiteral("className")).toString() == QLatin1String("addlocalgame")) {
        answer = QStringLiteral("handled");
        QTimer::singleShot(0, this, &TGameLibrary::ChooseLocalGames);
        return;
    }
    if (!PlaysOnRelease(request))
        return;
    answer = QStringLiteral("handled");
    const LeftViewHit hit = LeftViewHit::FromPage(request);
    Pick(ListKind::Local, hit.entry ? hit.entry->name : hit.text, hit.entry);
    // Opened once the page has its answer, not inside its event.
    QTimer::singleShot(0, this, &TGameLibrary::PlayPicked);
}

std::optional<TGameLibrary::LocalGame> TGameLibrary::PickedLocalGame()
{
    if (pickedKind_ != ListKind::Local)
        return std::nullopt;
    TGameList list(files_.ListFile(ListKind::Local));
    try {
        if (const std::optional<int> entry = Locate(list, pickedName_, pickedEntry_))
            if (const std::optional<QString> file = list.Value(*entry, TGameList::Address))
                return LocalGame{list.Value(*entry, TGameList::Name).value_or(QString()), *file};
    } catch (const EGameListField&) {
    }
    return std::nullopt;
}

void TGameLibrary::PlayPicked()
{
    const std::optional<LocalGame> game = PickedLocalGame();
    if (!game)
        return;
    const QUrl address = local_games::PlayerPage(files_.FlashFolder(), game->file, game->name);
    TWebPageEx* page = pager_->OpenPage(address.toString(QUrl::FullyEncoded), true);
    page->SetCaption(captions::FromGameName(game->name));
    page->GameName = game->name;
}

void TGameLibrary::DeletePicked()
{
    if (!pickedKind_)
        return;
    const ListKind kind = *pickedKind_;
    TGameList list(files_.ListFile(kind));
    std::optional<QString> file;
    try {
        const std::optional<int> entry = Locate(list, pickedName_, pickedEntry_);
        if (!entry) {
            // The list has changed since it was drawn: show it as it is now.
            RefreshLeftView(kind);
            return;
        }
        if (kind == ListKind::Local)
            file = list.Value(*entry, TGameList::Address);
        list.Remove(*entry);
    } catch (const EGameListField&) {
        return;
    }
    // The game's file goes only once the list no longer names it.
    if (!list.Save()) {
        ShowMessage(QStringLiteral("删除失败：无法保存游戏列表。"));
        return;
    }
    if (file && IsGameFileName(*file)) {
        QFile::remove(QDir(files_.FlashFolder()).filePath(*file));
        // Its kept files go with it, unless another entry still names a
        // file of that stem.
        const std::optional<QString> kept = KeptFolderOf(files_.FlashFolder(), *file);
        const QDir games(files_.FlashFolder());
        if (kept && QFileInfo(*kept).isDir() && !QFileInfo(*kept).isSymLink()
            && games.entryList({QFileInfo(*kept).fileName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden).isEmpty())
            QDir(*kept).removeRecursively();
        saves_->Clear(*file);
    }
    RefreshLeftView(kind);
}
