#include "core/windows/reminderswnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/durationtexts.h"
#include "core/reminderitem.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/datetimeformat.h"
#include "platform/fileutils.h"
#include "platform/gui/application.h"
#include "platform/gui/soundplayer.h"
#include "platform/gui/textfit.h"
#include "platform/gui/windowmessages.h"
#include "platform/sysutils.h"

namespace {

constexpr int ClientWidth = 459, ClientHeight = 296;

const char* const SnoozeTimes[] = {"5 minutes", "10 minutes", "15 minutes", "20 minutes", "1 hour",
                                   "2 hours",   "4 hours",    "8 hours",    "1 day",      "2 days",
                                   "3 days",    "4 days",     "1 week",     "2 weeks"};

// A row of the list: caption, due text, and the entry it stands for.
class TReminderRow : public QTreeWidgetItem {
public:
    explicit TReminderRow(IReminderAwareItemPtr item) : Item(std::move(item)) {}
    IReminderAwareItemPtr Item;
    QString Details; // the caption as the details above the list show it
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

IReminderAwareItemPtr ItemOf(QTreeWidgetItem* row) {
    return row ? static_cast<TReminderRow*>(row)->Item : nullptr;
}

// The room for text in a cell of column of list (less the margins its items keep).
int TextRoom(const QTreeWidget* list, int column) {
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    return list->columnWidth(column) - 2 * margin;
}

// The event that shows the alert boxes waiting (posted to the window by ShowBoxInTurn).
QEvent::Type ShowBoxesEventType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

TfrmRemindersWnd::TfrmRemindersWnd(TSoundPlayerFactory soundPlayerFactory)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      playerFactory_(std::move(soundPlayerFactory)) {
    setObjectName("frmRemindersWnd");
    setWindowTitle("Tockwell - Reminders");
    setFixedSize(ClientWidth, ClientHeight);
    // Hiding this window never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    lbTaskCaption = new QLabel(this);
    lbTaskCaption->setObjectName("lbTaskCaption");
    lbTaskCaption->setGeometry(8, 8, 443, 17);
    QFont bold = lbTaskCaption->font();
    bold.setBold(true);
    lbTaskCaption->setFont(bold);
    lbTaskCaption->setTextFormat(Qt::PlainText); // a caption is no markup
    lbTaskDue = new QLabel(this);
    lbTaskDue->setObjectName("lbTaskDue");
    lbTaskDue->setGeometry(8, 28, 443, 15);
    lbNextAlert = new QLabel(this);
    lbNextAlert->setObjectName("lbNextAlert");
    lbNextAlert->setGeometry(8, 44, 443, 15);

    lvReminders = new QTreeWidget(this);
    lvReminders->setObjectName("lvReminders");
    lvReminders->setGeometry(8, 64, 443, 148);
    lvReminders->setColumnCount(2);
    lvReminders->setHeaderLabels({"Subject", "Due in"});
    lvReminders->setColumnWidth(0, 280);
    lvReminders->setColumnWidth(1, 120);
    lvReminders->header()->setSectionsClickable(false);
    lvReminders->header()->setSectionsMovable(false);
    lvReminders->header()->setStretchLastSection(false);
    lvReminders->setRootIsDecorated(false);
    lvReminders->setItemsExpandable(false);
    lvReminders->setUniformRowHeights(true);
    lvReminders->setSelectionMode(QAbstractItemView::SingleSelection);
    lvReminders->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvReminders->setEditTriggers(QAbstractItemView::NoEditTriggers);

    btnOpenTask = new QPushButton("&Open Item", this);
    btnOpenTask->setObjectName("btnOpenTask");
    btnOpenTask->setGeometry(8, 218, 90, 25);
    btnDismiss = new QPushButton("&Dismiss", this);
    btnDismiss->setObjectName("btnDismiss");
    btnDismiss->setGeometry(361, 218, 90, 25);

    lbSnoozeTime = new QLabel("&Remind again in:", this);
    lbSnoozeTime->setObjectName("lbSnoozeTime");
    lbSnoozeTime->setGeometry(8, 248, 200, 15);
    cbSnoozeTime = new QComboBox(this);
    cbSnoozeTime->setObjectName("cbSnoozeTime");
    cbSnoozeTime->setGeometry(8, 265, 345, 23);
    cbSnoozeTime->setEditable(true);
    cbSnoozeTime->setInsertPolicy(QComboBox::NoInsert);
    cbSnoozeTime->setMaxVisibleItems(20);
    cbSnoozeTime->setToolTip("Select lead time");
    for (const char* text : SnoozeTimes)
        cbSnoozeTime->addItem(text);
    lbSnoozeTime->setBuddy(cbSnoozeTime);
    btnSnooze = new QPushButton("&Snooze", this);
    btnSnooze->setObjectName("btnSnooze");
    btnSnooze->setGeometry(361, 264, 90, 25);

    // A caption is cut to the column it shows in, so a wider column shows more of it.
    connect(lvReminders->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section == 0)
            for (int i = 0; i < RowCount(); ++i)
                ShowCaption(Row(i), RowItem(i)->GetCaption());
    });
    connect(lvReminders, &QTreeWidget::itemSelectionChanged, this,
            [this] { CallGuarded([this] { lvRemindersChange(); }); });
    connect(lvReminders, &QTreeWidget::itemDoubleClicked, this,
            [this] { CallGuarded([this] { btnOpenTaskClick(); }); });
    connect(btnOpenTask, &QPushButton::clicked, this,
            [this] { CallGuarded([this] { btnOpenTaskClick(); }); });
    connect(btnDismiss, &QPushButton::clicked, this,
            [this] { CallGuarded([this] { btnDismissClick(); }); });
    connect(btnSnooze, &QPushButton::clicked, this,
            [this] { CallGuarded([this] { btnSnoozeClick(); }); });

    // Key preview: the window sees every key of its controls before they do.
    qApp->installEventFilter(this);

    // Centred once, here, and left where it is from then on. Closing drops the native window,
    // and the next show makes a new one at the client area's position; the first one is made
    // before the window is placed so that it is asked for the same way (placed before, it
    // would be asked for by its frame's position, a title bar higher than the later ones).
    create();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
    }
    FormCreate();
}

TfrmRemindersWnd::~TfrmRemindersWnd() {
    // The player goes before the options (FormDestroy); rows release their entries with the
    // list.
    player_.reset();
    Options.reset();
}

void TfrmRemindersWnd::FormCreate() {
    cbSnoozeTime->setEditText("10 minutes");
    Options = std::make_unique<TReminderOptions>(ReminderOptionsKey);
    lvRemindersChange();
}

// ---- Message 2025 -----------------------------------------------------------------------

void TfrmRemindersWnd::PostAlertAction(const TQueuedAlertAction& action) {
    if (PostWindowMessage(this, WM_RUN_ALERT_ACTION, action.Kind, 0, action))
        ++postedActions_;
}

void TfrmRemindersWnd::ProcessPendingAlertActions() {
    ProcessPendingMessages(this, WM_RUN_ALERT_ACTION);
    QCoreApplication::sendPostedEvents(this, ShowBoxesEventType());
}

void TfrmRemindersWnd::WMRunAlertAction(const TQueuedAlertAction& action) {
    if (!ApplicationLeaving())
        action.Run();
}

void TfrmRemindersWnd::ShowBoxInTurn(std::function<void()> box, const IReminderAwareItemPtr& owner,
                                     const std::string& key) {
    if (ApplicationLeaving() || ((owner || !key.empty()) && HasBoxOf(owner, key)))
        return;
    waitingBoxes_.push_back({std::move(box), owner, key});
    // Never shown from inside the call: that may be the due check, whose later ticks a box
    // waiting for the user there would hold back. An open box's loop shows it after that box.
    PostWaitingBoxes();
}

void TfrmRemindersWnd::ShowBoxNext(std::function<void()> box) {
    if (ApplicationLeaving())
        return;
    waitingBoxes_.push_front({std::move(box), nullptr, {}});
    PostWaitingBoxes();
}

void TfrmRemindersWnd::ReleaseBoxes() {
    if (boxHolds_ > 0 && --boxHolds_ == 0)
        PostWaitingBoxes();
}

void TfrmRemindersWnd::PostWaitingBoxes() {
    if (!waitingBoxes_.empty() && BoxesMayShow() && !boxesPosted_) {
        boxesPosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(ShowBoxesEventType()));
    }
}

void TfrmRemindersWnd::ShowWaitingBoxes() {
    boxesPosted_ = false;
    // Delivered by an open box's loop, or by one opened while boxes are held: the waiting
    // boxes follow that box, or the release.
    if (!BoxesMayShow())
        return;
    const QScopedValueRollback open(boxOpen_, true);
    while (!waitingBoxes_.empty() && !ApplicationLeaving()) {
        const TWaitingBox next = std::move(waitingBoxes_.front());
        waitingBoxes_.pop_front();
        // The window stands complete behind the box.
        CatchUp();
        const QScopedValueRollback waiting(boxWaiting_, true);
        const QScopedValueRollback owner(openOwner_, next.Owner);
        const QScopedValueRollback key(openKey_, next.Key);
        CallGuarded(next.Box);
    }
    waitingBoxes_.clear();
    // Asked for while a box waited (and not undone by the window's hiding meanwhile).
    if (std::exchange(activatePending_, false) && isVisible() && !ApplicationLeaving())
        BringForward();
}

bool TfrmRemindersWnd::HasBoxOf(const IReminderAwareItemPtr& owner, const std::string& key) const {
    return (openOwner_ == owner && openKey_ == key) ||
           std::any_of(waitingBoxes_.begin(), waitingBoxes_.end(), [&](const TWaitingBox& waiting) {
               return waiting.Owner == owner && waiting.Key == key;
           });
}

void TfrmRemindersWnd::customEvent(QEvent* e) {
    if (TMessageEvent* m = AsMessage(e, WM_RUN_ALERT_ACTION)) {
        if (postedActions_ > 0)
            --postedActions_;
        // The actions delivered in one run are one update, ended after the last one.
        if (!actionsUpdate_) {
            actionsUpdate_ = true;
            BeginUpdate();
        }
        if (const auto* action = m->PayloadAs<TQueuedAlertAction>()) {
            const TQueuedAlertAction copy = *action; // the event may go while it runs
            WMRunAlertAction(copy);
        }
        if (actionsUpdate_ && postedActions_ == 0) {
            actionsUpdate_ = false;
            EndUpdate();
        }
        return;
    }
    if (e->type() == ShowBoxesEventType()) {
        CallGuarded([this] { ShowWaitingBoxes(); });
        return;
    }
    QWidget::customEvent(e);
}

// ---- Window -----------------------------------------------------------------------------

void TfrmRemindersWnd::ShowAndActivate() {
    if (Updating())
        showPending_ = true;
    else
        ShowAndActivateNow();
}

void TfrmRemindersWnd::ShowAndActivateNow() {
    if (isMinimized())
        showNormal();
    else
        show();
    // An alert box waiting for the user stays in front; the window comes forward once the
    // last waiting box has closed.
    if (boxWaiting_) {
        activatePending_ = true;
        return;
    }
    BringForward();
}

void TfrmRemindersWnd::BringForward() {
    activatePending_ = false;
    raise();
    activateWindow();
    lvReminders->setFocus();
}

void TfrmRemindersWnd::closeEvent(QCloseEvent* e) {
    // FormClose: the window is only hidden.
    e->accept();
    hide();
}

void TfrmRemindersWnd::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    HandleAltKeyForRepaint(this, key, shift);
    if (key == Qt::Key_Escape)
        close();
}

void TfrmRemindersWnd::cbSnoozeTimeKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        cbSnoozeTimeExit();
        btnSnoozeClick();
    }
}

bool TfrmRemindersWnd::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::FocusOut)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // Keys of the combo box's drop-down list (a window of its own) belong to the list.
    if (!widget || widget->window() != this)
        return false;
    const bool inCombo = widget == cbSnoozeTime || widget->parentWidget() == cbSnoozeTime;
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        // A key that a control left unhandled goes on to its parents: preview it once.
        if (keyPreview_.SeenBefore(widget, key))
            return false;
        bool handled = false;
        CallGuarded([&] {
            FormKeyDown(key->key(), key->modifiers());
            if (key->key() == Qt::Key_Escape) {
                handled = true;
            } else if (inCombo && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                handled = true; // no default button, no item added
                cbSnoozeTimeKeyDown(key->key());
            }
        });
        keyPreview_.Record(widget, key, false);
        return handled;
    }
    if (widget == cbSnoozeTime) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        // Leaving for another control of the window, not for the drop-down or another window.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            CallGuarded([this] { cbSnoozeTimeExit(); });
    }
    return false;
}

// ---- Rows -------------------------------------------------------------------------------

QTreeWidgetItem* TfrmRemindersWnd::Row(int index) const {
    return lvReminders->topLevelItem(index);
}

int TfrmRemindersWnd::RowCount() const {
    return lvReminders->topLevelItemCount();
}

IReminderAwareItemPtr TfrmRemindersWnd::RowItem(int index) const {
    return ItemOf(Row(index));
}

QTreeWidgetItem* TfrmRemindersWnd::RowOf(const IReminderAwareItemPtr& item) const {
    if (!item)
        return nullptr;
    const auto it = rowIndex_.find(item.get());
    return it == rowIndex_.end() ? nullptr : it->second;
}

int TfrmRemindersWnd::FindReminderRow(const IReminderAwareItemPtr& item) const {
    QTreeWidgetItem* row = RowOf(item);
    return row ? lvReminders->indexOfTopLevelItem(row) : -1;
}

int TfrmRemindersWnd::SelectedRow() const {
    // From the selection's model index: looking the item up in the list would take a search.
    const QModelIndexList selected = lvReminders->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

IReminderAwareItemPtr TfrmRemindersWnd::GetSelectedReminder() const {
    return RowItem(SelectedRow());
}

void TfrmRemindersWnd::SelectRow(int index) {
    SelectRow(Row(index));
}

void TfrmRemindersWnd::SelectRow(QTreeWidgetItem* row) {
    if (!row)
        return;
    lvReminders->setCurrentItem(row);
    row->setSelected(true);
    lvReminders->scrollToItem(row);
}

void TfrmRemindersWnd::AddOrUpdateReminder(const IReminderAwareItemPtr& item, bool select,
                                           bool addIfMissing) {
    if (!item || item->IsRemoved())
        return;
    QTreeWidgetItem* row = RowOf(item);
    if (!row) {
        if (!addIfMissing)
            return;
        // The texts are set before the row is listed, where no change is announced; the
        // refresh then finds its due text as it is.
        row = new TReminderRow(item);
        ShowCaption(row, item->GetCaption());
        row->setText(1, Q(GetDueText(item, Now())));
        lvReminders->addTopLevelItem(row);
        rowIndex_[item.get()] = row;
    } else {
        ShowCaption(row, item->GetCaption());
    }
    item->GetReminder().SetPlacedToReminderWnd(true);
    if (select) {
        if (Updating())
            selectPending_ = item;
        else
            SelectRow(row);
    }
    RefreshRows();
}

bool TfrmRemindersWnd::RemoveReminderRow(const IReminderAwareItemPtr& item) {
    const int index = FindReminderRow(item);
    if (index < 0)
        return false;
    DeleteRow(index);
    return true;
}

void TfrmRemindersWnd::ShowCaption(QTreeWidgetItem* row, const std::string& caption) {
    // Each as much as fits, ending in "..." when cut: a long caption is not measured whole.
    row->setText(0, FirstLineToWidth(TextWidthOf(lvReminders->fontMetrics()), {caption},
                                     TextRoom(lvReminders, 0)));
    static_cast<TReminderRow*>(row)->Details = FirstLineToWidth(
        TextWidthOf(lbTaskCaption->fontMetrics()), {caption}, lbTaskCaption->width());
}

void TfrmRemindersWnd::RemoveAllRows() {
    DeleteRowsWhere([](const IReminderAwareItemPtr&) { return true; });
}

void TfrmRemindersWnd::DeleteRow(int index) {
    if (index < 0 || index >= RowCount())
        return;
    ForgetRow(RowItem(index));
    if (index == SelectedRow())
        SelectNeighbourRow(index);
    delete lvReminders->takeTopLevelItem(index);
    lvRemindersChange();
    CloseIfEmpty();
}

void TfrmRemindersWnd::ForgetRow(const IReminderAwareItemPtr& item) {
    if (item->HasReminder())
        item->GetReminder().SetPlacedToReminderWnd(false);
    rowIndex_.erase(item.get());
}

void TfrmRemindersWnd::DeleteRowsWhere(
    const std::function<bool(const IReminderAwareItemPtr&)>& match) {
    const int count = RowCount();
    std::vector<bool> goes(static_cast<size_t>(count));
    bool any = false;
    for (int i = 0; i < count; ++i)
        any |= goes[static_cast<size_t>(i)] = match(RowItem(i));
    if (!any)
        return;
    // One at a time, each deletion would shift the list and move the selection on: take the
    // rows out at once and put back those that stay. A deleted selected row passes its
    // selection to the next row that stays, else to the last one before it.
    const int selected = SelectedRow();
    const QList<QTreeWidgetItem*> rows = lvReminders->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> kept;
    std::vector<std::unique_ptr<QTreeWidgetItem>> gone;
    QTreeWidgetItem *keptBefore = nullptr, *newSelection = nullptr;
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* row = rows[i];
        if (!goes[static_cast<size_t>(i)]) {
            kept.push_back(row);
            if (i < selected)
                keptBefore = row;
            else if (selected >= 0 && !newSelection)
                newSelection = row;
            continue;
        }
        ForgetRow(ItemOf(row));
        gone.emplace_back(row);
    }
    lvReminders->addTopLevelItems(kept);
    if (!newSelection)
        newSelection = keptBefore;
    if (newSelection)
        SelectRow(newSelection);
    else
        lvReminders->clearSelection();
    gone.clear(); // the entries are let go of once their rows are out of the list
    lvRemindersChange();
    CloseIfEmpty();
}

void TfrmRemindersWnd::SelectNeighbourRow(int index) {
    const int neighbour = index + 1 < RowCount() ? index + 1 : index - 1;
    if (neighbour >= 0)
        SelectRow(neighbour);
    else
        lvReminders->clearSelection();
}

void TfrmRemindersWnd::CloseIfEmpty() {
    if (RowCount() == 0)
        close();
}

void TfrmRemindersWnd::RefreshRows() {
    if (Updating())
        refreshPending_ = true;
    else
        RefreshRowsNow();
}

void TfrmRemindersWnd::RefreshRowsNow() {
    DeleteRowsWhere([](const IReminderAwareItemPtr& item) { return item->IsRemoved(); });
    const TDateTime now = Now();
    for (int i = 0; i < RowCount(); ++i)
        Row(i)->setText(1, Q(GetDueText(RowItem(i), now)));
    UpdateDetails();
}

void TfrmRemindersWnd::BeginUpdate() {
    ++updateCount_;
}

void TfrmRemindersWnd::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        CatchUp();
}

void TfrmRemindersWnd::CatchUp() {
    if (std::exchange(showPending_, false))
        ShowAndActivateNow();
    // The texts first: while new rows wait for the list's layout their changes cost nothing,
    // and the selection then lays the list out once.
    if (std::exchange(refreshPending_, false))
        RefreshRowsNow();
    if (const IReminderAwareItemPtr item = std::exchange(selectPending_, nullptr))
        SelectRow(RowOf(item));
}

std::string TfrmRemindersWnd::GetDueText(const IReminderAwareItemPtr& item, TDateTime time) const {
    if (!item || !item->HasReminder())
        return {};
    if (time == 0)
        time = Now();
    return FormatDueIn(time, item->GetReminder().GetLatestAlertDateTime());
}

void TfrmRemindersWnd::UpdateDetails() {
    const int index = SelectedRow();
    if (index < 0) {
        ClearDetails();
        return;
    }
    const IReminderAwareItemPtr item = RowItem(index);
    lbTaskCaption->setText(static_cast<TReminderRow*>(Row(index))->Details);
    lbTaskDue->setText(Q("Due in: " + GetDueText(item, 0)));
    const TDateTime next = item->HasReminder() ? item->GetReminder().GetNextAlertDateTime() : 0;
    lbNextAlert->setText(next != 0 ? Q("Next alert: " + FormatAlertTime(next)) : QString());
}

void TfrmRemindersWnd::ClearDetails() {
    lbTaskCaption->clear();
    lbTaskDue->setText("No reminders selected");
    lbNextAlert->clear();
}

std::string TfrmRemindersWnd::FormatAlertTime(TDateTime dateTime) {
    if (std::floor(dateTime) == std::floor(Now()))
        return FormatDateTime("t", dateTime);
    return FormatDateTime("dddddd ", dateTime) + FormatDateTime(" t", dateTime);
}

// ---- User actions -----------------------------------------------------------------------

void TfrmRemindersWnd::lvRemindersChange() {
    UpdateDetails();
    const bool selected = SelectedRow() >= 0;
    btnOpenTask->setEnabled(selected);
    btnDismiss->setEnabled(selected);
    btnSnooze->setEnabled(selected);
    cbSnoozeTime->setEnabled(selected);
}

void TfrmRemindersWnd::btnOpenTaskClick() {
    if (IReminderAwareItemPtr item = GetSelectedReminder())
        OpenReminder(item);
}

void TfrmRemindersWnd::OpenReminder(const IReminderAwareItemPtr& item) {
    if (item && !item->IsRemoved() && OnOpenReminder)
        OnOpenReminder(item);
}

void TfrmRemindersWnd::SettleReminder(const IReminderAwareItemPtr& item,
                                      const std::function<void(TReminderItem&)>& change,
                                      const TReminderItemEvent& done) {
    const bool removed = item->IsRemoved(); // deleted meanwhile: only its row goes
    if (!removed)
        change(item->GetReminder());
    // The change may have changed the rows (its handlers run first); find the row again.
    DeleteRow(FindReminderRow(item));
    if (!removed && done)
        done(item);
}

void TfrmRemindersWnd::btnDismissClick() {
    if (const IReminderAwareItemPtr item = GetSelectedReminder())
        SettleReminder(
            item, [](TReminderItem& r) { r.Dismiss(); }, OnReminderDismissed);
}

void TfrmRemindersWnd::btnSnoozeClick() {
    const IReminderAwareItemPtr item = GetSelectedReminder();
    if (!item)
        return;
    const TDateTime delay = ParseDuration(cbSnoozeTime->currentText().toStdString(), false);
    if (delay == 0)
        throw Exception("Invalide snooze time");
    SettleReminder(
        item, [delay](TReminderItem& r) { r.Snooze(delay); }, OnReminderSnoozed);
}

void TfrmRemindersWnd::cbSnoozeTimeExit() {
    const TDateTime value = ParseDuration(cbSnoozeTime->currentText().toStdString(), false);
    cbSnoozeTime->setEditText(Q(FormatDuration(true, true, false, false, value)));
}

void TfrmRemindersWnd::DismissIfNotListed(const IReminderAwareItemPtr& item) {
    if (!item || HasReminderRow(item))
        return;
    item->GetReminder().SetReminderState(rsDismissed);
    if (OnReminderDismissed)
        OnReminderDismissed(item);
}

// ---- Sound ------------------------------------------------------------------------------

void TfrmRemindersWnd::PlayReminderSound(const std::string& fileName) {
    PlayAlertSound(fileName, nullptr);
}

void TfrmRemindersWnd::PlayAlertSound(const std::string& fileName,
                                      const IReminderAwareItemPtr& owner) {
    if (!player_) {
        player_ = playerFactory_ ? playerFactory_() : std::make_unique<TQtSoundPlayer>();
        // A late failure is one of the sound's reminder, shown in turn like its other errors.
        player_->OnError = [this](const std::string& message) {
            ShowAlertError(message, soundOwner_.lock());
        };
    }
    if (fileName.empty() || !FileExists(fileName))
        return;
    soundOwner_ = owner;
    try {
        player_->Play(fileName);
    } catch (const std::exception& e) {
        const std::string message = e.what();
        const std::string prefix = SoundErrorMessage("");
        throw Exception(message.rfind(prefix, 0) == 0 ? message : SoundErrorMessage(message));
    }
    if (OnStartPlayingAlertSound)
        OnStartPlayingAlertSound(*this);
}

void TfrmRemindersWnd::StopReminderSound(const std::string& fileName) {
    if (player_ && player_->Playing() && (fileName.empty() || fileName == player_->FileName()))
        player_->Stop();
    if (OnStopPlayingAlertSound)
        OnStopPlayingAlertSound(*this);
}
