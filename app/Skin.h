#pragma once
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The look of the game box: colours, fonts, pictures and the style sheet.
namespace skin {

QColor WindowColour();    // RGB(211, 198, 225)
QColor StripColour();     // RGB(114, 96, 177)
QFont DefaultFont();      // 11 pixels
QFont StatusBarFont();    // the Song face, 12 pixels
QFont ToggleButtonFont(); // the Song face, 8 points
QString StyleSheet();
QIcon ApplicationIcon();
// A picture stored with the program; magenta pixels are transparent when asked.
QPixmap Picture(const QString& name, bool transparent = false);

} // namespace skin
