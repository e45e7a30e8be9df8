#pragma once
// Answers the program's modal dialogs as a user would: reads and confirms
// each message box (a question with its yes), and cancels a progress
// dialog when told to: at once, or once its text says cancelAt.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QStringList>
#include <QTest>
#include <QTimer>

namespace testing_support {

class DialogAnswerer {
public:
    explicit DialogAnswerer(bool cancelProgress = false, QString cancelAt = {})
        : cancelProgress_(cancelProgress), cancelAt_(std::move(cancelAt))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(20);
    }
    QStringList messages;
    bool progressSeen = false;
    QStringList progressTexts; // each text the progress dialog showed, once

private:
    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box->isVisible() && box != answered_) {
                answered_ = box;
                messages << box->text();
                QAbstractButton* yes = box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok) : box->button(QMessageBox::Yes);
                if (yes)
                    QTest::mouseClick(yes, Qt::LeftButton);
            }
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(widget); progress && progress->isVisible()) {
                progressSeen = true;
                progressTexts.removeAll(progress->labelText());
                progressTexts << progress->labelText();
                if (cancelProgress_ && progress->labelText().contains(cancelAt_))
                    for (auto* button : progress->findChildren<QAbstractButton*>())
                        if (button->text() == QStringLiteral("取消"))
                            QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    }
    bool cancelProgress_;
    QString cancelAt_;
    QTimer timer_;
    QPointer<QMessageBox> answered_;
};

} // namespace testing_support
