#include "ToolbarDecisions.h"

#include <QHash>

TToolbarCommand ToolbarCommandFor(const QString& elementId)
{
    static const QHash<QString, TToolbarCommand> kCommands = {
        {QStringLiteral("ShowLeftView"), TToolbarCommand::ToggleLeftView},
        {QStringLiteral("Back"), TToolbarCommand::Back},
        {QStringLiteral("Forward"), TToolbarCommand::Forward},
        {QStringLiteral("Stop"), TToolbarCommand::Stop},
        {QStringLiteral("Refresh"), TToolbarCommand::Refresh},
        {QStringLiteral("HomePage"), TToolbarCommand::HomePage},
        {QStringLiteral("Collect"), TToolbarCommand::Collect},
        {QStringLiteral("Down_active_click"), TToolbarCommand::Download},
        {QStringLiteral("BossKey"), TToolbarCommand::BossKey},
    };
    return kCommands.value(elementId, TToolbarCommand::None);
}

namespace {

void AddPair(QList<QPair<QString, QString>>& displays, const char* active, const char* inactive, bool condition)
{
    displays.append({QLatin1String(active), condition ? QString() : QStringLiteral("none")});
    displays.append({QLatin1String(inactive), condition ? QStringLiteral("none") : QString()});
}

} // namespace

QList<QPair<QString, QString>> ToolbarDisplays(const std::optional<TToolbarTabState>& tab, bool leftViewShown)
{
    QList<QPair<QString, QString>> displays;
    if (tab) {
        AddPair(displays, "Back_active", "Back_inactive", tab->CanGoBack);
        AddPair(displays, "Forward_active", "Forward_inactive", tab->CanGoForward);
        AddPair(displays, "Stop_active", "Stop_inactive", tab->Busy);
        AddPair(displays, "Down_active", "Down_inactive", tab->DownloadReady);
    }
    AddPair(displays, "Retract_leftBar", "Open_leftBar", leftViewShown);
    return displays;
}
