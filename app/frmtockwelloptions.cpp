#include "app/frmtockwelloptions.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <map>
#include <numeric>

#include "app/helpsystem.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/messageboxes.h"

namespace {

IOptionsHost* host_ = nullptr;

} // namespace

IOptionsHost* OptionsHost() {
    return host_;
}

void SetOptionsHost(IOptionsHost* host) {
    host_ = host;
}

TTockwellOptionsWnd::TTockwellOptionsWnd(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TockwellOptionsWnd"));
    setWindowTitle(QStringLiteral("Options"));
    SetHelpContext(this, HelpContextOptions);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    PlaceDialog(this);
    resize(559, 367);

    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 4);
    tvOptions = new QTreeWidget(this);
    tvOptions->setObjectName(QStringLiteral("tvOptions"));
    tvOptions->setHeaderHidden(true);
    tvOptions->setFixedWidth(174);
    tvOptions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    main->addWidget(tvOptions);
    Splitter1 = new QSplitter(this);
    Splitter1->hide();

    auto* right = new QVBoxLayout;
    pnlOptionsSheet = new QWidget(this);
    pnlOptionsSheet->setObjectName(QStringLiteral("pnlOptionsSheet"));
    auto* sheetLayout = new QVBoxLayout(pnlOptionsSheet);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    right->addWidget(pnlOptionsSheet, 1);
    pnlBottom = new QWidget(this);
    pnlBottom->setFixedHeight(33);
    auto* buttons = new QHBoxLayout(pnlBottom);
    buttons->setContentsMargins(0, 4, 0, 4);
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), pnlBottom);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), pnlBottom);
    btnApply = new QPushButton(QStringLiteral("Apply"), pnlBottom);
    btnApply->setEnabled(false);
    for (QPushButton* b : {btnOK, btnCancel, btnApply})
        buttons->addWidget(b);
    btnCancel->setAutoDefault(false);
    btnApply->setAutoDefault(false);
    right->addWidget(pnlBottom);
    main->addLayout(right, 1);

    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (ApplyChanges())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply, &QPushButton::clicked, this, [this] { ApplyChanges(); });
    connect(tvOptions, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { tvOptionsChange(node); });
    connect(tvOptions, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* node) {
        if (node && !node->isExpanded() && node->childCount() > 0)
            node->setExpanded(true);
    });
    BuildTree();
    // Wide enough for the names, where the font is larger than the layout's.
    tvOptions->resizeColumnToContents(0);
    tvOptions->setFixedWidth(
        std::max(174, tvOptions->columnWidth(0) + 2 * tvOptions->frameWidth() + 4));
    FitWidestSheet();
}

void TTockwellOptionsWnd::FitWidestSheet() {
    // Each page is made once, off screen and without an owner, to measure it; the pages
    // shown later are made afresh when first selected.
    QSize widest;
    QWidget probe;
    for (const TOptionItem& item : items_) {
        std::unique_ptr<TOptionsSheetBase> sheet(item.SheetClass
                                                     ? item.SheetClass(nullptr, &probe)
                                                     : new TOptionsSheetBase(nullptr, &probe));
        widest = widest.expandedTo(sheet->minimumSizeHint()).expandedTo(sheet->sizeHint());
    }
    pnlOptionsSheet->setMinimumSize(widest);
    resize(size().expandedTo(sizeHint()));
}

TTockwellOptionsWnd::~TTockwellOptionsWnd() = default;

void TTockwellOptionsWnd::BuildTree() {
    ++building_;
    const auto& sheets = OptionsSheets();
    std::map<int, QTreeWidgetItem*> nodes;
    // Adds the entry after its parents; a parent chain that loops ends at the top level.
    std::function<QTreeWidgetItem*(int, int)> add = [&](int index, int depth) {
        if (auto it = nodes.find(index); it != nodes.end())
            return it->second;
        const TSheetEntry& entry = sheets[index];
        QTreeWidgetItem* parent = nullptr;
        if (entry.ParentIndex >= 0 && entry.ParentIndex < static_cast<int>(sheets.size()) &&
            depth < static_cast<int>(sheets.size()))
            parent = add(entry.ParentIndex, depth + 1);
        auto* node = new QTreeWidgetItem(QStringList(QString::fromStdString(entry.Name)));
        node->setData(0, Qt::UserRole, static_cast<int>(items_.size()));
        items_.push_back({entry.SheetClass, nullptr});
        if (parent) {
            parent->addChild(node);
            parent->setExpanded(true);
        } else {
            tvOptions->addTopLevelItem(node);
        }
        nodes[index] = node;
        return node;
    };
    std::vector<int> order(sheets.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sheets[a].Order < sheets[b].Order; });
    for (int i : order)
        add(i, 0);
    --building_;
}

QTreeWidgetItem* TTockwellOptionsWnd::NodeOf(const std::string& name) const {
    const QString text = QString::fromStdString(name);
    for (QTreeWidgetItemIterator it(tvOptions); *it; ++it)
        if ((*it)->text(0) == text)
            return *it;
    return nullptr;
}

bool TTockwellOptionsWnd::SelectSheet(const std::string& name) {
    if (QTreeWidgetItem* node = NodeOf(name)) {
        tvOptions->setCurrentItem(node);
        return true;
    }
    // The node at index 1: the first page under the first group.
    QTreeWidgetItemIterator it(tvOptions);
    QTreeWidgetItem* second = nullptr;
    if (*it) {
        second = *it;
        ++it;
        if (*it)
            second = *it;
    }
    if (second)
        tvOptions->setCurrentItem(second);
    return false;
}

TOptionsSheetBase* TTockwellOptionsWnd::SheetOf(QTreeWidgetItem* node) {
    if (!node)
        return nullptr;
    TOptionItem& item = items_.at(node->data(0, Qt::UserRole).toInt());
    if (!item.Sheet) {
        item.Sheet = item.SheetClass ? item.SheetClass(this, pnlOptionsSheet)
                                     : new TOptionsSheetBase(this, pnlOptionsSheet);
        item.Sheet->hide();
        pnlOptionsSheet->layout()->addWidget(item.Sheet);
    }
    return item.Sheet;
}

void TTockwellOptionsWnd::tvOptionsChange(QTreeWidgetItem* node) {
    if (building_ > 0 || !node)
        return;
    TOptionsSheetBase* sheet = SheetOf(node);
    if (sheet == current_)
        return;
    if (current_)
        current_->hide();
    current_ = sheet;
    current_->show();
}

void TTockwellOptionsWnd::SetModified(bool value) {
    modified_ = value;
    btnApply->setEnabled(value && btnCancel->isEnabled());
    if (value)
        changed_ = true;
}

void TTockwellOptionsWnd::SwitchToCloseMode() {
    btnCancel->setEnabled(false);
    btnOK->setText(QStringLiteral("Close"));
    btnApply->setEnabled(false);
}

bool TTockwellOptionsWnd::ApplyChanges() {
    for (TOptionItem& item : items_) {
        if (!item.Sheet)
            continue;
        try {
            item.Sheet->Save();
        } catch (const std::exception& e) {
            // The failing page comes to the front.
            for (QTreeWidgetItemIterator it(tvOptions); *it; ++it)
                if (items_.at((*it)->data(0, Qt::UserRole).toInt()).Sheet == item.Sheet)
                    tvOptions->setCurrentItem(*it);
            ShowOptionsError(e);
            return false;
        }
    }
    SetModified(false);
    return true;
}

void TTockwellOptionsWnd::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    QDialog::keyPressEvent(e);
}

bool ShowOptions(const std::string& sheetName, QWidget* parent) {
    TTockwellOptionsWnd dialog(parent);
    dialog.SelectSheet(sheetName);
    dialog.exec();
    return dialog.Changed();
}
