#include "app/optionssheetbase.h"

#include <QLabel>
#include <QString>

#include "app/frmtockwelloptions.h"
#include "platform/gui/messageboxes.h"

namespace {

std::vector<TSheetEntry>& Sheets() {
    static std::vector<TSheetEntry> sheets;
    return sheets;
}

bool SameName(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).trimmed().compare(QString::fromStdString(b).trimmed(),
                                                       Qt::CaseInsensitive) == 0;
}

} // namespace

const std::vector<TSheetEntry>& OptionsSheets() {
    return Sheets();
}

int FindOptionsSheet(const std::string& name) {
    const auto& sheets = Sheets();
    for (size_t i = 0; i < sheets.size(); ++i)
        if (SameName(sheets[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

std::string RegisterOptionsSheet(const std::string& parentName, const std::string& name,
                                 TSheetFactory sheetClass, int order) {
    auto& sheets = Sheets();
    int index = FindOptionsSheet(name);
    std::string finalName = name;
    if (index >= 0 && !sheets[index].IsGroup()) {
        for (int n = 1;; ++n) {
            finalName = name + "-" + std::to_string(n);
            if (FindOptionsSheet(finalName) < 0)
                break;
        }
        index = -1;
    }
    int parent = -1;
    if (!parentName.empty()) {
        parent = FindOptionsSheet(parentName);
        if (parent < 0) {
            sheets.push_back({parentName, -1, {}});
            parent = static_cast<int>(sheets.size()) - 1;
        }
    }
    if (index < 0) {
        sheets.push_back({});
        index = static_cast<int>(sheets.size()) - 1;
    }
    TSheetEntry& entry = sheets[index];
    entry.Name = finalName;
    entry.SheetClass = std::move(sheetClass);
    entry.Order = order;
    entry.ParentIndex = parent == index ? -1 : parent;
    return finalName;
}

void UnregisterOptionsSheet(const std::string& name) {
    auto& sheets = Sheets();
    int index = FindOptionsSheet(name);
    if (index < 0)
        return;
    sheets.erase(sheets.begin() + index);
    // Parent indexes behind the removed entry move down with their entries.
    for (TSheetEntry& e : sheets) {
        if (e.ParentIndex == index)
            e.ParentIndex = -1;
        else if (e.ParentIndex > index)
            --e.ParentIndex;
    }
    if (sheets.empty())
        std::vector<TSheetEntry>().swap(sheets);
}

void ShowOptionsError(const std::exception& e) {
    ShowException(e);
    if (auto* field = dynamic_cast<const EOptionsField*>(&e); field && field->Field)
        field->Field->setFocus();
}

TOptionsSheetBase::TOptionsSheetBase(TTockwellOptionsWnd* owner, QWidget* parent)
    : QWidget(parent), owner_(owner) {
    setObjectName(QStringLiteral("OptionsSheetBase"));
    setWindowTitle(QStringLiteral("OptionsSheetBase"));
    resize(414, 291);
    lbSheetBaseLabel = new QLabel(QStringLiteral("Please select a subentry for options"), this);
    lbSheetBaseLabel->setObjectName(QStringLiteral("lbSheetBaseLabel"));
    lbSheetBaseLabel->move(16, 16);
    lbSheetBaseLabel->adjustSize();
}

void TOptionsSheetBase::SetModified(bool value) {
    modified_ = value;
    if (value && owner_)
        owner_->SetModified(true);
}

void TOptionsSheetBase::Changed() {
    if (Loading == 0)
        SetModified(true);
}

QLabel* TOptionsSheetBase::Section(const QString& caption) {
    auto* l = new QLabel(caption, this);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}
