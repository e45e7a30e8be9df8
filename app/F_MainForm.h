#pragma once
#include "platform/ProgramFiles.h"
#include "services/U_VolumeCtrl.h"

#include <QFrame>
#include <QWidget>
#include <filesystem>

class QLabel;
class QMenu;
class QAction;
class QSlider;
class QTimer;
class QToolButton;
class TEmbeddedWB;
class TMSHTMLHTMLDocumentEvents;
class TConfig;
class TGameLibrary;
class TMessageFilter;
class TTrayIcon;
class TToolbarController;
class TUpdateCheck;
class TVolumeControl;
namespace services { class TBuiltInSite; }
class TWebPageControlEx;

// The main window: the left bar with its browser, the toggle strip, the
// client area with the toolbar browser and the tab pager, and the status bar.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // Builds the window of the program in programFolder.
    TMainForm(const TConfig& config, const std::filesystem::path& programFolder, QWidget* parent = nullptr,
              const TMixerTarget& mixer = {});
    ~TMainForm() override;

    // Components of the form resource.
    QAction* Menu_Max = nullptr;
    QAction* Menu_Hide = nullptr;
    QAction* Menu_Close = nullptr;
    QAction* N1 = nullptr;
    QAction* menu_delete = nullptr;
    QAction* menu_addLocal = nullptr;
    QAction* menu_exportSaves = nullptr;
    QAction* menu_importSaves = nullptr;
    QTimer* tmr_update = nullptr;
    QFrame* pnl_bottom = nullptr;
    QLabel* lbl_softversion = nullptr;
    QLabel* img_bottom = nullptr;
    QLabel* img_update = nullptr;
    QLabel* img_home = nullptr;
    QLabel* img_report = nullptr;
    QLabel* lbl_report = nullptr;
    QLabel* lbl_home = nullptr;
    QLabel* lbl_update = nullptr;
    QLabel* img_wave = nullptr;
    QMenu* pm_tray = nullptr;
    QMenu* pm_left = nullptr;
    QSlider* tb_wave = nullptr;

    // Controls created in code.
    QFrame* pnl_left = nullptr;
    QFrame* pnl_top = nullptr;
    QFrame* pnl_toggle = nullptr;
    QFrame* pnl_client = nullptr;
    TEmbeddedWB* wb_left = nullptr;
    TEmbeddedWB* wb_top = nullptr;
    QToolButton* btn_toggle = nullptr;
    TWebPageControlEx* pager_web = nullptr;

    QString LeftPagePath;
    QString TopPagePath;

    void LayoutBrowsers();
    void ToggleLeftView();
    // Hides the main window; the tray icon is the way back.
    void BossKey();

    // The toolbar page: button states and commands.
    TToolbarController* Toolbar = nullptr;
    void UpdateToolbarState(QObject* sender);
    void PagerChange(QObject* sender);
    bool ToolbarClick(TMSHTMLHTMLDocumentEvents* sender);
    void LeftViewNewWindow(TEmbeddedWB* sender, QObject*& ppDisp, bool& cancel);

    // The game library, and the program's own files.
    platform::TProgramFiles Files;
    TGameLibrary* Library = nullptr;
    services::TBuiltInSite* Site = nullptr;
    void CollectGame();
    void DownloadGame();
    void menu_deleteClick();
    void menu_addLocalClick();

    // Sees every input event of the application before its widget does;
    // true when the event goes no further.
    TMessageFilter* MessageFilter = nullptr;
    bool appEventsMessage(QObject* watched, QEvent* event);
    // Writes an error that no handler caught to Data/Log.dat; shows nothing.
    void appEventsException(const QString& message);

    // The status bar links open their addresses, unchanged, in the
    // desktop's web browser (the program BrowserCommand names).
    void lbl_updateClick();
    void lbl_homeClick();
    void lbl_reportClick();
    QString BrowserCommand = QStringLiteral("xdg-open");

    // The tray icon and its menu: the way back to a hidden window.
    TTrayIcon* Tray = nullptr;
    void AddTrayIcon();
    // Starts the built-in site; the site of the home page.
    QUrl StartBuiltInSite();
    void Menu_HideClick();
    void Menu_CloseClick();

    // The once-per-run update check, eight seconds after start.
    TUpdateCheck* UpdateCheck = nullptr;
    void tmr_updateTimer();
    // Asks the check address now; the balloon shows if another version is out.
    void CheckForUpdate();
    void ShowUpdateHint();

    // Master volume and mute from the status bar.
    TVolumeControl* Volume = nullptr;
    void img_waveClick();
    void suitemptb_waveChange(int position);

signals:
    // The window has closed: the program ends.
    void FormClosed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const TConfig& config_;
    void FormCreate();
    void FormShow();
    void FormResize();
    void CreateFormComponents();
    void CreateStatusBar();
    void PlaceStatusBarControls();
    void OpenInWebBrowser(const std::string& address);
    bool eventFilter(QObject* watched, QEvent* event) override;

    bool shown_ = false;
};
