#pragma once
// TOpenClosedPlaces: the grid on which the user paints the weekly opening hours of a place.
// Seven day columns by ninety-six quarter-hour rows, each cell coloured open or closed by the
// time of day, the current day and quarter-hour highlighted. A left-button drag sets the
// rectangle of cells between its start and the cell under the mouse to the opposite of the
// start cell's state. It edits a schedule it is given and does not own. GUI thread only.

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "core/placeschedule.h"
#include "platform/colors.h"
#include "platform/datetime.h"

// A cell of the grid; (-1, -1) stands for none.
struct TGridCell {
    int Column = -1;
    int Row = -1;
    bool Valid() const { return Column >= 0 && Row >= 0; }
    bool operator==(const TGridCell&) const = default;
};

class TOpenClosedPlaces : public QWidget {
    Q_OBJECT
public:
    static constexpr int Columns = DaysPerWeek;
    static constexpr int Rows = CellsPerDay;
    static constexpr int CellWidth = 41; // pixels from one column line to the next
    static constexpr int CellHeight = 5;
    static constexpr int GridWidth = Columns * CellWidth + 1; // 288
    static constexpr int GridHeight = Rows * CellHeight + 1;  // 481

    // A control of GridWidth by GridHeight pixels, Monday first, without a schedule.
    explicit TOpenClosedPlaces(QWidget* owner = nullptr);

    // ---- Mapping --------------------------------------------------------------------------
    // The edited schedule (not owned; null for none); repaints.
    void SetSchedule(TTaskPlaceOpenCloseSchedule* schedule);
    TTaskPlaceOpenCloseSchedule* Schedule() const { return schedule_; }
    // The day (0 = Sunday) shown in column 0; 7 and above store 1 (Monday).
    void SetFirstDayOfWeek(int value);
    int FirstDayOfWeek() const { return firstDayOfWeek_; }
    // The day (0 = Sunday .. 6) of column 0..6.
    int ColumnDay(int column) const;
    // The cell whose span holds the point (pixels); none outside the grid.
    static TGridCell CellAt(int x, int y);
    // The cell's fill rectangle (the lines round it excluded).
    static QRect CellRect(int column, int row);
    // Whether the cell is the quarter-hour of now on today's day.
    bool IsCurrentCell(int column, int row, TDateTime now) const;
    // "<start> - <end>" of the row's quarter-hour in the user's short time format.
    static std::string CellTimeText(int row);
    // The English day name (with " (Now)" for the current cell), the time text and
    // "[opened]" or "[closed]", on lines ended by CR LF.
    std::string CellHint(int column, int row, TDateTime now) const;
    // The colours of an open and a closed cell of the row (0..95).
    static TColor OpenColor(int row);
    static TColor ClosedColor(int row);
    // The state the cell shows: the schedule's (closed without one), or during a drag the
    // target state for the cells of the dragged rectangle.
    bool ShownState(int column, int row) const;
    // The colour the cell is painted in.
    TColor CellColor(int column, int row, TDateTime now) const;

    // With a schedule: every slot closed, open, or inverted; repaints.
    void SetAllClosed();
    void SetAllOpen();
    void InvertAll();

    // Seven labels in parent with the locale's short day names of the columns' days, at top,
    // centred over the columns counted from left; Sunday and Saturday in red.
    void CreateDayLabels(QWidget* parent, int left, int top) const;
    // Labels in parent with the start times of rows 0, step, 2 * step .. at y = 5 * row,
    // right-aligned to end 10 pixels before parent's right edge. step < 1 counts as 1.
    void CreateTimeLabels(QWidget* parent, int step) const;

    // ---- Drag state -----------------------------------------------------------------------
    bool Dragging() const { return dragging_; }
    TGridCell AnchorCell() const { return anchor_; }
    TGridCell CurrentCell() const { return current_; }
    bool TargetState() const { return targetState_; }

    // Raised after a drag has changed cells.
    std::function<void(TOpenClosedPlaces& sender)> OnChange;

    static constexpr TColor GridLineColor = 0xEDA767;
    static constexpr TColor HourLineColor = 0x957548;
    static constexpr TColor CurrentOpenColor = 0x44CD00;
    static constexpr TColor CurrentClosedColor = 0x020145;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void StartDrag(const QPoint& pos);
    bool InDragRect(int column, int row) const;

    TTaskPlaceOpenCloseSchedule* schedule_ = nullptr;
    int firstDayOfWeek_ = 1;
    bool dragging_ = false;
    TGridCell current_, anchor_;
    bool targetState_ = false;
};
