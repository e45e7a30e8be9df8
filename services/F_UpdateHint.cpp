#include "F_UpdateHint.h"

#include <QLabel>
#include <QMouseEvent>

TUpdateHintForm::TUpdateHintForm(const QPixmap& picture, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("UpdateHintForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (!parent)
        setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    setFixedSize(181, 72);
    img = new QLabel(this);
    img->setObjectName(QStringLiteral("img"));
    img->setGeometry(0, 0, 181, 72);
    tmr = new QTimer(this);
    tmr->setInterval(10000);
    tmr->setSingleShot(true);
    connect(tmr, &QTimer::timeout, this, &TUpdateHintForm::tmrTimer);
    FormCreate(picture);
    tmr->start();
}

void TUpdateHintForm::FormCreate(const QPixmap& picture)
{
    // Only the balloon is drawn: the picture's transparent surround lets
    // what lies beneath show through.
    img->setPixmap(picture);
    setMask(picture.mask());
    setAttribute(Qt::WA_TranslucentBackground);
    img->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(Qt::PointingHandCursor);
}

void TUpdateHintForm::imgClick()
{
    emit Clicked();
    close();
}

void TUpdateHintForm::tmrTimer() { close(); }

void TUpdateHintForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        imgClick();
}

void TUpdateHintForm::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    close();
}
