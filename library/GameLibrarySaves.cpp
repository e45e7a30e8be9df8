// A local game's saved data, exported to a file and imported from one.
#include "GameLibrary.h"
#include "FileDialog.h"
#include "GameSaves.h"
#include "KeptFiles.h"
#include "SavesFile.h"
#include "platform/AtomicFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

const QString kSavesFilter = QStringLiteral("游戏存档 (*.json);;所有文件 (*)");

// A file name made of a game's name: no separators, no characters that some
// file systems refuse, not too long.
QString SavesFileName(const QString& game)
{
    static const QRegularExpression refused(QStringLiteral("[\\x00-\\x1f/\\\\:*?\"<>|]"));
    QString name = QString(game).replace(refused, QStringLiteral("_")).trimmed().left(60);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("游戏"));
    return name + QStringLiteral("的存档.json");
}

} // namespace

void TGameLibrary::ExportPickedSaves()
{
    const std::optional<LocalGame> game = PickedLocalGame();
    if (!game)
        return;
    const std::optional<QVariantMap> saves = saves_->Read(game->file);
    if (!saves) {
        ShowMessage(QStringLiteral("导出存档失败：无法读取这个游戏的存档。"));
        return;
    }
    if (saves->isEmpty()) {
        ShowMessage(QStringLiteral("这个游戏还没有存档。"));
        return;
    }
    const QStringList chosen = AskForFiles(dialogParent_, QStringLiteral("导出存档"),
                                           QDir::home().filePath(SavesFileName(game->name)), kSavesFilter,
                                           FileDialogUse::Save, QStringLiteral("保存"));
    if (chosen.isEmpty())
        return;
    const QString movie = KeptMovie(files_.FlashFolder(), game->file);
    if (!platform::ReplaceFileContent(chosen.first(),
                                      SavesFileContent(game->name, movie, *saves, QDateTime::currentDateTime()))) {
        ShowMessage(QStringLiteral("导出存档失败：无法写入文件 %1。").arg(QDir::toNativeSeparators(chosen.first())));
        return;
    }
    ShowMessage(QStringLiteral("存档已导出到 %1。").arg(QDir::toNativeSeparators(chosen.first())));
}

void TGameLibrary::ImportPickedSaves()
{
    const std::optional<LocalGame> game = PickedLocalGame();
    if (!game)
        return;
    const QStringList chosen = AskForFiles(dialogParent_, QStringLiteral("导入存档"), QDir::homePath(), kSavesFilter,
                                           FileDialogUse::OpenFile, QStringLiteral("导入"));
    if (chosen.isEmpty())
        return;
    const QString unchanged = QStringLiteral("游戏现有的存档没有改动。");
    QFile file(chosen.first());
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(QStringLiteral("导入存档失败：无法读取文件 %1。").arg(QDir::toNativeSeparators(chosen.first())) + unchanged);
        return;
    }
    const TSavesFile read = ReadSavesFile(file.read(kMaxSavesFileBytes + 1));
    if (!read.error.isEmpty()) {
        ShowMessage(QStringLiteral("导入存档失败：") + read.error + unchanged);
        return;
    }
    // Saved data of another movie would never be read by this one.
    const QString movie = KeptMovie(files_.FlashFolder(), game->file);
    if (!movie.isEmpty() && !read.movie.isEmpty() && movie != read.movie) {
        ShowMessage(QStringLiteral("导入存档失败：这个存档属于另一个游戏。") + unchanged);
        return;
    }
    QMessageBox ask(QMessageBox::Question, QApplication::applicationDisplayName(),
                    QStringLiteral("导入的存档将替换“%1”现有的存档，是否继续？").arg(game->name),
                    QMessageBox::Yes | QMessageBox::No, dialogParent_);
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("导入"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("取消"));
    if (ask.exec() != QMessageBox::Yes)
        return;
    if (!saves_->Replace(game->file, read.saves)) {
        ShowMessage(QStringLiteral("导入存档失败：无法写入游戏的存档。") + unchanged);
        return;
    }
    ShowMessage(QStringLiteral("存档导入成功！下次打开这个游戏时生效。"));
}
