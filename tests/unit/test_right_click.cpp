// What counts as a right click on a view, fed events as values.
#include "browser/RightClick.h"

#include <gtest/gtest.h>

namespace {

struct ClickCase {
    QEvent::Type type;
    Qt::MouseButton button;
    bool rightClick;
};

TEST(RightClick, CountsEveryRightButtonEventAndEveryContextMenu)
{
    const ClickCase cases[] = {
        {QEvent::MouseButtonPress, Qt::RightButton, true},  {QEvent::MouseButtonRelease, Qt::RightButton, true},
        {QEvent::MouseButtonDblClick, Qt::RightButton, true}, {QEvent::ContextMenu, Qt::NoButton, true},
        {QEvent::MouseButtonPress, Qt::LeftButton, false},  {QEvent::MouseButtonRelease, Qt::MiddleButton, false},
        {QEvent::MouseMove, Qt::RightButton, false},        {QEvent::KeyPress, Qt::NoButton, false},
    };
    for (const ClickCase& c : cases)
        EXPECT_EQ(IsRightClick(c.type, c.button), c.rightClick) << c.type << " " << c.button;
}

} // namespace
