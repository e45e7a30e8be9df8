#pragma once
// The update hint: a balloon standing on the status bar above the update
// icon. It closes itself after ten seconds, on a click, or when the pointer
// leaves it, and is released when closed.
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QLabel;

class TUpdateHintForm : public QWidget {
    Q_OBJECT
public:
    // picture is the balloon, with its mask.
    explicit TUpdateHintForm(const QPixmap& picture, QWidget* parent = nullptr);

    QLabel* img = nullptr;
    QTimer* tmr = nullptr;

    void imgClick();
    void tmrTimer();

signals:
    // The balloon was clicked: the update page is to be shown.
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void FormCreate(const QPixmap& picture);
};
