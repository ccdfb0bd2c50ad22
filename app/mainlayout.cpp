#include "app/mainlayout.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <algorithm>
#include <vector>

#include "app/flypanelcontroller.h"
#include "app/frmmain.h"
#include "app/gradientcaption.h"
#include "app/simpletimer.h"
#include "controls/calendar/calendargroup.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "core/tockwelldb.h"
#include "core/windows/windowposition.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/paintbox.h"
#include "platform/gui/windowmessages.h"

namespace {

constexpr int kMinExpandedSize = 150;

} // namespace

int MonthStep(int calendarArea, int monthSize, int delta) {
    if (delta > 0)
        return monthSize;
    if (delta < 0 && 2 * calendarArea >= 3 * monthSize)
        return -monthSize;
    return 0;
}

QSize ClampedToWorkArea(QSize client, QSize workArea) {
    return client.boundedTo(workArea.expandedTo(QSize(kMinExpandedSize, kMinExpandedSize)));
}

void TfrmMain::LayoutPanels() {
    // The form is sized round the calendar group; the controller then places the panels in it,
    // and the group fills its panel.
    if (!Collapsed())
        resize(FlyPanel->Geometry.FittedClientSize(CalendarGroup->size(), pnlButtons->height(),
                                                   pnlCaption->height()));
    FlyPanel->Layout(this, pnlCaption, pnlContainer, pnlControl, pnlButtons);
    CalendarGroup->setGeometry(pnlControl->rect());
    if (!Collapsed())
        setMinimumSize(kMinExpandedSize, kMinExpandedSize);
}

bool TfrmMain::Collapsed() const {
    return FlyPanel && FlyPanel->Collapsed();
}

void TfrmMain::SetCollapsed(bool collapse) {
    // A pending open of the nearest reminder ends here.
    tmTodayIndicator->Stop(true);
    captionPressed_ = false;
    PostWindowMessage(this, WM_STOP_TODAY_INDICATOR);
    if (collapse == Collapsed())
        return;
    if (collapse)
        setMinimumSize(0, 0);
    FlyPanel->ToggleCollapse(this, pnlCaption, pnlControl, pnlButtons);
    if (!collapse)
        setMinimumSize(kMinExpandedSize, kMinExpandedSize);
}

bool TfrmMain::ConsoleShown() const {
    return !edConsole->isHidden();
}

void TfrmMain::ShowConsole(bool show) {
    if (show == ConsoleShown())
        return;
    // The button panel, and with it the window, grows or shrinks by the console's height.
    const int height = edConsole->sizeHint().height() + pnlButtons->layout()->spacing();
    edConsole->setVisible(show);
    lbConsole->setText(show ? QStringLiteral("console <<") : QStringLiteral("console >>"));
    pnlButtons->setFixedHeight(pnlButtons->height() + (show ? height : -height));
    LayoutPanels();
    FocusConsoleOrCalendar();
}

void TfrmMain::FocusConsoleOrCalendar() {
    if (ConsoleShown())
        edConsole->setFocus();
    else
        CalendarGroup->setFocus();
}

bool TfrmMain::focusNextPrevChild(bool next) {
    std::vector<QWidget*> chain;
    for (int i = 0; i < CalendarGroup->CalendarCount(); ++i)
        chain.push_back(CalendarGroup->Calendar(i));
    chain.push_back(edConsole);
    std::erase_if(chain, [this](QWidget* w) { return !w->isVisibleTo(this); });
    if (chain.empty())
        return QWidget::focusNextPrevChild(next);
    const int count = int(chain.size());
    const auto at = std::find(chain.begin(), chain.end(), focusWidget());
    int target = next ? 0 : count - 1; // from elsewhere: the first (last) of the chain
    if (at != chain.end())
        target = (int(at - chain.begin()) + (next ? 1 : count - 1)) % count;
    chain[size_t(target)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

QSize TfrmMain::CalendarArea() const {
    // From the expanded size, which a collapsed window keeps for later.
    const QRect container =
        FlyPanel->Geometry.ContainerRect(QSize(width(), FlyPanel->ExpandedHeight(this)));
    return FlyPanel->Geometry
        .ContentRect(container.size(), pnlCaption->height(), pnlButtons->height())
        .size();
}

void TfrmMain::ChangeMonthColumns(int delta) {
    if (!WindowIsActive())
        return;
    const int step = MonthStep(CalendarArea().width(), CalendarGroup->CalendarWidth(), delta);
    if (step == 0)
        return;
    // A collapsed window shows the new column when it expands.
    resize(width() + step, height());
    KeepFormInWorkArea(this, true, WorkAreaMargin);
}

void TfrmMain::ChangeMonthRows(int delta) {
    if (!WindowIsActive())
        return;
    const int step = MonthStep(CalendarArea().height(), CalendarGroup->CalendarHeight(), delta);
    if (step == 0)
        return;
    FlyPanel->SetExpandedHeight(this, FlyPanel->ExpandedHeight(this) + step);
    KeepFormInWorkArea(this, true, WorkAreaMargin);
}

void TfrmMain::LoadLayoutSettings() {
    ++layoutLoading_;
    const bool collapsed = ReadRegistryBool(TockwellSettingsKey, CollapsedValue, false);
    if (LoadWindowPosition(this, TockwellSettingsKey, {})) {
        // The stored size gives the months shown (never more than the screen holds).
        resize(ClampedToWorkArea(size(), WorkAreaOf(this).size()));
        const QSize area = CalendarArea();
        CalendarGroup->SetColCount(std::max(1, area.width() / CalendarGroup->CalendarWidth()));
        CalendarGroup->SetRowCount(std::max(1, area.height() / CalendarGroup->CalendarHeight()));
        LayoutPanels();
        // Rebuilding the months dropped the selection: today is selected at every start.
        GoToToday();
    } else {
        // First start: the bottom-right corner of the work area.
        QRect area = WorkAreaOf(this);
        move(area.right() + 1 - frameGeometry().width(),
             area.bottom() + 1 - frameGeometry().height());
    }
    KeepFormInWorkArea(this, false, WorkAreaMargin);
    ShowConsole(ReadRegistryBool(TockwellSettingsKey, ShowConsoleValue, true));
    if (!db_->DBSettings.RunMinimized) {
        if (collapsed)
            SetCollapsed(true);
        ShowMainWindow(false, true);
    }
    --layoutLoading_;
}

void TfrmMain::SaveLayoutSettings() {
    SaveWindowPosition(TockwellSettingsKey, x(), y(), width(), FlyPanel->ExpandedHeight(this), {});
    WriteRegistryBool(TockwellSettingsKey, CollapsedValue, Collapsed());
    WriteRegistryBool(TockwellSettingsKey, ShowConsoleValue, ConsoleShown());
}
