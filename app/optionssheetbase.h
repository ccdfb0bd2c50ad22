#pragma once
// The pages of the options dialog and the process-wide sheet registry they join at start-up.
// A page is a widget derived from TOptionsSheetBase; its source registers it under a path of
// names with a static TOptionsSheetRegistrar, and the options dialog builds its page tree from
// the registry each time it opens. GUI thread only.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/sysutils.h"

class QLabel;
class TOptionsSheetBase;
class TTockwellOptionsWnd;

// Makes a page for the options window (its owner) inside parent; an empty factory stands for
// the base page, which only asks the user to pick an entry below it.
using TSheetFactory =
    std::function<TOptionsSheetBase*(TTockwellOptionsWnd* owner, QWidget* parent)>;

struct TSheetEntry {
    std::string Name;
    int ParentIndex = -1; // -1 for a top-level entry
    TSheetFactory SheetClass;
    int Order = 0; // the tree shows siblings by Order, then in registration order
    bool IsGroup() const { return !SheetClass; }
};

// Adds a page named name under the entry parentName ("" for the top level); a missing parent is
// added first as a top-level group. A group of that name takes the page; a page of that name
// makes the new name unique as name + "-1", "-2", ... Returns the name the page got. Names
// compare trimmed and without regard to case. order places the page among its siblings
// (pages register from static objects, whose order the linker decides).
std::string RegisterOptionsSheet(const std::string& parentName, const std::string& name,
                                 TSheetFactory sheetClass, int order = 0);
// Removes the entry of that name, if any; entries below it move to the top level.
void UnregisterOptionsSheet(const std::string& name);
// The registry in registration order.
const std::vector<TSheetEntry>& OptionsSheets();
// The index of the entry of that name, -1 when none.
int FindOptionsSheet(const std::string& name);

// Registers a page for the program's lifetime (a static object per page).
class TOptionsSheetRegistrar {
public:
    TOptionsSheetRegistrar(const std::string& parentName, const std::string& name,
                           TSheetFactory sheetClass, int order = 0)
        : RegisteredName(RegisterOptionsSheet(parentName, name, std::move(sheetClass), order)) {}
    ~TOptionsSheetRegistrar() { UnregisterOptionsSheet(RegisteredName); }
    TOptionsSheetRegistrar(const TOptionsSheetRegistrar&) = delete;
    TOptionsSheetRegistrar& operator=(const TOptionsSheetRegistrar&) = delete;
    const std::string RegisteredName;
};

// A value the user entered that cannot be saved: the message names the field, which gets
// the focus.
class EOptionsField : public Exception {
public:
    EOptionsField(std::string message, QWidget* field)
        : Exception(std::move(message)), Field(field) {}
    QWidget* Field;
};

// Shows e in an error box; the field of an EOptionsField then gets the focus.
void ShowOptionsError(const std::exception& e);

class TOptionsSheetBase : public QWidget {
    Q_OBJECT
public:
    // A page of owner (null outside an options window) placed in parent.
    TOptionsSheetBase(TTockwellOptionsWnd* owner, QWidget* parent);

    // Writes the page's values; raises (EOptionsField for a value that cannot be taken).
    virtual void Save() {}
    // Marks the page changed; a change also marks the owning window.
    void SetModified(bool value);
    bool Modified() const { return modified_; }
    TTockwellOptionsWnd* OptionsWindow() const { return owner_; }

    QLabel* lbSheetBaseLabel;

protected:
    // Reports an edit unless the page is loading.
    void Changed();
    // A new bold caption on this page that heads a group of fields.
    QLabel* Section(const QString& caption);
    // Above 0 while the page fills its controls: edits are not reported then.
    int Loading = 0;

private:
    TTockwellOptionsWnd* owner_;
    bool modified_ = false;
};

// The program's option pages are registered under this group.
inline constexpr char GeneralOptionsGroup[] = "General Application Options";
