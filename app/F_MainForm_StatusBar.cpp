// The status bar along the bottom of the main window.
#include "F_MainForm.h"
#include "Skin.h"

#include <QLabel>
#include <QSlider>

namespace {

// The bar's controls are placed for a bar 958 pixels wide; those anchored
// to the right keep their distance from the right edge.
constexpr int kDesignWidth = 958;

struct Placement {
    int left, top, width, height;
    bool anchoredRight;
};

QLabel* NewLabel(const char* name, QWidget* parent, const QString& text, bool link)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(skin::StatusBarFont());
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->setAttribute(Qt::WA_TranslucentBackground);
    if (link)
        label->setCursor(Qt::PointingHandCursor);
    return label;
}

QLabel* NewPicture(const char* name, QWidget* parent, const QString& picture, bool link)
{
    auto* image = new QLabel(parent);
    image->setObjectName(QLatin1String(name));
    image->setPixmap(skin::Picture(picture, true));
    image->setStyleSheet(QStringLiteral("background: transparent;"));
    if (link)
        image->setCursor(Qt::PointingHandCursor);
    return image;
}

} // namespace

void TMainForm::CreateStatusBar()
{
    pnl_bottom = new QFrame(this);
    pnl_bottom->setObjectName(QStringLiteral("pnl_bottom"));
    pnl_bottom->setFixedHeight(20);
    pnl_bottom->setFrameShape(QFrame::NoFrame);
    pnl_bottom->setFont(skin::StatusBarFont());

    img_bottom = new QLabel(pnl_bottom);
    img_bottom->setObjectName(QStringLiteral("img_bottom"));
    img_bottom->setPixmap(skin::Picture(QStringLiteral("status_bg.bmp")));
    img_bottom->setScaledContents(true);

    lbl_softversion = NewLabel("lbl_softversion", pnl_bottom, QStringLiteral("主程序版本："), false);
    img_update = NewPicture("img_update", pnl_bottom, QStringLiteral("update.bmp"), true);
    lbl_update = NewLabel("lbl_update", pnl_bottom, QStringLiteral("检查更新"), true);
    img_wave = NewPicture("img_wave", pnl_bottom, QStringLiteral("VolumeMuteOn.bmp"), true);
    tb_wave = new QSlider(Qt::Horizontal, pnl_bottom);
    tb_wave->setObjectName(QStringLiteral("tb_wave"));
    tb_wave->setRange(0, 65535);
    // The mouse sets the volume; keys meant for a game never reach the slider.
    tb_wave->setFocusPolicy(Qt::NoFocus);
    tb_wave->setAttribute(Qt::WA_TranslucentBackground);
    tb_wave->setStyleSheet(QStringLiteral("background: transparent;"));
    img_home = NewPicture("img_home", pnl_bottom, QStringLiteral("home.bmp"), true);
    lbl_home = NewLabel("lbl_home", pnl_bottom, QStringLiteral("软件官方网站"), true);
    img_report = NewPicture("img_report", pnl_bottom, QStringLiteral("report.bmp"), true);
    lbl_report = NewLabel("lbl_report", pnl_bottom, QStringLiteral("提提意见"), true);
    PlaceStatusBarControls();
}

void TMainForm::PlaceStatusBarControls()
{
    if (!pnl_bottom)
        return;
    const std::pair<QWidget*, Placement> places[] = {
        {lbl_softversion, {6, 4, 179, 12, false}}, {img_update, {196, 3, 14, 14, false}},
        {lbl_update, {213, 4, 48, 12, false}},     {img_wave, {561, 0, 20, 20, true}},
        {tb_wave, {584, -4, 113, 23, true}},       {img_home, {732, 0, 20, 20, true}},
        {lbl_home, {754, 4, 72, 12, true}},        {img_report, {860, 0, 20, 18, true}},
        {lbl_report, {882, 4, 48, 12, true}},
    };
    const int width = pnl_bottom->width();
    img_bottom->setGeometry(0, 0, width, pnl_bottom->height());
    for (const auto& [control, place] : places) {
        const int left = place.anchoredRight ? width - (kDesignWidth - place.left) : place.left;
        control->setGeometry(left, place.top, place.width, place.height);
    }
}
