// The main window's side of the update check.
#include "T_UpdateInfoThread.h"
#include "app/F_MainForm.h"

#include <QTimer>

void TMainForm::tmr_updateTimer()
{
    tmr_update->stop();
    // Owned by the window only so that closing the window ends a check
    // still under way; the thread frees itself when done.
    new TUpdateInfoThread(this, this, UpdateCheckLimits);
}
