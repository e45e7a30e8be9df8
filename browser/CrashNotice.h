#pragma once
#include <QWidget>

// Shown in place of a page whose page process has died, with a button to
// load the page again.
class CrashNotice : public QWidget {
    Q_OBJECT
public:
    explicit CrashNotice(QWidget* parent);

signals:
    void ReloadClicked();
};
