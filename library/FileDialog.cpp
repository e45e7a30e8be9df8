#include "FileDialog.h"

#include <QFileDialog>

QStringList AskForFiles(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                        FileDialogUse use, const QString& acceptText)
{
    QFileDialog dialog(parent, title, start, filter);
    dialog.setFileMode(use == FileDialogUse::OpenFiles ? QFileDialog::ExistingFiles
                       : use == FileDialogUse::OpenFile ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog.setAcceptMode(use == FileDialogUse::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    dialog.setLabelText(QFileDialog::Accept, acceptText);
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
