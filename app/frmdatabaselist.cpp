#include "app/frmdatabaselist.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/reminderlistimages.h"
#include "controls/tree/stringtree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treeimages.h"
#include "core/datetexts.h"
#include "core/durationtexts.h"
#include "core/tockwelldb.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/datetimeformat.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/uifont.h"

namespace {

constexpr QRgb GroupColor = 0x3768B9; // blue-grey

// The tree's expand (plus) and collapse (minus) button: a 9 x 9 box in the group colour.
QImage ExpandButtonImage(bool plus) {
    QImage image(9, 9, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(QColor(GroupColor));
    p.drawRect(0, 0, 8, 8);
    p.setPen(Qt::black);
    p.drawLine(2, 4, 6, 4);
    if (plus)
        p.drawLine(4, 2, 4, 6);
    return image;
}

// The "How soon" text of a next alert span (days) ahead: "in 3 days", "in a few sec".
std::string HowSoonText(TDateTime span) {
    const std::string text = FormatDuration(true, false, true, true, span);
    return "in " + (text.empty() ? "a few sec" : text);
}

} // namespace

// ---- creation -----------------------------------------------------------------------------

TfrmTockwellDatabaseList::TfrmTockwellDatabaseList() : QWidget(nullptr, Qt::Window) {
    setWindowTitle(QStringLiteral("Manage Reminders"));
    resize(719, 443);
    CreateComponents();
    SetupTree();
}

TfrmTockwellDatabaseList::~TfrmTockwellDatabaseList() {
    DisconnectPickers();
    // The tree's nodes point into the filter: empty the tree before the filter goes.
    LTV->Clear();
}

void TfrmTockwellDatabaseList::CreateComponents() {
    QWidget* top = CreateRangePanel();
    LTV = new TLeanStringTree(this);
    StatusBar = new QStatusBar(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(top);
    column->addWidget(LTV, 1);
    column->addWidget(StatusBar);

    PopupMenu = new QMenu(this);
    // A menu item's key works in the tree only: in a date field it is the field's own key.
    auto add = [this](const char* caption, auto handler, const QKeySequence& key = {}) {
        QAction* a = PopupMenu->addAction(QString::fromUtf8(caption));
        connect(a, &QAction::triggered, this, handler);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetShortcut);
            LTV->addAction(a);
        }
    };
    add("Open", [this] { OpenCommand(); });
    add("Add reminder...", [this] { NewCommand(); });
    PopupMenu->addSeparator();
    add("Expand All", [this] { LTV->FullExpand(); });
    add("Collapse All", [this] { LTV->FullCollapse(); });
    PopupMenu->addSeparator();
    add(
        "Delete", [this] { DeleteCommand(); }, QKeySequence(Qt::CTRL | Qt::Key_Delete));

    connect(sbRefresh, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { hide(); });
    ConnectRangeControls();
}

void TfrmTockwellDatabaseList::SetupTree() {
    LTV->SetDrawSelectionMode(smBlendedRectangle);
    TLTHeader& header = LTV->Header();
    header.SetStyle(hsXPStyle);
    struct Col {
        const char* text;
        int width;
        bool sized; // minimum and maximum width equal to the width
    };
    for (const Col& c :
         {Col{"", 20, true}, Col{"Reminder", 320, false}, Col{"Next Alert Time", 120, false},
          Col{"How soon", 100, false}, Col{"Repeat", 20, true}}) {
        TLeanTreeColumn& column = header.Columns().Add();
        column.SetText(c.text);
        column.SetWidth(c.width);
        if (c.sized) {
            column.SetMinWidth(c.width);
            column.SetMaxWidth(c.width);
        }
    }
    // Dragged narrower, "Reminder" still shows the start of its captions.
    header.Columns().Items(1).SetMinWidth(ReminderColumnMinWidth);
    header.SetAutoSizeIndex(1);
    header.SetOptions({TLTHeaderOption::hoColumnResize, TLTHeaderOption::hoDblClickResize,
                       TLTHeaderOption::hoDrag, TLTHeaderOption::hoVisible});
    header.SetFont(TahomaFont());
    header.SetMainColumn(1);
    TCustomLeanTreeOptions& options = LTV->TreeOptions();
    options.SetPaintOptions({TLTPaintOption::toShowButtons, TLTPaintOption::toShowDropmark,
                             TLTPaintOption::toShowRoot, TLTPaintOption::toThemeAware,
                             TLTPaintOption::toUseBlendedImages});
    options.SetSelectionOptions({TLTSelectionOption::toFullRowSelect,
                                 TLTSelectionOption::toMultiSelect,
                                 TLTSelectionOption::toRightClickSelect});
    LTV->SetNodeDataSize(sizeof(TFilterTreeItem*));

    LTV->OnInitNode = [this](TBaseLeanTree*, PLeanNode parent, PLeanNode node,
                             TLeanNodeInitStates& states) {
        TFilterTreeItem* object = nullptr;
        if (!parent || parent == LTV->RootNode()) {
            if (static_cast<int>(node->Index) < filter_.Root.Children.Count())
                object = filter_.Root.Children.Items(static_cast<int>(node->Index)).get();
            auto* group = dynamic_cast<TReminderTreeGroup*>(object);
            if (group && group->StartDate != 0)
                states = states | TLeanNodeInitState::ivsExpanded;
            if (object && object->Children.Count() > 0)
                states = states | TLeanNodeInitState::ivsHasChildren;
        } else if (TFilterTreeItem* group = NodeObject(parent)) {
            // Reminders have no children of their own.
            if (static_cast<int>(node->Index) < group->Children.Count())
                object = group->Children.Items(static_cast<int>(node->Index)).get();
        }
        *LTV->GetNodeData<TFilterTreeItem*>(node) = object;
    };
    LTV->OnInitChildren = [this](TBaseLeanTree*, PLeanNode node, uint32_t& count) {
        TFilterTreeItem* object = NodeObject(node);
        count = object ? static_cast<uint32_t>(object->Children.Count()) : 0;
    };
    LTV->OnGetText = [this](TBaseLeanTree*, PLeanNode node, TColumnIndex column, TVSTTextType,
                            QString& text) {
        text.clear();
        TFilterTreeItem* object = NodeObject(node);
        if (!object)
            return;
        if (column == 1) {
            text = QString::fromStdString(object->GetCaption());
            return;
        }
        auto* reminder = dynamic_cast<TReminderTreeItem*>(object);
        if (!reminder)
            return;
        const TDateTime next = reminder->NextAlertDateTime();
        if (column == 2) {
            text = QString::fromStdString(std::trunc(next) == Date()
                                              ? FormatTimeOrEmpty("t", next)
                                              : FormatDateTimeOrEmpty("ddddd", "ddddd t", next));
        } else if (column == 3) {
            const TDateTime now = Now();
            if (next > now)
                text = QString::fromStdString(HowSoonText(next - now));
        }
    };
    LTV->SetImages(ReminderListImages());
    LTV->OnGetImageIndex = [this](TBaseLeanTree*, PLeanNode node, TLTImageKind kind,
                                  TColumnIndex column, bool&, int& index) {
        if (kind == ikNormal || kind == ikSelected)
            index = ReminderListImageIndex(NodeObject(node), column);
    };
    LTV->OnPaintText = [this](TBaseLeanTree*, QPainter& canvas, PLeanNode node, TColumnIndex,
                              TVSTTextType) {
        TFilterTreeItem* object = NodeObject(node);
        if (!object || !object->IsGroup())
            return;
        QFont font = canvas.font();
        font.setBold(true);
        canvas.setFont(font);
        if (!(node->States & vsSelected))
            canvas.setPen(QColor(GroupColor));
    };
    LTV->OnGetPopupMenu = [this](TBaseLeanTree*, PLeanNode, TColumnIndex, const QPoint&,
                                 bool& askParent, QMenu*& menu) {
        askParent = false;
        menu = PopupMenu;
    };
    // The buttons of imgButtonPlus and imgButtonMinus.
    LTV->OnGetPlusBitmap = [](TBaseLeanTree*, QImage& bitmap) { bitmap = ExpandButtonImage(true); };
    LTV->OnGetMinusBitmap = [](TBaseLeanTree*, QImage& bitmap) {
        bitmap = ExpandButtonImage(false);
    };
    LTV->installEventFilter(this);
    LTV->viewport()->installEventFilter(this);
}

// ---- filling ------------------------------------------------------------------------------

TFilterTreeItem* TfrmTockwellDatabaseList::NodeObject(PLeanNode node) const {
    if (!node || node == LTV->RootNode())
        return nullptr;
    return *LTV->GetNodeData<TFilterTreeItem*>(node);
}

TTockwellItemPtr TfrmTockwellDatabaseList::NodeReminder(PLeanNode node) const {
    auto* reminder = dynamic_cast<TReminderTreeItem*>(NodeObject(node));
    // The objects hold their entries through the list of entries they were filled from:
    // what leaves the window holds the entry alone.
    return reminder && reminder->Data ? reminder->Data->shared_from_this() : nullptr;
}

void TfrmTockwellDatabaseList::Refresh() {
    if (deleting_) {
        refreshPending_ = true;
        return;
    }
    outOfDate_ = false;
    FillReminderList();
    RebuildTree();
}

void TfrmTockwellDatabaseList::RefreshWhenShown() {
    if (isVisible() || deleting_) {
        Refresh();
        return;
    }
    if (outOfDate_)
        return;
    // The tree points into the filter: empty it first.
    LTV->Clear();
    filter_.Clear();
    outOfDate_ = true;
}

void TfrmTockwellDatabaseList::FitNextAlertColumn() {
    constexpr TColumnIndex NextAlertColumn = 2;
    constexpr int LeastWidth = 120;
    const QFontMetrics fm(LTV->font());
    auto width = [&fm](const char* format, TDateTime t) {
        return fm.horizontalAdvance(QString::fromStdString(FormatDateTime(format, t)));
    };
    // The widest day of this year and the next, then the widest time of day on it.
    int y, m, d;
    DecodeDate(Date(), y, m, d);
    TDateTime widestDay = EncodeDate(y, 1, 1);
    int widest = 0;
    for (TDateTime day = widestDay; day < EncodeDate(y + 2, 1, 1); day += 1)
        if (const int w = width("ddddd", day); w > widest) {
            widest = w;
            widestDay = day;
        }
    widest = 0;
    for (int minute = 0; minute < 24 * 60; ++minute)
        widest = std::max(widest, width("ddddd t", widestDay + minute * OneMinute));
    // The cell's margin before the text and the text's margins, and a pixel to spare on
    // each side for rounding.
    const int needed = LTV->Margin() + 2 * LTV->TextMargin() + widest + 2;
    LTV->Header().Columns().Items(NextAlertColumn).SetWidth(std::max(LeastWidth, needed));
}

void TfrmTockwellDatabaseList::FitHowSoonColumn() {
    constexpr TColumnIndex HowSoonColumn = 3;
    constexpr int LeastWidth = 100;
    const QFontMetrics fm(LTV->font());
    int widest = fm.horizontalAdvance(QString::fromStdString(HowSoonText(0)));
    auto measure = [&](int count, TDateTime unit) {
        for (int n = 1; n <= count; ++n)
            widest = std::max(widest,
                              fm.horizontalAdvance(QString::fromStdString(HowSoonText(n * unit))));
    };
    // Every count of seconds, minutes, hours and the days of a year; a day less a minute
    // ("in 24 hours"), and days with three and four digits.
    measure(59, OneSecond);
    measure(59, OneMinute);
    measure(23, OneHour);
    measure(366, 1);
    for (TDateTime span : {1 - OneMinute, 999.0, 9999.0})
        widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(HowSoonText(span))));
    const int needed = LTV->Margin() + 2 * LTV->TextMargin() + widest + 2;
    LTV->Header().Columns().Items(HowSoonColumn).SetWidth(std::max(LeastWidth, needed));
}

void TfrmTockwellDatabaseList::FillReminderList() {
    // The tree points into the filter: empty it first.
    LTV->Clear();
    filter_.Clear();
    if (!db_)
        return;
    const TDateTime fromDate = FromDate(), toDate = ToDate();
    // Each entry is read once, its tree object made and filed while it is at hand.
    const TDateTime now = Now();
    const TDateGroupClassifier groups(now);
    // The tree's objects hold their entries through the database's list as it is now: one
    // use count for all, instead of one on each entry, which lie far apart in memory.
    const std::shared_ptr<const std::vector<TTockwellItemPtr>> entries = db_->ItemList();
    const size_t count = entries->size();
    TFilterTreeBatch batch = ReminderTreeBatch(filter_, now);
    for (size_t i = 0; i < count; ++i) {
        // The entries and their reminders are fetched a few ahead: the entry's start and its
        // reminder's reference, then the reminder's times (both lie past its first 64 bytes).
        if (i + 16 < count) {
            const char* ahead = reinterpret_cast<const char*>((*entries)[i + 16].get());
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 40);
        }
        if (i + 8 < count)
            if (const TTockwellItem* ahead = (*entries)[i + 8].get())
                __builtin_prefetch(reinterpret_cast<const char*>(ahead->FindReminder()) + 80);
        TTockwellItem* entry = (*entries)[i].get();
        if (entry && entry->HasReminder() &&
            InDateRange(entry->NextAlertDateTime(), fromDate, toDate))
            batch.Add(filter_.Make<TReminderTreeItem>(TTockwellItemPtr(entries, entry), groups));
    }
    batch.Finish();
}

void TfrmTockwellDatabaseList::RebuildTree() {
    LTV->BeginUpdate();
    LTV->Clear();
    LTV->SetRootNodeCount(static_cast<uint32_t>(filter_.Root.Children.Count()));
    LTV->ReinitNode(nullptr, true);
    LTV->EndUpdate();
}

// ---- commands -----------------------------------------------------------------------------

void TfrmTockwellDatabaseList::OpenCommand() {
    TTockwellItemPtr entry = NodeReminder(LTV->FocusedNode());
    if (entry && OnOpenReminder)
        OnOpenReminder(entry);
}

void TfrmTockwellDatabaseList::NewCommand() {
    if (OnNewReminder)
        OnNewReminder();
}

void TfrmTockwellDatabaseList::DeleteCommand() {
    int count = 0;
    for (PLeanNode node : LTV->GetSortedSelection(false))
        if (NodeReminder(node))
            ++count;
    if (count == 0)
        return;
    // The answers delete what was asked about: a refresh meanwhile (a date field left as the
    // box took the focus) would rebuild the nodes and lose the selection; it comes after.
    refreshPending_ = false;
    bool yes;
    {
        const QScopedValueRollback hold(deleting_, true);
        yes = MessageDlg("Delete selected reminder?", mtConfirmation, mbYesNo) == mrYes &&
              (count == 1 || MessageDlg("You selected " + std::to_string(count) +
                                            " reminders. Do you wish to delete them?",
                                        mtConfirmation, mbYesNo) == mrYes);
    }
    const bool refreshAsked = refreshPending_;
    if (yes)
        DeleteSelected();
    if (refreshAsked)
        Refresh();
}

void TfrmTockwellDatabaseList::DeleteSelected() {
    const std::vector<PLeanNode> selection = LTV->GetSortedSelection(false);
    if (selection.empty() || deleting_)
        return;
    // The handlers may ask for a refresh, which would rebuild the nodes under this loop; it
    // is held back until the nodes are done with.
    deleting_ = true;
    refreshPending_ = false;
    LTV->BeginUpdate();
    PLeanNode neighbour = LTV->GetPreviousSibling(selection.front());
    if (!neighbour && selection.front()->Parent != LTV->RootNode())
        neighbour = selection.front()->Parent;
    for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
        TTockwellItemPtr entry = NodeReminder(*it);
        if (!entry)
            continue; // group rows stay until the next refresh
        if (OnDeleteReminder)
            OnDeleteReminder(entry);
        LTV->DeleteNode(*it);
        entry->Delete();
    }
    LTV->EndUpdate();
    deleting_ = false;
    if (OnRemindersDeleted)
        OnRemindersDeleted();
    if (neighbour) {
        LTV->ClearSelection();
        LTV->SetSelected(neighbour, true);
        LTV->SetFocusedNode(neighbour);
    }
    // The deleted entries are gone from the tree already; a refresh asked for meanwhile
    // would only lose the focus just set.
    refreshPending_ = false;
}

// ---- keys, mouse, closing -----------------------------------------------------------------

bool TfrmTockwellDatabaseList::TreeKey(int key, Qt::KeyboardModifiers shift) {
    if (LTV->IsEditing())
        return false;
    shift &= ~Qt::KeypadModifier;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && shift == Qt::NoModifier) {
        OpenCommand();
        return true;
    }
    if (key == Qt::Key_Delete && shift == Qt::NoModifier) {
        DeleteCommand();
        return true;
    }
    if (key == Qt::Key_Escape) {
        hide();
        return true;
    }
    return false;
}

bool TfrmTockwellDatabaseList::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        HandleAltKeyForRepaint(this, key->key(), key->modifiers());
        if (watched == LTV)
            return TreeKey(key->key(), key->modifiers());
        return PickerEvent(watched, key->key(), key->modifiers());
    } else if (watched == LTV->viewport()) {
        if (e->type() == QEvent::MouseButtonPress) {
            const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
            lastPressOnButton_ = LTV->GetHitTestInfoAt(p.x(), p.y(), true)
                                     .HitPositions.Contains(THitPosition::hiOnItemButton);
        } else if (e->type() == QEvent::MouseButtonDblClick) {
            // A reminder opens; a group keeps the tree's own double-click handling.
            if (!lastPressOnButton_ && NodeReminder(LTV->FocusedNode())) {
                OpenCommand();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TfrmTockwellDatabaseList::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    if (e->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TfrmTockwellDatabaseList::showEvent(QShowEvent* e) {
    // Fitted in one update: the header repaints once.
    LTV->Header().Columns().BeginUpdate();
    FitNextAlertColumn();
    FitHowSoonColumn();
    LTV->Header().Columns().EndUpdate();
    if (outOfDate_)
        Refresh();
    QWidget::showEvent(e);
}

void TfrmTockwellDatabaseList::closeEvent(QCloseEvent* e) {
    e->ignore();
    hide();
}
