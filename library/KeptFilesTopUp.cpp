#include "KeptFilesTopUp.h"

#include "browser/PageDownload.h"
#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QWebEnginePage>
#include <QWebEngineScript>

TKeptFilesTopUp::TKeptFilesTopUp(QWebEnginePage* page, QString gamesFolder, QString gameFile, QUrl movie,
                                 QList<TKeptFile> kept, QObject* parent)
    : QObject(parent), page_(page), pageAddress_(page->url()), gamesFolder_(std::move(gamesFolder)),
      gameFile_(std::move(gameFile)), folder_(KeptFolderOf(gamesFolder_, gameFile_).value_or(QString())),
      movie_(std::move(movie)), kept_(std::move(kept))
{
    connect(&look_, &QTimer::timeout, this, &TKeptFilesTopUp::Look);
    look_.start(1000);
}

bool TKeptFilesTopUp::GameStillThere() const
{
    return QFileInfo::exists(QDir(gamesFolder_).filePath(gameFile_));
}

void TKeptFilesTopUp::Look()
{
    if (!page_ || page_->url() != pageAddress_ || folder_.isEmpty() || !GameStillThere()) {
        deleteLater();
        return;
    }
    if (fetching_)
        return;
    QPointer<TKeptFilesTopUp> self(this);
    page_->runJavaScript(NotedLoadsScript(), QWebEngineScript::MainWorld, [self](const QVariant& loads) {
        if (!self || self->fetching_)
            return;
        QSet<QString> known;
        for (const TKeptFile& file : self->kept_)
            known.insert(file.path);
        for (const TKeptFile& file : FilesToKeep(loads.toList(), self->movie_))
            if (!known.contains(file.path) && self->kept_.size() + self->waiting_.size() < kMaxKeptFiles)
                self->waiting_.append(file);
        self->FetchNext();
    });
}

void TKeptFilesTopUp::FetchNext()
{
    if (waiting_.isEmpty() || !page_ || !GameStillThere())
        return;
    const TKeptFile file = waiting_.takeFirst();
    const QString target = QDir(folder_).filePath(file.path);
    if (QFileInfo::exists(target) || !QDir().mkpath(QFileInfo(target).path())) {
        FetchNext();
        return;
    }
    fetching_ = true;
    auto* download = new TPageDownload(page_, this);
    connect(download, &TPageDownload::Finished, this, [this, download, file, target](TPageDownload::Result result) {
        download->deleteLater();
        fetching_ = false;
        if (result == TPageDownload::Succeeded) {
            if (!GameStillThere()) {
                // Deleted while the file came: nothing of it stays.
                if (!QFileInfo(folder_).isSymLink())
                    QDir(folder_).removeRecursively();
                deleteLater();
                return;
            }
            kept_.append(file);
            if (!platform::ReplaceFileContent(QDir(folder_).filePath(QStringLiteral("manifest.json")),
                                              KeptManifest(pageAddress_, movie_, kept_, folder_, QDateTime::currentDateTime()))) {
                kept_.removeLast();
                QFile::remove(target);
            }
        }
        FetchNext();
    });
    download->Start(file.address, target);
}
