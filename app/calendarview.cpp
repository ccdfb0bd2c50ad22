#include "app/calendarview.h"

#include <QColorDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <cmath>

#include "app/flypanelcontroller.h"
#include "app/frmmain.h"
#include "controls/calendar/calendargroup.h"
#include "core/durationtexts.h"
#include "core/tockwelldb.h"
#include "platform/datetimeformat.h"
#include "platform/formatsettings.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/textfit.h"
#include "platform/gui/topmosts.h"

namespace {

bool IsWeekend(TDateTime day) {
    const int weekday = DayOfWeek(day); // 1 = Sunday
    return weekday == 1 || weekday == 7;
}

int MonthIndex(int year, int month) {
    return year * 12 + month - 1;
}

} // namespace

// ---- Rules ----------------------------------------------------------------------------------

bool DayFontColor(const TTockwellDB& db, TDateTime day, TColor& color) {
    const TTockwellOptions& options = db.DBSettings;
    if (!options.CustomColorsEnabled)
        return false;
    int32_t custom = 0;
    if (db.GetDateColor(custom, day))
        color = custom;
    else if (db.Holidays.HasDate(day))
        color = options.HolidayColor;
    else if (db.Workdays.HasDate(day))
        color = options.WorkdayColor;
    else
        return false;
    return true;
}

std::string SelectionStatusText(const std::vector<TDateTime>& days, TDateTime today) {
    if (days.size() != 1)
        return "Days selected: " + std::to_string(days.size());
    const TDateTime day = std::trunc(days.front());
    std::string text = FormatDateTime("ddddd ", day);
    const TDateTime distance = day - std::trunc(today);
    if (distance != 0)
        text += (distance > 0 ? " (in " : " (- ") +
                FormatDuration(true, false, false, false, std::fabs(distance)) + ")";
    return text;
}

std::string SelectionStatusHint(const TTockwellDB& db, const std::vector<TDateTime>& days) {
    if (days.size() < 2)
        return {};
    size_t holidays = 0;
    for (TDateTime day : days)
        if (db.Holidays.HasDate(day) || (!db.Workdays.HasDate(day) && IsWeekend(day)))
            ++holidays;
    return "Workdays: " + std::to_string(days.size() - holidays) +
           "\nHolidays: " + std::to_string(holidays);
}

std::pair<std::string, std::string> DayOperationQuestions(TDayOperation operation) {
    switch (operation) {
    case doResetSelection:
        return {"Reset selection to default holiday/workday state?", {}};
    case doResetAll:
        return {"Are you sure you want to remove all custom Holidays and Workdays?",
                "This will reset entire calendar to default holiday/workday state. Continue?"};
    case doRemoveCustomColor:
        return {"Remove custom colors for selection?", {}};
    case doRemoveAllCustomColors:
        return {"Remove all custom colors?", {}};
    default:
        return {};
    }
}

void ApplyDayOperation(TTockwellDB& db, TDayOperation operation, const std::vector<TDateTime>& days,
                       TColor color) {
    // The two operations on the whole calendar run once, also without a selected day.
    if (operation == doResetAll) {
        db.ClearHolidaysWorkdays();
        return;
    }
    if (operation == doRemoveAllCustomColors) {
        db.ClearDateColors();
        return;
    }
    for (TDateTime day : days) {
        switch (operation) {
        case doMarkHoliday:
            db.SetHoliday(day);
            break;
        case doMarkWorkday:
            db.SetWorkday(day);
            break;
        case doResetSelection:
            db.RemoveHoliday(day);
            db.RemoveWorkday(day);
            break;
        case doSetCustomColor:
            db.SetDateColor(color, day);
            break;
        case doRemoveCustomColor:
            db.RemoveDateColor(day);
            break;
        default:
            break;
        }
    }
}

QFont DayNamesFont(const QFont& font, const std::vector<std::string>& names, int cellWidth) {
    constexpr int kLeastGap = 3;
    constexpr int kLeastPixelSize = 8;
    // Each name is centred in its cell: two neighbours are apart by half of what each leaves.
    auto fits = [&](const QFont& f) {
        const QFontMetrics metrics(f);
        for (size_t i = 0; i < names.size(); ++i) {
            const int left = metrics.boundingRect(QString::fromStdString(names[i])).width();
            const int right =
                metrics.boundingRect(QString::fromStdString(names[(i + 1) % names.size()])).width();
            if ((2 * cellWidth - left - right) / 2 < kLeastGap)
                return false;
        }
        return true;
    };
    QFont candidate = font;
    if (fits(candidate))
        return candidate;
    // Glyphs on whole pixels widen the names; with the letters placed freely they are narrower.
    candidate.setHintingPreference(QFont::PreferVerticalHinting);
    while (!fits(candidate) && candidate.pixelSize() > kLeastPixelSize)
        candidate.setPixelSize(candidate.pixelSize() - 1);
    return candidate;
}

void SetMainCalendarLook(TAgendaCalendarGroup& group) {
    group.SetCalendarWidth(180);
    group.SetCalendarHeight(180);
    group.SetColCount(2);
    group.SetSpliterV(0);
    group.SetSpliterH(0);
    group.SetColor(0xFBFBFB);
    group.SetBevelOuter(bvNone);
    group.SetCalendarBevelInner(bvNone);
    group.SetCalendarBevelOuter(bvNone);
    group.SetCalendarBorderStyle(bsNone);
    group.SetCalendarBorderWidth(0);
    group.SetLook(lookFlat);
    group.SetLineColor(clSilver);
    group.SetLine3D(false);
    group.SetGradientStartColor(clNone);
    group.SetGradientEndColor(clNone);
    group.SetMonthGradientStartColor(clNone);
    group.SetMonthGradientEndColor(clNone);
    group.SetEventDayColor(clBlack);
    group.SetEventMarkerColor(clYellow);
    group.SetEventMarkerShape(evsNone);
    group.SetDateSelectColor(clGray);
    group.SetMultiSelect(true);
    // Three-letter English day names; the months' names are the user's.
    TNameOfDays& days = group.NameOfDays();
    days.SetUseIntlNames(false);
    const auto& english = EnglishFormatSettings().ShortDayNames; // [0] = Sunday
    std::vector<std::string> names;
    for (int i = 1; i <= 7; ++i) {
        days.SetName(i, english[size_t(i % 7)]);
        names.push_back(english[size_t(i % 7)]);
    }
    group.NameOfMonths().SetUseIntlNames(true);
    group.SetTextColor(clBlack);
    group.SetSelectColor(clTeal);
    group.SetSelectFontColor(clWhite);
    group.SetInActiveColor(clGray);
    group.SetHeaderColor(clBtnFace);
    group.SetFocusColor(clHighlight);
    group.SetInversColor(clWhite);
    group.SetCaptionTextColor(clBlack);
    group.SetShowSelection(true);
    group.SetShowToday(true);
    group.SetShowWeeks(false);
    group.SetShowMonthSelector(false);
    group.SetShowYearSelector(false);
    group.SetEventHints(true);
    group.SetAutoThemeAdapt(false);
    group.SetHintPrevYear("Previous Year");
    group.SetHintPrevMonth("Previous Month");
    group.SetHintNextMonth("Next Month");
    group.SetHintNextYear("Next Year");
    group.SetTodayStyle(tsFlat);
    group.SetKeyboardMultiSelect(true);
    group.SetWeekendColor(TFlyPanelController::WeekendColor);
    if (group.CalendarCount() > 0)
        group.SetDayFont(
            DayNamesFont(group.DayFont(), names, group.Calendar(0)->Layout().CellWidth));
}

// ---- The window's calendar ------------------------------------------------------------------

void TfrmMain::SetupCalendarGroup() {
    TAgendaCalendarGroup& group = *CalendarGroup;
    SetMainCalendarLook(group);
    group.SetStartDay(db_->DBSettings.FirstDayOfWeek);
    group.OnBeforeCellDraw = [this](QObject*, TCellCanvas& canvas, TDateTime day, bool, bool, bool,
                                    const QRect&) {
        CalendarBeforeCellDraw(day, canvas.FontColor);
    };
    group.OnGetDateHint = [this](QObject*, TDateTime day, bool& isEvent) {
        CalendarGetDateHint(day, isEvent);
    };
    group.OnGetDateHintString = [this](QObject*, TDateTime day, bool& isEvent, std::string& hint) {
        CalendarGetDateHintString(day, isEvent, hint);
    };
    group.OnDaySelect = [this](QObject*, TDateTime) {
        daySelected_ = true;
        UpdateStatusBar();
    };
    auto changed = [this](QObject*, TDateTime, TDateTime) { UpdateStatusBar(); };
    group.OnDayChange = group.OnDateChange = group.OnMonthChange = group.OnYearChange = changed;
    group.OnWeekSelect = group.OnAllDaySelect = [this](QObject*) { UpdateStatusBar(); };
    group.OnMouseUp = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        UpdateStatusBar();
    };
    group.OnMouseDown = [this](QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers,
                               int x, int y) { CalendarMouseDown(sender, button, x, y); };
    group.OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers shift) {
        CalendarKeyDown(key, shift);
    };
    // A double click on a selected day adds a reminder there.
    group.OnDblClick = [this](QObject*) {
        if (!SelectedDays().empty())
            AddReminderCommand();
    };
    group.PopupMenu = pmnuCalendar;
    // Rebuilding the calendars hands them the handlers set above.
    group.SetRowCount(1);
    group.BuildCalendars();
    group.resize(group.sizeHint());
}

void TfrmMain::CalendarBeforeCellDraw(TDateTime day, TColor& fontColor) {
    if (db_)
        DayFontColor(*db_, day, fontColor);
}

void TfrmMain::CalendarGetDateHint(TDateTime day, bool& isEvent) {
    isEvent = db_ && db_->DBSettings.DayHintsEnabled && db_->HasRemindersOnDay(day);
}

void TfrmMain::CalendarGetDateHintString(TDateTime day, bool& isEvent, std::string& hint) {
    hint.clear();
    isEvent = db_ && db_->DBSettings.DayHintsEnabled &&
              db_->GetDayHint(day, hint, db_->DBSettings.DayHintLines);
    // Captions of several lines make more lines than the day's reminders.
    hint = LimitHintLines(hint);
}

void TfrmMain::CalendarMouseDown(QObject* sender, Qt::MouseButton button, int x, int y) {
    auto* calendar = qobject_cast<TAgendaCalendar*>(sender);
    if (!calendar || button != Qt::LeftButton)
        return;
    // A click on the month and year header: the first day of that month.
    const TCaptionSpans spans = calendar->CaptionSpans();
    const int xp = x - calendar->Layout().WeekColWidth;
    if (y < 1 || y > 14 || xp < spans.TextLeft || xp > spans.TextRight)
        return;
    daySelected_ = false;
    CalendarGroup->SetDate(
        EncodeDate(calendar->Model().ShownYear(), calendar->Model().ShownMonth(), 1));
    UpdateStatusBar();
}

void TfrmMain::CalendarKeyDown(int& key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Home) {
        GoToToday();
        key = 0;
    }
}

bool TfrmMain::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    const bool alt = shift & Qt::AltModifier;
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        MoveSelectionByMonths(key == Qt::Key_PageUp ? -1 : 1);
        return true;
    case Qt::Key_Up:
        if (!alt)
            return false;
        GoToToday();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!alt)
            return false;
        if (CaptionNotificationShown())
            OpenNearestReminder();
        return true;
    case Qt::Key_Escape:
        hotKeyKept_ = false;
        if (Collapsed())
            HideToTray();
        else
            SetCollapsed(true);
        return true;
    default:
        return false;
    }
}

void TfrmMain::LabelClick(QLabel* label) {
    if (label == lbToday)
        GoToToday();
    else if (label == lbPriorDay)
        MoveSelection(-1);
    else if (label == lbPriorWeek)
        MoveSelection(-7);
    else if (label == lbNextDay)
        MoveSelection(1);
    else if (label == lbNextWeek)
        MoveSelection(7);
    else if (label == lbConsole)
        ShowConsole(!ConsoleShown());
    else if (label == imgTodayEvents)
        OpenNearestReminder();
}

std::vector<TDateTime> TfrmMain::SelectedDays() {
    std::vector<TDateTime> days;
    TSelDateItems& dates = CalendarGroup->GetDates();
    for (int i = 0; i < dates.Count(); ++i)
        days.push_back(DayNumber(dates[i]->Date()));
    return days;
}

void TfrmMain::GoToDate(bool forceFirstMonth, TDateTime date) {
    date = ClampToCalendarDays(date);
    TAgendaCalendarGroup& group = *CalendarGroup;
    const std::vector<TDateTime> selected = SelectedDays();
    if (selected.size() == 1 && selected.front() == date)
        return;
    const TDateParts parts = DecodeDate(date);
    const int shown =
        MonthIndex(parts.Year, parts.Month) - MonthIndex(group.StartYear(), group.StartMonth());
    if (forceFirstMonth || shown < 0 || shown >= group.CalendarCount()) {
        group.SetStartYear(parts.Year);
        group.SetStartMonth(parts.Month);
    }
    group.SetDate(date);
    UpdateStatusBar();
}

void TfrmMain::GoToToday() {
    GoToDate(false, Date());
}

void TfrmMain::MoveSelection(int days) {
    const TDateTime from = CalendarGroup->GetDate();
    GoToDate(false, (from != 0 ? from : Date()) + days);
}

void TfrmMain::MoveSelectionByMonths(int months) {
    const TDateTime from = CalendarGroup->GetDate();
    GoToDate(false, IncMonth(from != 0 ? from : Date(), months));
}

void TfrmMain::UpdateStatusBar() {
    const std::vector<TDateTime> days = SelectedDays();
    lbStatusBar->setText(QString::fromStdString(SelectionStatusText(days, Date())));
    lbStatusBar->setToolTip(HintToolTip(SelectionStatusHint(*db_, days)));
}

void TfrmMain::RepaintCalendar() {
    for (int i = 0; i < CalendarGroup->CalendarCount(); ++i)
        CalendarGroup->Calendar(i)->update();
}

bool TfrmMain::ChooseDayColor(TColor& color) {
    TTopMostsLowered lowered;
    const QColor chosen = QColorDialog::getColor(ColorToQColor(color, Qt::white), this);
    if (!chosen.isValid())
        return false;
    color = QColorToColor(chosen);
    return true;
}

void TfrmMain::ApplyToSelection(TDayOperation operation, TColor color) {
    const auto [question, second] = DayOperationQuestions(operation);
    if (!question.empty()) {
        TTopMostsLowered lowered;
        if (!ConfirmTwice(question, second, -1))
            return;
    }
    const std::vector<TDateTime> days = SelectedDays();
    if (operation == doSetCustomColor && color == clNone) {
        // The dialog starts from the first day's colour; cancelling it ends the command.
        color = clWhite;
        if (!days.empty())
            DayFontColor(*db_, days.front(), color);
        if (!ChooseDayColor(color))
            return;
    }
    ApplyDayOperation(*db_, operation, days, color);
    UpdateStatusBar();
    if (db_->DBSettings.CustomColorsEnabled) {
        RepaintCalendar();
        SaveDataFile();
    } else {
        SetCustomColorsEnabled(true);
    }
}

void TfrmMain::SetCustomColorsEnabled(bool enabled) {
    db_->DBSettings.CustomColorsEnabled = enabled;
    actEnableCustomColors->setChecked(enabled);
    RepaintCalendar();
    SaveDataFile();
}
