#include "F_MainForm.h"

#include "MessageFilter.h"
#include "Skin.h"
#include "TrayIcon.h"
#include "U_Config.h"
#include "browser/BrowserProfile.h"
#include "browser/FlashPlayer.h"
#include "browser/HiddenTabs.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "library/GameLibrary.h"
#include "browser/ToolbarController.h"
#include "ApplicationExceptions.h"
#include "services/BuiltInSite.h"
#include "services/F_UpdateHint.h"
#include "services/UpdateCheck.h"
#include "services/VolumeControl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QProcess>
#include <QLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QFrame* NewPanel(const char* name, QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    return panel;
}

void Paint(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

} // namespace

TMainForm::TMainForm(const TConfig& config, const std::filesystem::path& programFolder, QWidget* parent,
                     const TMixerTarget& mixer)
    : QWidget(parent), Files(programFolder), config_(config)
{
    Volume = new TVolumeControl(mixer, this);
    connect(ApplicationExceptions(), &TApplicationExceptions::OnException, this, &TMainForm::appEventsException);
    qApp->installEventFilter(this);
    CreateFormComponents();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateFormComponents()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(skin::ApplicationIcon());
    setFont(skin::DefaultFont());
    setStyleSheet(skin::StyleSheet());

    Menu_Max = new QAction(QStringLiteral("最大化"), this);
    Menu_Max->setVisible(false);
    Menu_Hide = new QAction(QStringLiteral("隐藏"), this);
    N1 = new QAction(this);
    N1->setSeparator(true);
    Menu_Close = new QAction(QStringLiteral("关闭"), this);
    menu_delete = new QAction(QStringLiteral("删除"), this);
    menu_addLocal = new QAction(QStringLiteral("添加本地游戏"), this);
    menu_exportSaves = new QAction(QStringLiteral("导出存档"), this);
    menu_importSaves = new QAction(QStringLiteral("导入存档"), this);
    tmr_update = new QTimer(this);
    tmr_update->setInterval(8000);
    tmr_update->setSingleShot(true);
    connect(tmr_update, &QTimer::timeout, this, &TMainForm::tmr_updateTimer);
    tmr_update->start();
    UpdateCheck = new TUpdateCheck({}, this);
    connect(UpdateCheck, &TUpdateCheck::Finished, this, [this](bool updateOut) {
        if (updateOut)
            ShowUpdateHint();
    });
    pm_tray = new QMenu(this);
    pm_tray->addActions({Menu_Max, Menu_Hide, N1, Menu_Close});
    pm_left = new QMenu(this);
    pm_left->addActions({menu_delete, menu_exportSaves, menu_importSaves, menu_addLocal});
    connect(menu_delete, &QAction::triggered, this, &TMainForm::menu_deleteClick);
    connect(menu_addLocal, &QAction::triggered, this, &TMainForm::menu_addLocalClick);
    connect(menu_exportSaves, &QAction::triggered, this, [this] { Library->ExportPickedSaves(); });
    connect(menu_importSaves, &QAction::triggered, this, [this] { Library->ImportPickedSaves(); });
    CreateStatusBar();
}

void TMainForm::FormCreate()
{
    // 1-2: caption, application title, version label.
    const QString softName = Text(config_.SoftName);
    setWindowTitle(softName);
    QApplication::setApplicationDisplayName(softName);
    lbl_softversion->setText(QStringLiteral("主程序版本：") + Text(config_.SoftVersion));

    // 3: the volume controls show the mixer as it is.
    auto showMute = [this](bool muted) {
        img_wave->setPixmap(skin::Picture(muted ? QStringLiteral("VolumeMuteOff.bmp") : QStringLiteral("VolumeMuteOn.bmp"), true));
    };
    showMute(Volume->Muted());
    connect(Volume, &TVolumeControl::MuteChanged, this, showMute);
    tb_wave->setValue(Volume->Volume());
    connect(tb_wave, &QSlider::valueChanged, this, &TMainForm::suitemptb_waveChange);

    // 4: the tray icon, with the application title as its tip.
    AddTrayIcon();

    // 5: the two local pages.
    LeftPagePath = Files.DataFile(QStringLiteral("left.html"));
    TopPagePath = Files.DataFile(QStringLiteral("top.html"));

    // 6: size and colour.
    resize(960, 680);
    setMinimumSize(800, 600);
    Paint(this, skin::WindowColour());

    // 7-9: the left bar, the strip right of it, the client area with the top panel.
    pnl_left = NewPanel("pnl_left", this);
    pnl_left->setFixedWidth(170);
    Paint(pnl_left, skin::WindowColour());
    pnl_toggle = NewPanel("pnl_toggle", this);
    pnl_toggle->setFixedWidth(10);
    Paint(pnl_toggle, skin::StripColour());

    btn_toggle = new QToolButton(pnl_toggle);
    btn_toggle->setObjectName(QStringLiteral("btn_toggle"));
    btn_toggle->setAutoRaise(true);
    btn_toggle->setFont(skin::ToggleButtonFont());
    btn_toggle->setText(QStringLiteral("▲"));
    btn_toggle->setGeometry(0, 0, pnl_toggle->width(), 80);
    btn_toggle->setCursor(Qt::PointingHandCursor);
    btn_toggle->setFocusPolicy(Qt::NoFocus);
    connect(btn_toggle, &QToolButton::clicked, this, &TMainForm::ToggleLeftView);

    pnl_client = NewPanel("pnl_client", this);
    pnl_top = NewPanel("pnl_top", pnl_client);
    pnl_top->setFixedHeight(35);
    Paint(pnl_top, skin::WindowColour());

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(pnl_left);
    body->addWidget(pnl_toggle);
    body->addWidget(pnl_client, 1);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addLayout(body, 1);
    window->addWidget(pnl_bottom);

    // 10: the two fixed browsers.
    wb_left = new TEmbeddedWB(pnl_left);
    wb_left->setObjectName(QStringLiteral("wb_left"));
    wb_left->SetWindowsDetached(true);
    connect(wb_left, &TEmbeddedWB::OnNewWindow2, this, &TMainForm::LeftViewNewWindow);
    wb_left->OfferPageScript(QStringLiteral(":/scripts/left_view.js"));
    wb_top = new TEmbeddedWB(pnl_top);
    wb_top->setObjectName(QStringLiteral("wb_top"));
    wb_top->OfferDocumentEvents();
    for (TEmbeddedWB* browser : {wb_left, wb_top}) {
        browser->page()->setBackgroundColor(skin::WindowColour());
        // The program's own pages come back by themselves after a crash.
        browser->SetReloadAfterCrash(true);
    }

    // 11: the tab pager below the top panel.
    flash::Install(BrowserProfile(), Files.RuffleFolder());
    pager_web = new TWebPageControlEx(pnl_client);
    pager_web->setObjectName(QStringLiteral("pager_web"));
    pager_web->SetTabAreaBackground(skin::WindowColour(), skin::WindowColour(), Qt::Vertical);
    pager_web->AnyMovieDownload = config_.AnyMovieDownload;
    auto* hiddenTabs = new THiddenTabs(pager_web, this);
    hiddenTabs->KeepRunning = config_.KeepHiddenTabsRunning;
    Toolbar = new TToolbarController(wb_top, wb_left, pnl_left, pager_web, Text(config_.HomePage), this);
    connect(Toolbar, &TToolbarController::ToggleLeftViewRequested, this, &TMainForm::ToggleLeftView);
    connect(Toolbar, &TToolbarController::CollectRequested, this, &TMainForm::CollectGame);
    connect(Toolbar, &TToolbarController::DownloadRequested, this, &TMainForm::DownloadGame);
    connect(Toolbar, &TToolbarController::BossKeyRequested, this, &TMainForm::BossKey);
    auto* client = new QVBoxLayout(pnl_client);
    client->setContentsMargins(0, 0, 0, 0);
    client->setSpacing(0);
    client->addWidget(pnl_top);
    client->addWidget(pager_web, 1);

    Library = new TGameLibrary(wb_left, pager_web, this, Files, this);
    connect(Library, &TGameLibrary::EntryMenuRequested, pm_left, [this](QPoint screen, platform::ListKind kind) {
        // Only a local game has saved data of its own.
        menu_exportSaves->setVisible(kind == platform::ListKind::Local);
        menu_importSaves->setVisible(kind == platform::ListKind::Local);
        pm_left->popup(screen);
    });

    MessageFilter = new TMessageFilter(this, pager_web, wb_left, [this](QObject* watched, QEvent* event) {
        return Library->LeftViewInput(watched, event);
    }, this);
    connect(MessageFilter, &TMessageFilter::BossKeyPressed, this, &TMainForm::BossKey);
    connect(MessageFilter, &TMessageFilter::RightButtonReleased, Tray, &TTrayIcon::RightButtonReleased);
    connect(MessageFilter, &TMessageFilter::PointerMoved, this, [this](bool atLeftEdge) {
        // While the left bar is hidden, the strip shows at the left edge.
        if (pnl_left->isHidden() && pnl_toggle->isHidden() == atLeftEdge) {
            pnl_toggle->setVisible(atLeftEdge);
            LayoutBrowsers();
        }
    });

    Library->CleanGamesFolder();

    const QUrl site = StartBuiltInSite();

    // 12-14.
    LayoutBrowsers();
    // The left page's categories and games point at the home page's site.
    wb_left->Navigate(LeftPagePath + QStringLiteral("?site=") + QString::fromLatin1(QUrl::toPercentEncoding(site.toString())));
    wb_top->Navigate(TopPagePath);
    pager_web->OpenPage(Text(config_.HomePage), false);
}

// Installed on the application: sees every event of every object once.
bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (appEventsMessage(watched, event))
        return true;
    // The panels get their sizes from the window's layout after the window's
    // own resize; place the browsers again once they have them.
    if (event->type() == QEvent::Resize && (watched == pnl_left || watched == pnl_top || watched == pnl_toggle))
        LayoutBrowsers();
    if (event->type() == QEvent::Resize && watched == pnl_bottom)
        PlaceStatusBarControls();
    if (event->type() == QEvent::MouseButtonRelease) {
        // A click is a left-button release over the link it began on.
        const auto* click = static_cast<QMouseEvent*>(event);
        auto over = [&](QWidget* a, QWidget* b) {
            QWidget* link = watched == a ? a : watched == b ? b : nullptr;
            return link && click->button() == Qt::LeftButton && link->rect().contains(click->position().toPoint());
        };
        if (over(img_update, lbl_update))
            lbl_updateClick();
        else if (over(img_home, lbl_home))
            lbl_homeClick();
        else if (over(img_report, lbl_report))
            lbl_reportClick();
        else if (over(img_wave, img_wave))
            img_waveClick();
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::LayoutBrowsers()
{
    if (wb_left && pnl_left)
        wb_left->setGeometry(-2, -2, pnl_left->width() + 4, pnl_left->height() + 4);
    if (wb_top && pnl_top)
        wb_top->setGeometry(-2, -2, pnl_top->width() + 4, pnl_top->height() + 4);
    if (btn_toggle && pnl_toggle)
        btn_toggle->move(btn_toggle->x(), (pnl_toggle->height() - btn_toggle->height()) / 2);
}

void TMainForm::ToggleLeftView()
{
    const bool show = pnl_left->isHidden();
    pnl_left->setVisible(show);
    pnl_toggle->setVisible(show);
    btn_toggle->setText(show ? QStringLiteral("▲") : QStringLiteral("▼"));
    layout()->activate(); // the panels take their new places now, not later
    LayoutBrowsers();
    UpdateToolbarState(nullptr);
}

void TMainForm::BossKey() { hide(); }

void TMainForm::CollectGame() { Library->Collect(); }
void TMainForm::DownloadGame() { Library->Download(); }
void TMainForm::menu_deleteClick() { Library->DeletePicked(); }
void TMainForm::menu_addLocalClick() { Library->ChooseLocalGames(); }

bool TMainForm::appEventsMessage(QObject* watched, QEvent* event)
{
    return MessageFilter && MessageFilter->Filter(watched, event);
}

QUrl TMainForm::StartBuiltInSite()
{
    Site = new services::TBuiltInSite(Files.SiteFolder(), quint16(config_.BuiltInSitePort), this);
    const QUrl homeSite = services::TBuiltInSite::SiteOf(Text(config_.HomePage), Site->Port());
    const bool homeOnSite = homeSite == services::TBuiltInSite::Origin(Site->Port());
    connect(Site, &services::TBuiltInSite::PortHeldByOther, this, [this, homeOnSite](quint16 port) {
        if (!homeOnSite)
            return;
        auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(),
                                    QStringLiteral("内置游戏站打不开：本机端口 %1 已被别的程序占用。\n"
                                                   "关闭那个程序后，内置游戏站会自动开启，刷新页面即可。").arg(port),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("msg_sitePortHeld"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    });
    Site->Start();
    return homeSite;
}

void TMainForm::AddTrayIcon()
{
    Tray = new TTrayIcon(this, pm_tray, Menu_Hide, Menu_Close, this);
    Tray->Show();
}

void TMainForm::Menu_HideClick() { Tray->ToggleWindow(); }
void TMainForm::Menu_CloseClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event)
{
    Tray->Hide();
    QWidget::closeEvent(event);
    emit FormClosed();
}

void TMainForm::UpdateToolbarState(QObject*) { Toolbar->UpdateState(); }
void TMainForm::PagerChange(QObject*) { Toolbar->PagerChange(); }
bool TMainForm::ToolbarClick(TMSHTMLHTMLDocumentEvents* sender) { return Toolbar->Click(sender); }

void TMainForm::LeftViewNewWindow(TEmbeddedWB*, QObject*& ppDisp, bool& cancel)
{
    TWebPageEx* page = pager_web->OpenPage(QString(), true);
    ppDisp = page->WebBrowser->Application();
    cancel = false;
}

void TMainForm::tmr_updateTimer()
{
    tmr_update->stop();
    CheckForUpdate();
}

void TMainForm::CheckForUpdate() { UpdateCheck->Start({config_.CheckURL, config_.SoftVersion, config_.MachineCode}); }

void TMainForm::ShowUpdateHint()
{
    // On the status bar, its left edge in line with the update icon.
    auto* hint = new TUpdateHintForm(skin::Picture(QStringLiteral("balloon.bmp"), true), this);
    const QPoint icon = img_update->mapTo(this, QPoint(0, 0));
    hint->move(icon.x(), pnl_bottom->y() - hint->height());
    connect(hint, &TUpdateHintForm::Clicked, this, &TMainForm::lbl_updateClick);
    hint->show();
    hint->raise();
}

void TMainForm::img_waveClick() { Volume->ToggleMute(); }
void TMainForm::suitemptb_waveChange(int position) { Volume->SetVolume(position); }

void TMainForm::OpenInWebBrowser(const std::string& address)
{
    QProcess::startDetached(BrowserCommand, {QString::fromStdString(address)});
}

void TMainForm::lbl_updateClick() { OpenInWebBrowser(config_.UpdatePath); }
void TMainForm::lbl_homeClick() { OpenInWebBrowser(config_.SoftwareWebSit); }
void TMainForm::lbl_reportClick() { OpenInWebBrowser(config_.ReportURL); }

void TMainForm::appEventsException(const QString& message)
{
    // One line per error, appended; a log that cannot be written is skipped.
    QFile log(Files.DataFile(QStringLiteral("Log.dat")));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    log.write(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + ' '
              + message.toUtf8() + "\r\n");
}

void TMainForm::FormShow()
{
    if (!shown_) {
        shown_ = true;
        // The minimum applies to the outer window; centre it on the desktop.
        const QSize frame = frameGeometry().size() - geometry().size();
        setMinimumSize(800 - frame.width(), 600 - frame.height());
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    LayoutBrowsers();
}

void TMainForm::FormResize() { LayoutBrowsers(); }

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceStatusBarControls();
    FormResize();
}
