#pragma once
// The drop-down date picker: an edit with a drop-down button whose button opens a borderless
// pop-up holding the month calendar. Picking a day writes the date as text (the locale's
// short date format); typing a date moves the calendar; Up and Down step the day, month or
// year under the caret. A date is a TDateTime; 0 stands for no date (an empty field).

#include <QFrame>
#include <array>
#include <functional>
#include <memory>

#include "controls/calendar/agendacalendar.h"
#include "controls/edits/enhedbtn.h"

// Which part (0..2) the caret stands in: the number of separators before it, at most 2.
int DatePartIndexAt(const QString& text, int caret, const QString& separator);
// A text of nothing but blanks and date separators (the empty mask), or empty.
bool IsEmptyDateText(const QString& text, const QString& separator);
// Where the pop-up opens: below is the screen point under the picker's left edge; a pop-up
// that would pass the work area's bottom opens above the picker, one that would pass its
// right edge is moved left to line up with the picker's right edge.
QPoint DropDownPosition(QPoint below, QSize popup, QSize picker, const QRect& workArea);

class TAgendaDatePicker;

// The borderless pop-up that holds the calendar; it hides when another window is activated
// or a click lands outside it.
class TDatePickerPopup : public QFrame {
    Q_OBJECT
public:
    explicit TDatePickerPopup(TAgendaDatePicker& picker);
    // Called whenever the pop-up hides, however that comes about.
    std::function<void()> OnHide;

protected:
    void hideEvent(QHideEvent* e) override;
};

class TAgendaDatePicker : public TEnhEditBtn {
    Q_OBJECT
public:
    // The calendar's rows start on the first weekday of LocaleSettings().
    explicit TAgendaDatePicker(QWidget* parent = nullptr);
    ~TAgendaDatePicker() override;

    TAgendaCalendar& Calendar() { return *calendar_; }
    TDatePickerPopup& Popup() { return *popup_; }
    bool PopupShown() const;

    // The calendar's date; 0 when the field is empty.
    TDateTime Date() const;
    // Sets the calendar and the text (the locale's short date format; empty for 0).
    void SetDate(TDateTime d);

    bool HideCalendarAfterSelection = true;
    // The locale settings the date texts use (LocaleSettings() unless set).
    void SetDateFormat(const TFormatSettings& fs);
    const TFormatSettings& DateFormat() const { return format_; }

    uint32_t GetVersionNr() const override { return 0x01060000; }
    // Fires OnClickBtn, then drops down.
    void ClickButton() override;
    // Runs after a day was picked, before OnDaySelect. Empty.
    virtual void AfterDaySelect() {}
    // Opens the pop-up below (or above) the picker with the text's date, or today in the
    // calendar alone for an empty field. Closed without a day picked (Esc, F4, a click
    // elsewhere), the pop-up empties again a field that was empty when the drop-down was
    // asked for (before OnClickBtn for the button and F4), so that it has no date; the
    // calendar goes back to the field's date.
    virtual void DropDown();
    // Hides the pop-up and gives the focus back to the picker.
    void CloseUp();
    // Applies the calendar colour preset that style (low 7 bits, 0..7) stands for.
    void ApplyStyle(int style);

    // Passed through to the calendar.
    void SetOnGetDateHint(TGetDateEvent e) { calendar_->OnGetDateHint = std::move(e); }
    void SetOnGetDateHintString(TGetDateEventHint e) {
        calendar_->OnGetDateHintString = std::move(e);
    }
    void SetOnGetEventProp(TEventPropEvent e) { calendar_->OnGetEventProp = std::move(e); }
    void SetOnWeekSelect(TNotifyEvent e) { calendar_->OnWeekSelect = std::move(e); }
    void SetOnAllDaySelect(TNotifyEvent e) { calendar_->OnAllDaySelect = std::move(e); }
    // A day was picked (after the text is written).
    TDaySelectEvent OnDaySelect;

protected:
    void KeyDown(QKeyEvent* e, int key) override;
    void Change() override;
    void focusInEvent(QFocusEvent* e) override;

private:
    void CalendarDaySelect(TDateTime date);
    void CalendarKeyPress(QChar& key);
    // The pop-up hid: without a picked day, an empty field is empty again and the calendar
    // on the field's date.
    void PopupHidden();
    // The calendar on the text's date: none for an empty text or one without a date
    // separator; a text that is no date leaves it.
    void CalendarFromText();
    bool TextEmpty() const;
    // Steps the date part under the caret by amount (+1 or -1).
    void StepPart(int amount);
    TDateTime StartDate() const;

    TFormatSettings format_;
    TDatePickerPopup* popup_ = nullptr;
    TAgendaCalendar* calendar_ = nullptr;
    bool clickedEmpty_ = false; // within ClickButton: the field was empty at the click
    bool dropped_ = false;      // the pop-up is open and no day was picked in it yet
    bool droppedEmpty_ = false; // the field was empty when the drop-down was asked for
};
