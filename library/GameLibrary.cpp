// Collect and download for the active page, and the start-up clean-up of
// the games folder.
#include "GameLibrary.h"
#include "DownloadLeftovers.h"
#include "FileDialog.h"
#include "ListText.h"
#include "LocalGameFile.h"
#include "GameSaves.h"
#include "KeptFiles.h"
#include "KeptFilesTopUp.h"
#include "LocalGameImport.h"
#include "PageWait.h"
#include "TGameList.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/PageDownload.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"
#include "platform/AtomicFile.h"
#include "platform/ErrorReport.h"
#include "platform/FolderUse.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonDocument>
#include <QJsonArray>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QScopedValueRollback>
#include <QTimer>
#include <memory>
#include <optional>

using platform::ListKind;

namespace {

// Runs work under the list operations' silent handler: a field that cannot
// be read ends the operation without a word.
template <typename Work>
bool Silently(Work&& work)
{
    try {
        work();
        return true;
    } catch (const EGameListField&) {
        return false;
    }
}

// Opens a list for a change. A missing list starts empty and the first
// save creates it; a list that cannot be read goes to the error log and
// gives nothing.
bool OpenForChange(std::optional<TGameList>& list, const QString& file)
{
    try {
        list.emplace(file, TGameList::IfMissing::StartEmpty);
        return true;
    } catch (const EGameListLoad& error) {
        platform::ReportException(QString::fromUtf8(error.what()));
        return false;
    }
}

// What a collect came to: the message for the user, and whether the list
// was changed.
struct Collected {
    QString message;
    bool saved = false;
};

Collected Collect(const QString& file, const QString& address, const QString& title, bool hasDocument)
{
    std::optional<TGameList> list;
    if (!OpenForChange(list, file))
        return {QStringLiteral("收藏失败：无法读取收藏列表，列表没有改动。")};
    bool duplicate = false;
    if (!Silently([&] { duplicate = list->Find(TGameList::Address, address).has_value(); }))
        return {};
    if (duplicate)
        return {QStringLiteral("该游戏已经收藏！")};
    if (!hasDocument)
        return {};
    list->Append(title, address);
    if (!list->Save())
        return {QStringLiteral("收藏失败：无法保存收藏列表，列表没有改动。")};
    return {QStringLiteral("该游戏收藏成功！"), true};
}

// Opens the local list for a game of this name. False when the game is not
// to be added: message then says why, or is empty where the list
// operations' silent handler ended it.
bool OpenForGame(std::optional<TGameList>& list, const QString& file, const QString& name, QString& message)
{
    if (!OpenForChange(list, file)) {
        message = QStringLiteral("下载失败：无法读取本地游戏列表，列表没有改动。");
        return false;
    }
    bool duplicate = false;
    if (!Silently([&] { duplicate = list->Find(TGameList::Name, name).has_value(); }))
        return false;
    if (duplicate) {
        message = QStringLiteral("该游戏已经下载！");
        return false;
    }
    return true;
}

// Runs script in the page's own world and waits up to three seconds for
// its answer; an answer that comes later, or never, gives nothing.
QVariant AskPage(QWebEnginePage* page, const QString& script)
{
    auto answer = std::make_shared<QVariant>();
    AwaitAnswer(3000, [&](auto done) {
        page->runJavaScript(script, QWebEngineScript::MainWorld, [answer, done](const QVariant& value) {
            *answer = value;
            done();
        });
    });
    return *answer;
}

} // namespace

TGameLibrary::TGameLibrary(TEmbeddedWB* leftView, TWebPageControlEx* pager, QWidget* dialogParent,
                           platform::TProgramFiles files, QObject* parent)
    : QObject(parent), leftView_(leftView), pager_(pager), dialogParent_(dialogParent), files_(std::move(files)),
      saves_(new TGameSaves(files_.FlashFolder(), this))
{
    connect(leftView_, &TEmbeddedWB::OnPageRequest, this,
            [this](TEmbeddedWB*, const QVariantMap& request, QString& answer) { LeftViewRequest(request, answer); });
}

void TGameLibrary::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, dialogParent_);
    box.exec();
}

void TGameLibrary::RefreshLeftView(ListKind kind)
{
    const QString name = platform::TProgramFiles::ListName(kind);
    leftView_->Document()->CallFunction(QStringLiteral("get_xml"), {name + QStringLiteral(".xml"), name});
}

void TGameLibrary::CleanGamesFolder()
{
    const QString games = files_.FlashFolder();
    // Only a program that is alone with the folder can tell what an
    // interrupted download left from what another one is fetching.
    auto* use = new platform::TFolderUse(games, this);
    if (use->Exclusive())
        RemoveDownloadLeftovers(games, files_.ListFile(ListKind::Local));
    use->Share();
}

void TGameLibrary::Collect()
{
    TWebPageEx* page = pager_->ActivePage();
    if (!page)
        return;
    const QString address = page->WebBrowser->LocationURL();
    const bool hasDocument = page->WebBrowser->Document()->Loaded();
    // The title is the document's own, read from the page.
    page->WebBrowser->Document()->title([this, address, hasDocument](const QString& title) {
        const Collected collected = ::Collect(files_.ListFile(ListKind::Favorites), address, title, hasDocument);
        if (collected.message.isEmpty())
            return;
        // The message waits until the page has its answer.
        QTimer::singleShot(0, this, [this, collected] {
            ShowMessage(collected.message);
            if (collected.saved)
                RefreshLeftView(ListKind::Favorites);
        });
    });
}

QVariantList TGameLibrary::PageLoads(TWebPageEx* page)
{
    return AskPage(page->WebBrowser->page(), NotedLoadsScript()).toList();
}

QVariantMap TGameLibrary::PageSaves(TWebPageEx* page, const QUrl& movie)
{
    if (movie.host().isEmpty())
        return {};
    // The player keeps a movie's shared objects in the page's local storage,
    // under "<host of the movie>/<path>/<name>".
    const QString prefix = QString::fromUtf8(QJsonDocument(QJsonArray{movie.host() + QLatin1Char('/')}).toJson(QJsonDocument::Compact));
    return AskPage(page->WebBrowser->page(),
                   QStringLiteral("(function(prefix){var out={},size=0;try{for(var i=0;i<localStorage.length;i++){"
                                  "var k=localStorage.key(i);if(!k||k.indexOf(prefix)!==0)continue;var v=localStorage.getItem(k)||'';"
                                  "size+=k.length+v.length;if(size>%1)break;out[k]=v;}}catch(e){}return out;})(%2[0])")
                       .arg(kMaxSavedCharacters)
                       .arg(prefix))
        .toMap();
}

TPageDownload::Result TGameLibrary::FetchGame(const QUrl& source, const QString& target, QProgressDialog& progress,
                                              int file, int files, qint64& received)
{
    if (progress.wasCanceled())
        return TPageDownload::Cancelled;
    TPageDownload download(pager_->ActivePage() ? pager_->ActivePage()->WebBrowser->page() : nullptr);
    QEventLoop loop;
    const qint64 before = received;
    connect(&download, &TPageDownload::Progress, &progress, [&](qint64 now, qint64 total) {
        received = before + now;
        // The bar runs over the files, each file's share by its bytes.
        const int share = total > 0 ? int(1000 * std::min(now, total) / total) : 0;
        progress.setMaximum(1000 * files);
        progress.setValue(1000 * (file - 1) + share);
        if (files == 1 && total > 0)
            progress.setLabelText(QStringLiteral("正在下载游戏… %1 / %2 KB").arg(now / 1024).arg(total / 1024));
        else if (files == 1)
            progress.setLabelText(QStringLiteral("正在下载游戏… %1 KB").arg(now / 1024));
        else
            progress.setLabelText(QStringLiteral("正在下载游戏：第 %1 / %2 个文件，共 %3 KB").arg(file).arg(files).arg(received / 1024));
    });
    connect(&progress, &QProgressDialog::canceled, &download, &TPageDownload::Cancel);
    connect(&download, &TPageDownload::Finished, &loop, &QEventLoop::quit);
    download.Start(source, target);
    if (download.result() == TPageDownload::Running)
        loop.exec();
    return download.result();
}

void TGameLibrary::Download()
{
    // One download at a time: the running one shows its progress.
    if (downloading_)
        return;
    const QScopedValueRollback<bool> busy(downloading_, true);
    QPointer<TWebPageEx> page = pager_->ActivePage();
    if (!page)
        return;
    const QString listFile = files_.ListFile(ListKind::Local);
    const QString name = ListText(page->DownloadName());
    const QUrl source(page->GameFileURL);
    QString message;
    auto tell = [this, &message] {
        if (!message.isEmpty())
            ShowMessage(message);
    };
    if (std::optional<TGameList> list; !OpenForGame(list, listFile, name, message)) {
        tell();
        return;
    }
    if (source.isEmpty())
        return;

    // Two downloads within one second must not share a file.
    const QDir games(files_.FlashFolder());
    QDateTime when = QDateTime::currentDateTime();
    QString fileName = LocalGameFileName(when, source);
    while (GameFileNameTaken(games.path(), fileName))
        fileName = LocalGameFileName(when = when.addSecs(1), source);
    const QString target = games.filePath(fileName);

    // What the movie loaded beside itself, noted while it played here.
    const QList<TKeptFile> kept = FilesToKeep(PageLoads(page), source);
    // What the movie saved while it played here (its shared objects).
    const QVariantMap saves = page ? PageSaves(page, source) : QVariantMap();
    if (!page)
        return; // the tab was closed while it answered
    const QString pageAddress = page->WebBrowser->LocationURL();

    QProgressDialog progress(QStringLiteral("正在下载游戏…"), QStringLiteral("取消"), 0, 0, dialogParent_);
    progress.setWindowTitle(QApplication::applicationDisplayName());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.show();
    const int files = 1 + int(kept.size());
    qint64 received = 0;
    TPageDownload::Result fetched = FetchGame(source, target, progress, 1, files, received);
    const std::optional<QString> keptFolder = KeptFolderOf(files_.FlashFolder(), fileName);
    auto dropKept = [&keptFolder] {
        if (keptFolder && QFileInfo(*keptFolder).isDir() && !QFileInfo(*keptFolder).isSymLink())
            QDir(*keptFolder).removeRecursively();
    };
    for (qsizetype i = 0; fetched == TPageDownload::Succeeded && keptFolder && i < kept.size(); ++i) {
        const QString file = QDir(*keptFolder).filePath(kept[i].path);
        if (!QDir().mkpath(QFileInfo(file).path())) {
            fetched = TPageDownload::Failed;
            break;
        }
        fetched = FetchGame(kept[i].address, file, progress, int(i) + 2, files, received);
    }
    progress.close();
    // The offline copy plays under its web address when it has a manifest:
    // so it finds its files, and its saves carry over.
    if (fetched == TPageDownload::Succeeded && keptFolder && (!kept.isEmpty() || !saves.isEmpty())) {
        const QDir folder(*keptFolder);
        if (!folder.mkpath(QStringLiteral("."))
            || !platform::ReplaceFileContent(folder.filePath(QStringLiteral("manifest.json")),
                                             KeptManifest(QUrl(pageAddress), source, kept, *keptFolder,
                                                          QDateTime::currentDateTime()))
            || (!saves.isEmpty()
                && !platform::ReplaceFileContent(folder.filePath(QStringLiteral("saves.json")),
                                                 QJsonDocument(QJsonObject::fromVariantMap(saves)).toJson())))
            fetched = TPageDownload::Failed;
    }
    if (fetched != TPageDownload::Succeeded) {
        QFile::remove(target);
        dropKept();
    }
    if (fetched != TPageDownload::Succeeded && fetched != TPageDownload::Failed)
        return; // cancelled, or the program is ending
    if (fetched == TPageDownload::Failed) {
        ShowMessage(QStringLiteral("该游戏下载失败！"));
        return;
    }
    // The list as it is now: it may have changed during the transfer.
    std::optional<TGameList> list;
    if (!OpenForGame(list, listFile, name, message)) {
        QFile::remove(target);
        dropKept();
        tell();
        return;
    }
    list->Append(name, fileName);
    if (!list->Save()) {
        QFile::remove(target);
        dropKept();
        ShowMessage(QStringLiteral("下载失败：无法保存本地游戏列表，已删除下载的文件。"));
        return;
    }
    // What the movie loads from now on in this tab is kept too.
    if (page && keptFolder)
        new TKeptFilesTopUp(page->WebBrowser->page(), files_.FlashFolder(), fileName, source, kept, this);
    ShowMessage(QStringLiteral("该游戏下载成功！"));
    RefreshLeftView(ListKind::Local);
}

void TGameLibrary::AddLocalGames(const QStringList& files)
{
    if (files.isEmpty())
        return;
    if (downloading_) {
        ShowMessage(QStringLiteral("正在下载游戏，请在下载结束后再添加。"));
        return;
    }
    const QScopedValueRollback<bool> busy(downloading_, true);
    const TImportReport report =
        ImportLocalGames(files, files_.ListFile(ListKind::Local), files_.FlashFolder(), QDateTime::currentDateTime());
    if (report.added > 0)
        RefreshLeftView(ListKind::Local);
    ShowMessage(report.lines.join(QLatin1Char('\n')));
}

void TGameLibrary::ChooseLocalGames()
{
    AddLocalGames(AskForFiles(dialogParent_, QStringLiteral("添加本地游戏"), QDir::homePath(),
                              QStringLiteral("Flash 游戏 (*.swf *.SWF);;所有文件 (*)"), FileDialogUse::OpenFiles,
                              QStringLiteral("添加")));
}
