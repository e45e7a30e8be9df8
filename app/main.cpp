#include "F_MainForm.h"
#include "U_Config.h"
#include "browser/FlashPlayer.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>

int main(int argc, char* argv[])
{
    flash::RegisterScheme();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvanzev"));

    try {
        Config = new TConfig();
    } catch (const EConfigError& error) {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                        QString::fromStdString(error.what()), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Orvanzev"));

    TMainForm mainForm(platform::ProgramFolder());
    mainForm.show();
    return application.exec();
}
