// The main window's bridge between its fixed views and the tabs.
#include "app/F_MainForm.h"
#include "O_WebPageControlEx.h"
#include "TEmbeddedWB.h"

void TMainForm::LeftViewNewWindow(TEmbeddedWB*, QObject*& ppDisp, bool& cancel)
{
    TWebPageEx* page = pager_web->OpenPage(QString(), true);
    ppDisp = page->WebBrowser->Application();
    cancel = false;
}
