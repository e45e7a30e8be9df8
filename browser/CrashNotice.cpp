#include "CrashNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CrashNotice::CrashNotice(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("crashNotice"));
    setAutoFillBackground(true);
    auto* label = new QLabel(QStringLiteral("页面已崩溃"), this);
    auto* reload = new QPushButton(QStringLiteral("重新加载"), this);
    reload->setCursor(Qt::PointingHandCursor);
    connect(reload, &QPushButton::clicked, this, &CrashNotice::ReloadClicked);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addStretch();
    layout->addWidget(label);
    layout->addWidget(reload);
    layout->addStretch();
}
