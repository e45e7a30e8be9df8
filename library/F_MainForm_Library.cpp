// The main window's game library commands: collect the active page to the
// favourites, download its game to the local list.
#include "app/F_MainForm.h"
#include "LocalGameFile.h"
#include "TGameList.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/PageDownload.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"
#include "platform/UrlDownload.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>

namespace {

const QString kFavorites = QStringLiteral("gamefavorites");
const QString kLocal = QStringLiteral("gamelocal");

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

} // namespace

QString TMainForm::ListFile(const QString& kind) const
{
    return TGameList::FileOf(QString::fromStdString(programFolder_.string()), kind);
}

void TMainForm::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    box.exec();
}

void TMainForm::RefreshLeftView(const QString& kind)
{
    wb_left->Document()->CallFunction(QStringLiteral("get_xml"), {kind + QStringLiteral(".xml"), kind});
}

void TMainForm::CollectGame()
{
    TWebPageEx* page = pager_web->ActivePage();
    if (!page)
        return;
    const QString address = page->WebBrowser->LocationURL();
    const bool hasDocument = page->WebBrowser->Document()->Loaded();
    // The title is the document's own, read from the page.
    page->WebBrowser->Document()->title([this, address, hasDocument](const QString& title) {
        TGameList list(ListFile(kFavorites));
        bool duplicate = false;
        if (!Silently([&] { duplicate = list.Find(TGameList::Address, address).has_value(); }))
            return;
        if (duplicate) {
            ShowMessage(QStringLiteral("该游戏已经收藏！"));
            return;
        }
        if (!hasDocument)
            return;
        list.Append(title, address);
        if (!list.Save()) {
            ShowMessage(QStringLiteral("收藏失败：无法保存收藏列表，列表没有改动。"));
            return;
        }
        ShowMessage(QStringLiteral("该游戏收藏成功！"));
        RefreshLeftView(kFavorites);
    });
}

TUrlDownload::Result TMainForm::FetchGame(const QUrl& source, const QString& target)
{
    TPageDownload download(pager_web->ActivePage() ? pager_web->ActivePage()->WebBrowser->page() : nullptr);
    QProgressDialog progress(QStringLiteral("正在下载游戏…"), QStringLiteral("取消"), 0, 0, this);
    progress.setWindowTitle(QApplication::applicationDisplayName());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QEventLoop loop;
    connect(&download, &TPageDownload::Progress, &progress, [&progress](qint64 received, qint64 total) {
        if (total > 0 && total <= std::numeric_limits<int>::max()) {
            progress.setMaximum(int(total));
            progress.setValue(int(received));
            progress.setLabelText(QStringLiteral("正在下载游戏… %1 / %2 KB").arg(received / 1024).arg(total / 1024));
        } else {
            progress.setLabelText(QStringLiteral("正在下载游戏… %1 KB").arg(received / 1024));
        }
    });
    connect(&progress, &QProgressDialog::canceled, &download, &TPageDownload::Cancel);
    connect(&download, &TPageDownload::Finished, &loop, &QEventLoop::quit);
    progress.show();
    download.Start(source, target);
    if (download.result() == TUrlDownload::Running)
        loop.exec();
    return download.result();
}

void TMainForm::DownloadGame()
{
    QPointer<TWebPageEx> page = pager_web->ActivePage();
    if (!page)
        return;
    TGameList list(ListFile(kLocal));
    const QString name = page->GameName;
    const QUrl source(page->GameFileURL);
    bool duplicate = false;
    if (!Silently([&] { duplicate = list.Find(TGameList::Name, name).has_value(); }))
        return;
    if (duplicate) {
        ShowMessage(QStringLiteral("该游戏已经下载！"));
        return;
    }
    if (source.isEmpty())
        return;

    // Two downloads within one second must not share a file.
    const QDir games(QString::fromStdString((programFolder_ / "Data" / "Flash").string()));
    QDateTime when = QDateTime::currentDateTime();
    QString fileName = LocalGameFileName(when, source);
    while (games.exists(fileName) || games.exists(fileName + QStringLiteral(".part")))
        fileName = LocalGameFileName(when = when.addSecs(1), source);
    const QString target = games.filePath(fileName);

    const TUrlDownload::Result fetched = FetchGame(source, target);
    if (fetched == TUrlDownload::Cancelled)
        return;
    if (fetched != TUrlDownload::Succeeded) {
        ShowMessage(QStringLiteral("该游戏下载失败！"));
        return;
    }
    list.Append(name, fileName);
    if (!list.Save()) {
        QFile::remove(target);
        ShowMessage(QStringLiteral("下载失败：无法保存本地游戏列表，已删除下载的文件。"));
        return;
    }
    ShowMessage(QStringLiteral("该游戏下载成功！"));
    RefreshLeftView(kLocal);
}
