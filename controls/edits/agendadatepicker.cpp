#include "controls/edits/agendadatepicker.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

#include "platform/datetimeformat.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

int DatePartIndexAt(const QString& text, int caret, const QString& separator) {
    if (separator.isEmpty())
        return 0;
    int count = 0;
    int at = text.indexOf(separator);
    while (at >= 0 && at < caret && count < 2) {
        ++count;
        at = text.indexOf(separator, at + separator.size());
    }
    return count;
}

bool IsEmptyDateText(const QString& text, const QString& separator) {
    QString t = text;
    if (!separator.isEmpty())
        t.remove(separator);
    return t.trimmed().isEmpty();
}

QPoint DropDownPosition(QPoint below, QSize popup, QSize picker, const QRect& workArea) {
    QPoint p = below;
    if (p.y() + popup.height() > workArea.bottom() + 1)
        p.setY(p.y() - popup.height() - picker.height() + 3);
    if (p.x() + popup.width() > workArea.right() + 1)
        p.setX(p.x() - (popup.width() - picker.width()));
    return p;
}

// ---- Pop-up --------------------------------------------------------------------------------

TDatePickerPopup::TDatePickerPopup(TAgendaDatePicker& picker)
    : QFrame(&picker, Qt::Popup | Qt::FramelessWindowHint) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TDatePickerPopup::hideEvent(QHideEvent* e) {
    QFrame::hideEvent(e);
    if (OnHide)
        OnHide();
}

// ---- Picker --------------------------------------------------------------------------------

TAgendaDatePicker::TAgendaDatePicker(QWidget* parent) : TEnhEditBtn(parent) {
    format_ = LocaleSettings();
    setText(QString());
    popup_ = new TDatePickerPopup(*this);
    calendar_ = new TAgendaCalendar(popup_);
    calendar_->setObjectName(objectName() + "cal_");
    // Rows start on the locale's first weekday (0 = Monday there, 1 = Monday here).
    calendar_->SetStartDay(format_.FirstDayOfWeek + 1);
    calendar_->resize(180, 180);
    calendar_->setMinimumSize(180, 180);
    popup_->layout()->addWidget(calendar_);
    calendar_->OnDaySelect = [this](QObject*, TDateTime d) { CalendarDaySelect(d); };
    calendar_->OnKeyPress = [this](QObject*, QChar& key) { CalendarKeyPress(key); };
    popup_->OnHide = [this] { PopupHidden(); };
    calendar_->SetDate(0); // the empty field has no date
    resize(calendar_->width(), height());
    SetButtonStyle(bsDropDown);
    SetButtonWidth(16);
    // The classic combo arrow as the button's glyph.
    QImage glyph(9, 5, QImage::Format_RGB32);
    glyph.fill(ColorToQColor(clBtnFace));
    {
        QPainter p(&glyph);
        DrawDownArrow(p, glyph.rect(), ColorToQColor(clBtnText));
    }
    SetGlyph(glyph);
    ButtonPart()->FocusControl = nullptr; // a click leaves the focus where it is
}

TAgendaDatePicker::~TAgendaDatePicker() {
    // The calendar's handlers point back here; the pop-up goes with the picker.
    calendar_->OnDaySelect = nullptr;
    calendar_->OnKeyPress = nullptr;
    popup_->OnHide = nullptr;
}

bool TAgendaDatePicker::PopupShown() const {
    return popup_->isVisible();
}

void TAgendaDatePicker::SetDateFormat(const TFormatSettings& fs) {
    format_ = fs;
    SetFormatSettings(fs);
}

TDateTime TAgendaDatePicker::Date() const {
    return calendar_->GetDate();
}

void TAgendaDatePicker::SetDate(TDateTime d) {
    calendar_->SetDate(d);
    SetText(d == 0 ? std::string() : DateToStr(d, format_));
}

void TAgendaDatePicker::ClickButton() {
    // The field as the user left it, before the host's OnClickBtn may write into it.
    const QScopedValueRollback empty(clickedEmpty_, TextEmpty());
    TEnhEditBtn::ClickButton();
    DropDown();
}

bool TAgendaDatePicker::TextEmpty() const {
    return IsEmptyDateText(text(), QString::fromStdString(format_.DateSeparator));
}

TDateTime TAgendaDatePicker::StartDate() const {
    TDateTime d = ::Date();
    TMinMaxDate& min = calendar_->MinDate();
    TMinMaxDate& max = calendar_->MaxDate();
    if (min.InUse() && min.Date() > d)
        d = min.Date();
    if (max.InUse() && max.Date() < d)
        d = max.Date();
    return d;
}

void TAgendaDatePicker::DropDown() {
    const bool empty = clickedEmpty_ || TextEmpty();
    if (calendar_->MultiSelect()) {
        SetText(calendar_->GetDatesAsText());
    } else {
        TDateTime d = 0;
        if (TextEmpty())
            calendar_->SetDate(StartDate()); // the calendar alone: the field stays empty
        else if (TryStrToDate(Text(), d, format_))
            calendar_->SetDate(d);
        else {
            // No date to show: today (within the limits) rather than day 0 of the calendar.
            if (calendar_->GetDate() == 0)
                calendar_->SetDate(StartDate());
            SetText(calendar_->GetDatesAsText());
        }
    }
    popup_->adjustSize();
    QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    QPoint at =
        DropDownPosition(mapToGlobal(QPoint(-2, height() - 3)), popup_->size(), size(), work);
    popup_->move(at);
    if (!popup_->isVisible()) {
        dropped_ = true;
        droppedEmpty_ = empty;
    }
    popup_->show();
    popup_->raise();
    calendar_->setFocus(Qt::PopupFocusReason);
}

void TAgendaDatePicker::CloseUp() {
    popup_->hide();
    setFocus(Qt::OtherFocusReason);
}

void TAgendaDatePicker::PopupHidden() {
    if (!std::exchange(dropped_, false))
        return;
    if (droppedEmpty_ && !TextEmpty())
        SetText(std::string());
    CalendarFromText();
}

void TAgendaDatePicker::CalendarDaySelect(TDateTime date) {
    dropped_ = false; // a day was picked: the pop-up closes on it
    SetText(calendar_->GetDatesAsText());
    SetModified(true);
    if (HideCalendarAfterSelection)
        CloseUp();
    AfterDaySelect();
    if (OnDaySelect)
        OnDaySelect(this, date);
}

void TAgendaDatePicker::CalendarKeyPress(QChar& key) {
    if (key == QChar(chEnter)) {
        // The day the keys moved to becomes the selection, so the text shows that day.
        if (!calendar_->MultiSelect())
            calendar_->SetDate(calendar_->GetDate());
        CalendarDaySelect(calendar_->GetDate());
        key = QChar();
    } else if (key == QChar(chEsc)) {
        CloseUp();
        key = QChar();
    }
}

void TAgendaDatePicker::ApplyStyle(int style) {
    calendar_->ApplyStyle(style);
}

void TAgendaDatePicker::Change() {
    TEnhEditBtn::Change();
    if (calendar_) // not while still being built
        CalendarFromText();
}

void TAgendaDatePicker::CalendarFromText() {
    QString t = text();
    QString sep = QString::fromStdString(format_.DateSeparator);
    if (IsEmptyDateText(t, sep) || sep.isEmpty() || !t.contains(sep)) {
        calendar_->SetDate(0);
        return;
    }
    TDateTime d = 0;
    if (TryStrToDate(Text(), d, format_))
        calendar_->SetDate(d);
}

void TAgendaDatePicker::StepPart(int amount) {
    int caret = cursorPosition();
    QString sep = QString::fromStdString(format_.DateSeparator);
    const TDateOrder order = DetermineDateOrder(format_.ShortDateFormat);
    TDatePart part = order[DatePartIndexAt(text(), caret, sep)];
    TDateTime date = Date();
    if (date == 0) {
        // An empty field starts from the first day the calendar may show.
        SetDate(StartDate());
        setCursorPosition(std::min(caret, static_cast<int>(text().size())));
        return;
    }
    calendar_->SetDate(date);
    TDateTime next = date;
    switch (part) {
    case TDatePart::Day:
        next = date + amount;
        if (!calendar_->Model().DateInRange(next))
            next = date;
        break;
    case TDatePart::Month:
        calendar_->ChangeMonth(amount);
        next = calendar_->GetDate();
        break;
    case TDatePart::Year:
        calendar_->ChangeYear(amount);
        next = calendar_->GetDate();
        break;
    }
    SetDate(next);
    SetModified(true);
    setCursorPosition(std::min(caret, static_cast<int>(text().size())));
}

void TAgendaDatePicker::KeyDown(QKeyEvent* e, int key) {
    Qt::KeyboardModifiers mods = e->modifiers();
    if (key == Qt::Key_F4 && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        e->accept();
        if (PopupShown())
            CloseUp();
        else
            ClickButton();
        return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && !LookupShown()) {
        e->accept();
        StepPart(key == Qt::Key_Up ? 1 : -1);
        return;
    }
    TEnhEditBtn::KeyDown(e, key);
}

void TAgendaDatePicker::focusInEvent(QFocusEvent* e) {
    if (!EditorEnabled) {
        ButtonPart()->setFocus(e->reason());
        return;
    }
    TEnhEditBtn::focusInEvent(e);
}
