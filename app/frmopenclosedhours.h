#pragma once
// TfrmOpenClosedHrs: the modal "Active hours" dialog in which the user paints a place's weekly
// opening hours on the grid, with buttons that open, close or invert every slot and one that
// shows the hours as text. It edits a copy; the caller's schedule changes only on OK.

#include <QDialog>

#include "core/placeschedule.h"

class QCheckBox;
class QPushButton;
class TOpenClosedPlaces;

class TfrmOpenClosedHrs : public QDialog {
    Q_OBJECT
public:
    // The dialog with its own schedule (always open) on the grid, Monday first.
    explicit TfrmOpenClosedHrs(QWidget* parent = nullptr);

    // The schedule the grid edits.
    TTaskPlaceOpenCloseSchedule& Schedule() { return schedule_; }
    TOpenClosedPlaces& Grid() { return *grid_; }

    QWidget* pnlPlHrDays;
    QWidget* pnlPlHrTime;
    QWidget* pnlPlacesHoursGrid;
    QWidget* Panel2;
    QPushButton* btnAlwaysOpen;
    QPushButton* btnAlwaysClosed;
    QPushButton* btnExplainPlaceHous;
    QPushButton* btnInverse;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QCheckBox* chLockEditing; // hidden, no behaviour

    // "Show as text...": the schedule's summary, one line per day, in an information box.
    void btnExplainPlaceHousClick();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TTaskPlaceOpenCloseSchedule schedule_;
    TOpenClosedPlaces* grid_;
};

// The schedule's summary, one line per day, in an information box.
void ShowOpenHoursText(const TTaskPlaceOpenCloseSchedule& schedule);

// Edits schedule in the dialog; on OK schedule takes the edited hours. True on OK.
bool ShowOpenClosedHoursDialog(TTaskPlaceOpenCloseSchedule& schedule, QWidget* parent = nullptr);
