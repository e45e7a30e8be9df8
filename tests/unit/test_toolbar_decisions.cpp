// The toolbar's decisions: the command of a clicked element and the
// displays of the state elements.
#include "browser/ToolbarDecisions.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolbarCommandFor, ExactIdsOnly)
{
    const struct {
        const char* id;
        TToolbarCommand command;
    } cases[] = {
        {"ShowLeftView", TToolbarCommand::ToggleLeftView},
        {"Back", TToolbarCommand::Back},
        {"Forward", TToolbarCommand::Forward},
        {"Stop", TToolbarCommand::Stop},
        {"Refresh", TToolbarCommand::Refresh},
        {"HomePage", TToolbarCommand::HomePage},
        {"Collect", TToolbarCommand::Collect},
        {"Down_active_click", TToolbarCommand::Download},
        {"BossKey", TToolbarCommand::BossKey},
        // The look around the download button, not the button.
        {"Down_active", TToolbarCommand::None},
        {"back", TToolbarCommand::None},
        {"Back ", TToolbarCommand::None},
        {"Back_active", TToolbarCommand::None},
        {"", TToolbarCommand::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToolbarCommandFor(QString::fromLatin1(c.id)), c.command) << '"' << c.id << '"';
}

QString Written(const QList<QPair<QString, QString>>& displays)
{
    QStringList text;
    for (const auto& [id, display] : displays)
        text << id + '=' + (display.isEmpty() ? QStringLiteral("shown") : display);
    return text.join(' ');
}

TEST(ToolbarDisplays, EachPairFollowsItsState)
{
    const struct {
        const char* what;
        std::optional<TToolbarTabState> tab;
        bool leftShown;
        const char* written;
    } cases[] = {
        {"a new tab", TToolbarTabState{}, true,
         "Back_active=none Back_inactive=shown Forward_active=none Forward_inactive=shown Stop_active=none "
         "Stop_inactive=shown Down_active=none Down_inactive=shown Retract_leftBar=shown Open_leftBar=none"},
        {"back, loading a game, left bar hidden", TToolbarTabState{true, false, true, true}, false,
         "Back_active=shown Back_inactive=none Forward_active=none Forward_inactive=shown Stop_active=shown "
         "Stop_inactive=none Down_active=shown Down_inactive=none Retract_leftBar=none Open_leftBar=shown"},
        {"forward only", TToolbarTabState{false, true, false, false}, true,
         "Back_active=none Back_inactive=shown Forward_active=shown Forward_inactive=none Stop_active=none "
         "Stop_inactive=shown Down_active=none Down_inactive=shown Retract_leftBar=shown Open_leftBar=none"},
        {"no tab: the left bar only", std::nullopt, false, "Retract_leftBar=none Open_leftBar=shown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Written(ToolbarDisplays(c.tab, c.leftShown)).toStdString(), c.written) << c.what;
}

} // namespace
