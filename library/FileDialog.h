#pragma once
// The program's file dialog, in the program's language whatever Qt's own is.
#include <QString>
#include <QStringList>

class QWidget;

enum class FileDialogUse { OpenFiles, OpenFile, Save };

// The files the user chose, none when they cancelled. start is the folder
// to show, or for saving the suggested file.
QStringList AskForFiles(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                        FileDialogUse use, const QString& acceptText);
