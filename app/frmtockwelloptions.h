#pragma once
// TTockwellOptionsWnd: the modal "Options" dialog: a tree of the registered option pages on the
// left, the selected page on the right, OK, Cancel and Apply. Pages are made when first
// selected and saved by OK and Apply. The main window is reached through IOptionsHost.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "app/optionssheetbase.h"

class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TTockwellOptions;

// What the option pages need of the main window.
class IOptionsHost {
public:
    virtual ~IOptionsHost() = default;
    // The options of the open data file.
    virtual TTockwellOptions& Options() = 0;
    // Applies the options to the window (the hot key is registered again) and saves the data
    // file.
    virtual void ApplyOptionsAndSave() = 0;
    // The current data file (the default file when none is set).
    virtual std::string CurrentDataFileName() = 0;
    // Asks for a data file to open / to save to; "" when the user cancels.
    virtual std::string AskOpenDataFileName() = 0;
    virtual std::string AskSaveDataFileName() = 0;
    // Switches to fileName; true when it was read or is new.
    virtual bool SwitchDataFile(const std::string& fileName) = 0;
    // Saves to fileName, which becomes the current file; true when written.
    virtual bool SaveDataFileTo(const std::string& fileName) = 0;
};

// The main window while it exists (null otherwise); pages that need it do nothing without it.
IOptionsHost* OptionsHost();
void SetOptionsHost(IOptionsHost* host);

class TTockwellOptionsWnd : public QDialog {
    Q_OBJECT
public:
    // Builds the page tree from the registry; no page is made yet.
    explicit TTockwellOptionsWnd(QWidget* parent = nullptr);
    ~TTockwellOptionsWnd() override;

    // Apply is enabled while the pages hold unsaved changes; a change also sets Changed().
    void SetModified(bool value);
    bool Modified() const { return modified_; }
    // True once any page reported a change, even when it was cancelled later.
    bool Changed() const { return changed_; }
    // After another data file was opened: OK reads "Close"; Cancel and Apply are disabled.
    void SwitchToCloseMode();

    // Selects the first node whose text is name exactly; otherwise the second node (the first
    // page of the first group). False when no node matched.
    bool SelectSheet(const std::string& name);
    // The page of node, made (and shown) on first request; null for a null node.
    TOptionsSheetBase* SheetOf(QTreeWidgetItem* node);
    // The page shown now.
    TOptionsSheetBase* CurrentSheet() const { return current_; }
    // The node of the page with that name; null when none.
    QTreeWidgetItem* NodeOf(const std::string& name) const;
    // Saves every page made so far and clears Modified. A failure is shown (its field gets
    // the focus) and false returned.
    bool ApplyChanges();

    QTreeWidget* tvOptions;
    QSplitter* Splitter1; // hidden
    QWidget* pnlOptionsSheet;
    QWidget* pnlBottom;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnApply;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct TOptionItem {
        TSheetFactory SheetClass;
        TOptionsSheetBase* Sheet = nullptr; // owned by pnlOptionsSheet
    };
    void BuildTree();
    // Gives the page area the size of the largest page, so that choosing a page never
    // widens the dialog.
    void FitWidestSheet();
    void tvOptionsChange(QTreeWidgetItem* node);

    std::vector<TOptionItem> items_;
    TOptionsSheetBase* current_ = nullptr;
    int building_ = 0;
    bool modified_ = false;
    bool changed_ = false;
};

// Opens the dialog at the page named sheetName (the first page when empty or unknown); true
// when any page reported a change.
bool ShowOptions(const std::string& sheetName, QWidget* parent = nullptr);
