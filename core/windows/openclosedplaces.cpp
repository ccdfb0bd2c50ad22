#include "core/windows/openclosedplaces.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <array>

#include "platform/datetimeformat.h"
#include "platform/formatsettings.h"
#include "platform/gui/hintpause.h"
#include "platform/gui/qtcolors.h"

namespace {

// Open cells brighten from the night's blue to the day's pale yellow and back.
constexpr std::array<uint32_t, TOpenClosedPlaces::Rows> OpenColors = {
    0xB56405, 0xB66507, 0xB76609, 0xB8680B, 0xB9690D, 0xBA6B0F, 0xBC6C11, 0xBD6E14, 0xBF7016,
    0xC07219, 0xC2741C, 0xC4761F, 0xC57821, 0xC77A24, 0xC97C28, 0xCB7E2B, 0xCD802E, 0xCF8231,
    0xD18535, 0xD38738, 0xD5893B, 0xD78C3F, 0xD98E42, 0xDC9249, 0xE19851, 0xE69D59, 0xEAA361,
    0xEEA869, 0xF2AD70, 0xF6B277, 0xF9B67E, 0xFCBA84, 0xFEBE8A, 0xFFC493, 0xFFC99C, 0xFFCEA5,
    0xFFD3AC, 0xFFD6B4, 0xFFD9B8, 0xFFDBBC, 0xFFDDC0, 0xFFDFC4, 0xFFE1C8, 0xFFE3CB, 0xFFE5CF,
    0xFFE8D5, 0xFEEDDD, 0xFEF2E5, 0xFDF6EC, 0xFCFBF2, 0xF9FEF8, 0xF4FFFC, 0xEEFFFF, 0xECFFFF,
    0xE9FEFF, 0xE7FEFF, 0xE4FEFF, 0xE1FDFF, 0xDEFDFF, 0xDAFCFF, 0xD7FCFF, 0xD3FBFF, 0xCFFAFF,
    0xCBFAFF, 0xC7F9FF, 0xC3F8FF, 0xBFF7FF, 0xBBF6FF, 0xB7F5FF, 0xADF2FF, 0xA1EDFF, 0x96E8FD,
    0x8EE2FB, 0x87DCF7, 0x84D3F3, 0x84C5ED, 0x84B5E6, 0x84A2DD, 0x858ED4, 0x8B78C7, 0x9164B9,
    0x9657AA, 0x9A559B, 0x9F558B, 0xA45879, 0xAA6065, 0xAF6953, 0xB47141, 0xB87831, 0xBB7C24,
    0xBB7C19, 0xBB7911, 0xBA730B, 0xB86D08, 0xB66706, 0xB46404};

// Closed cells are greys, lightest at midday.
constexpr std::array<uint8_t, TOpenClosedPlaces::Rows> ClosedGreys = {
    0x35, 0x35, 0x36, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3F, 0x41, 0x42, 0x43, 0x44, 0x46, 0x47,
    0x49, 0x4B, 0x4E, 0x52, 0x56, 0x5A, 0x5E, 0x60, 0x64, 0x67, 0x6A, 0x6E, 0x72, 0x75, 0x79, 0x7C,
    0x81, 0x85, 0x88, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A,
    0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x8A, 0x89, 0x89, 0x88, 0x88, 0x87, 0x87, 0x86, 0x86,
    0x85, 0x84, 0x83, 0x80, 0x7C, 0x7A, 0x76, 0x72, 0x6E, 0x6A, 0x67, 0x64, 0x62, 0x5E, 0x5C, 0x59,
    0x56, 0x54, 0x51, 0x4F, 0x4C, 0x4B, 0x49, 0x48, 0x47, 0x46, 0x46, 0x46, 0x46, 0x46, 0x45, 0x46};

TDateTime RowStartTime(int row) {
    return EncodeTime(row / 4, (row % 4) * 15, 0, 0);
}

} // namespace

TOpenClosedPlaces::TOpenClosedPlaces(QWidget* owner) : QWidget(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFixedSize(GridWidth, GridHeight);
}

void TOpenClosedPlaces::SetSchedule(TTaskPlaceOpenCloseSchedule* schedule) {
    schedule_ = schedule;
    update();
}

void TOpenClosedPlaces::SetFirstDayOfWeek(int value) {
    firstDayOfWeek_ = value >= 7 || value < 0 ? 1 : value;
    update();
}

int TOpenClosedPlaces::ColumnDay(int column) const {
    int day = column + firstDayOfWeek_;
    return day > 6 ? day - 7 : day;
}

TGridCell TOpenClosedPlaces::CellAt(int x, int y) {
    if (x < 0 || y < 0)
        return {};
    int column = x / CellWidth, row = y / CellHeight;
    if (column >= Columns || row >= Rows)
        return {};
    return {column, row};
}

QRect TOpenClosedPlaces::CellRect(int column, int row) {
    return QRect(QPoint(column * CellWidth + 1, row * CellHeight + 1),
                 QPoint(column * CellWidth + CellWidth - 1, row * CellHeight + CellHeight - 1));
}

bool TOpenClosedPlaces::IsCurrentCell(int column, int row, TDateTime now) const {
    return row == (HourOf(now) * 60 + MinuteOf(now)) / 15 &&
           ColumnDay(column) == DayOfWeek(now) - 1;
}

std::string TOpenClosedPlaces::CellTimeText(int row) {
    TDateTime start = RowStartTime(row);
    return FormatDateTime("t", start) + " - " + FormatDateTime("t", start + 15.0 / MinsPerDay);
}

std::string TOpenClosedPlaces::CellHint(int column, int row, TDateTime now) const {
    std::string hint = EnglishFormatSettings().LongDayNames[ColumnDay(column)];
    if (IsCurrentCell(column, row, now))
        hint += " (Now)";
    hint += "\r\n" + CellTimeText(row) + "\r\n";
    bool open = schedule_ && schedule_->GetCell(ColumnDay(column), row);
    hint += open ? "[opened]" : "[closed]";
    return hint;
}

TColor TOpenClosedPlaces::OpenColor(int row) {
    return ColorValue(OpenColors.at(row));
}

TColor TOpenClosedPlaces::ClosedColor(int row) {
    uint8_t g = ClosedGreys.at(row);
    return RGB(g, g, g);
}

bool TOpenClosedPlaces::InDragRect(int column, int row) const {
    if (!dragging_ || !anchor_.Valid() || !current_.Valid())
        return false;
    return column >= std::min(anchor_.Column, current_.Column) &&
           column <= std::max(anchor_.Column, current_.Column) &&
           row >= std::min(anchor_.Row, current_.Row) && row <= std::max(anchor_.Row, current_.Row);
}

bool TOpenClosedPlaces::ShownState(int column, int row) const {
    if (InDragRect(column, row))
        return targetState_;
    return schedule_ && schedule_->GetCell(ColumnDay(column), row);
}

TColor TOpenClosedPlaces::CellColor(int column, int row, TDateTime now) const {
    bool open = ShownState(column, row);
    if (IsCurrentCell(column, row, now))
        return open ? CurrentOpenColor : CurrentClosedColor;
    return open ? OpenColor(row) : ClosedColor(row);
}

void TOpenClosedPlaces::SetAllClosed() {
    if (schedule_)
        schedule_->SetAllClosed();
    update();
}

void TOpenClosedPlaces::SetAllOpen() {
    if (schedule_)
        schedule_->SetAllOpen();
    update();
}

void TOpenClosedPlaces::InvertAll() {
    if (schedule_)
        schedule_->InvertAll();
    update();
}

void TOpenClosedPlaces::CreateDayLabels(QWidget* parent, int left, int top) const {
    const TFormatSettings& fs = LocaleSettings();
    for (int c = 0; c < Columns; ++c) {
        int day = ColumnDay(c);
        auto* label = new QLabel(QString::fromStdString(fs.ShortDayNames[day]), parent);
        label->setObjectName(QStringLiteral("lbDay%1").arg(c));
        if (day == 0 || day == 6)
            label->setStyleSheet(QStringLiteral("color: red"));
        label->adjustSize();
        label->move(left + c * CellWidth + (CellWidth - 1 - label->width()) / 2, top);
        label->show();
    }
}

void TOpenClosedPlaces::CreateTimeLabels(QWidget* parent, int step) const {
    step = std::max(step, 1);
    for (int row = 0; row < Rows; row += step) {
        auto* label =
            new QLabel(QString::fromStdString(FormatDateTime("t", RowStartTime(row))), parent);
        label->setObjectName(QStringLiteral("lbTime%1").arg(row));
        label->adjustSize();
        label->move(parent->width() - 10 - label->width(), row * CellHeight);
        label->show();
    }
}

// ---- Painting -------------------------------------------------------------------------------

void TOpenClosedPlaces::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QColor hourLine = ColorToQColor(HourLineColor);
    for (int r = 1; r < Rows; ++r) {
        p.setPen(ColorToQColor(r % 4 == 0 ? HourLineColor : GridLineColor));
        p.drawLine(0, r * CellHeight, GridWidth - 1, r * CellHeight);
    }
    p.setPen(hourLine);
    for (int c = 1; c < Columns; ++c)
        p.drawLine(c * CellWidth, 1, c * CellWidth, GridHeight - 2);
    const TDateTime now = Now();
    for (int c = 0; c < Columns; ++c)
        for (int r = 0; r < Rows; ++r)
            p.fillRect(CellRect(c, r), ColorToQColor(CellColor(c, r, now)));
    p.setPen(hourLine);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, GridWidth - 1, GridHeight - 1);
}

// ---- Mouse ----------------------------------------------------------------------------------

void TOpenClosedPlaces::StartDrag(const QPoint& pos) {
    dragging_ = true;
    current_ = anchor_ = {};
    TGridCell cell = CellAt(pos.x(), pos.y());
    if (cell.Valid()) {
        current_ = anchor_ = cell;
        targetState_ = !schedule_->GetCell(ColumnDay(cell.Column), cell.Row);
        update();
    }
}

void TOpenClosedPlaces::mousePressEvent(QMouseEvent* e) {
    if (schedule_ && e->button() == Qt::LeftButton)
        StartDrag(e->position().toPoint());
}

void TOpenClosedPlaces::mouseMoveEvent(QMouseEvent* e) {
    if (!schedule_)
        return;
    const QPoint pos = e->position().toPoint();
    TGridCell cell = CellAt(pos.x(), pos.y());
    if (cell.Valid()) {
        QString hint = QString::fromStdString(CellHint(cell.Column, cell.Row, Now()));
        hint.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        // Shown from mouse moves, not the tooltip event: the application's pause directly.
        QToolTip::showText(e->globalPosition().toPoint(), hint, this, QRect(), HintHidePause());
    }
    if (!dragging_)
        return;
    if (!anchor_.Valid()) {
        // The drag began outside the grid: it starts at the first cell entered.
        StartDrag(pos);
    } else if (cell.Valid() && cell != current_) {
        current_ = cell;
        update();
    }
}

void TOpenClosedPlaces::mouseReleaseEvent(QMouseEvent* e) {
    if (!schedule_ || e->button() != Qt::LeftButton)
        return;
    if (dragging_ && anchor_.Valid() && current_.Valid()) {
        for (int c = std::min(anchor_.Column, current_.Column);
             c <= std::max(anchor_.Column, current_.Column); ++c)
            for (int r = std::min(anchor_.Row, current_.Row);
                 r <= std::max(anchor_.Row, current_.Row); ++r)
                schedule_->SetCell(ColumnDay(c), r, targetState_);
        if (OnChange)
            OnChange(*this);
    }
    dragging_ = false;
    update();
}
