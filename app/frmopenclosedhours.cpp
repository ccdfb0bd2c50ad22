#include "app/frmopenclosedhours.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>

#include "core/windows/altkeyrepaint.h"
#include "core/windows/openclosedplaces.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/messageboxes.h"

namespace {

constexpr int ClientWidth = 470, ClientHeight = 528;
constexpr int DaysHeight = 30, TimeWidth = 71, GridPanelWidth = 304, ButtonsWidth = 95;

QPushButton* Button(const char* name, const char* caption, QWidget* parent, int top) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    b->setGeometry(3, top, ButtonsWidth - 6, 25);
    return b;
}

} // namespace

TfrmOpenClosedHrs::TfrmOpenClosedHrs(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOpenClosedHrs"));
    setWindowTitle(QStringLiteral("Active hours"));
    setFixedSize(ClientWidth, ClientHeight);
    PlaceDialog(this);

    const int bodyHeight = ClientHeight - DaysHeight;
    pnlPlHrDays = new QWidget(this);
    pnlPlHrDays->setGeometry(0, 0, ClientWidth, DaysHeight);
    pnlPlHrTime = new QWidget(this);
    pnlPlHrTime->setGeometry(0, DaysHeight, TimeWidth, bodyHeight);
    pnlPlacesHoursGrid = new QWidget(this);
    pnlPlacesHoursGrid->setGeometry(TimeWidth, DaysHeight, GridPanelWidth, bodyHeight);
    Panel2 = new QWidget(this);
    Panel2->setGeometry(TimeWidth + GridPanelWidth, DaysHeight, ButtonsWidth, bodyHeight);

    grid_ = new TOpenClosedPlaces(pnlPlacesHoursGrid);
    grid_->move(0, 0);
    grid_->SetSchedule(&schedule_);
    grid_->CreateTimeLabels(pnlPlHrTime, 4);
    grid_->CreateDayLabels(pnlPlHrDays, pnlPlHrTime->width(), pnlPlHrDays->height() - 20);

    btnAlwaysOpen = Button("btnAlwaysOpen", "Always open", Panel2, 0);
    btnAlwaysClosed = Button("btnAlwaysClosed", "Always closed", Panel2, 32);
    btnExplainPlaceHous = Button("btnExplainPlaceHous", "Show as text...", Panel2, 64);
    btnInverse = Button("btnInverse", "Inverse", Panel2, 96);
    chLockEditing = new QCheckBox(QStringLiteral("Lock Editing"), Panel2);
    chLockEditing->setGeometry(6, 128, ButtonsWidth - 12, 20);
    chLockEditing->hide();
    btnOK = Button("btnOK", "OK", Panel2, bodyHeight - 70);
    btnOK->setDefault(true);
    btnCancel = Button("btnCancel", "Cancel", Panel2, bodyHeight - 38);

    connect(btnAlwaysOpen, &QPushButton::clicked, this, [this] { grid_->SetAllOpen(); });
    connect(btnAlwaysClosed, &QPushButton::clicked, this, [this] { grid_->SetAllClosed(); });
    connect(btnInverse, &QPushButton::clicked, this, [this] { grid_->InvertAll(); });
    connect(btnExplainPlaceHous, &QPushButton::clicked, this,
            [this] { btnExplainPlaceHousClick(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOpenClosedHrs::btnExplainPlaceHousClick() {
    ShowOpenHoursText(schedule_);
}

void TfrmOpenClosedHrs::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    QDialog::keyPressEvent(e);
}

void ShowOpenHoursText(const TTaskPlaceOpenCloseSchedule& schedule) {
    MessageDlg(schedule.OpenHoursText(true), mtInformation, Buttons(mbOK));
}

bool ShowOpenClosedHoursDialog(TTaskPlaceOpenCloseSchedule& schedule, QWidget* parent) {
    TfrmOpenClosedHrs dialog(parent);
    dialog.Schedule().Assign(schedule);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    schedule.Assign(dialog.Schedule());
    return true;
}
