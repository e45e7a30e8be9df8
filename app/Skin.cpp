#include "Skin.h"

#include <QBitmap>

namespace skin {
namespace {

// "宋体" where it is installed, a CJK face of the same role where not.
const QStringList kSongFaces = {QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                                QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")};

} // namespace

QColor WindowColour() { return QColor(211, 198, 225); }
QColor StripColour() { return QColor(114, 96, 177); }

QFont DefaultFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(11);
    return font;
}

QFont StatusBarFont()
{
    QFont font;
    font.setFamilies(kSongFaces);
    font.setPixelSize(12);
    return font;
}

QFont ToggleButtonFont()
{
    QFont font;
    font.setFamilies(kSongFaces);
    font.setPointSize(8);
    return font;
}

QString StyleSheet()
{
    return QStringLiteral(R"CSS(
TMainForm, #pnl_left, #pnl_top, #pnl_client { background: #D3C6E1; }
#pnl_toggle { background: #7260B1; }
#btn_toggle { color: black; border: none; background: transparent; padding: 0; }
#btn_toggle:hover { background: #8A78C8; }
#btn_toggle:pressed { background: #5E4B9E; }
QTabBar::tab {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #EFE9F6, stop:1 #DCD0EA);
  color: #3B2F63; border: 1px solid #9C8CC8; border-bottom: none;
  border-top-left-radius: 5px; border-top-right-radius: 5px;
  padding: 3px 8px; margin-right: 2px; margin-top: 3px; min-width: 60px;
}
QTabBar::tab:selected { background: #FFFFFF; color: #22194A; margin-top: 1px; }
QTabBar::tab:hover:!selected { background: #F6F2FB; }
QTabBar QToolButton#tabClose { border: none; color: #6B5BA6; font-weight: bold; padding: 0 2px; }
QTabBar QToolButton#tabClose:hover { color: white; background: #C0392B; border-radius: 3px; }
QTabWidget::pane { border: none; border-top: 1px solid #9C8CC8; }
QSlider#tb_wave::groove:horizontal { height: 4px; background: #3F3275; border-radius: 2px; }
QSlider#tb_wave::sub-page:horizontal { background: #E8E0F5; border-radius: 2px; }
QSlider#tb_wave::handle:horizontal { width: 9px; margin: -5px 0; background: #FFFFFF;
  border: 1px solid #5E4B9E; border-radius: 4px; }
QMenu { background: #F7F4FB; border: 1px solid #7260B1; color: #22194A; }
QMenu::item { padding: 4px 22px; }
QMenu::item:selected { background: #7260B1; color: white; }
)CSS");
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addFile(QStringLiteral(":/pictures/app_%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap Picture(const QString& name, bool transparent)
{
    QPixmap picture(QStringLiteral(":/pictures/") + name);
    if (transparent && !picture.isNull())
        picture.setMask(picture.createMaskFromColor(QColor(255, 0, 255)));
    return picture;
}

} // namespace skin
