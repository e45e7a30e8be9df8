#pragma once
// Answers the program's file dialog once it shows. The dialog runs its own
// event loop, so the answer comes from a timer, as a user's would.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

namespace testing_support {

class FileDialogAnswerer {
public:
    void When(std::function<void(QFileDialog*)> answer)
    {
        title.clear();
        QObject::disconnect(&watch_, nullptr, nullptr, nullptr);
        QObject::connect(&watch_, &QTimer::timeout, [this, answer] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
                    watch_.stop();
                    QObject::disconnect(&watch_, nullptr, nullptr, nullptr);
                    title = dialog->windowTitle();
                    answer(dialog);
                    return;
                }
        });
        watch_.start(20);
    }
    // Puts file into the dialog's name field and confirms it with the Enter
    // key, as a user typing it would; false when the dialog has no field.
    static bool Type(QFileDialog* dialog, const QString& file)
    {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name)
            return false;
        name->setText(file);
        QTest::keyClick(name, Qt::Key_Return);
        return true;
    }

    QString title; // of the dialog answered

private:
    QTimer watch_;
};

} // namespace testing_support
