#pragma once
// What the toolbar page's elements mean and how the page shows a state.
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

enum class TToolbarCommand { None, ToggleLeftView, Back, Forward, Stop, Refresh, HomePage, Collect, Download, BossKey };

// The command of the element clicked, by its exact id; None for any other.
TToolbarCommand ToolbarCommandFor(const QString& elementId);

// What the toolbar shows of the active tab.
struct TToolbarTabState {
    bool CanGoBack = false;
    bool CanGoForward = false;
    bool Busy = false;
    bool DownloadReady = false;
};

// The display of each state element, in writing order: "" shows it, "none"
// hides it. Without an active tab the tab's four pairs stay as they are.
QList<QPair<QString, QString>> ToolbarDisplays(const std::optional<TToolbarTabState>& tab, bool leftViewShown);
