#pragma once
// The enhanced edit's lookup list (values offered while typing, a learned history) and where
// the edit remembers its text and its lists between runs: an INI file of its own in the
// user's config folder, or a key of the registry store.

#include <QFrame>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/colors.h"

class QListWidget;
class TCustomIniFile;
class TEnhEdit;

struct TLookupSettings {
    bool CaseSensitive = false;
    TColor Color = clWindow;
    int DisplayCount = 4;    // visible rows; the page step of PageUp and PageDown
    TStringList DisplayList; // the texts offered
    bool Enabled = false;
    bool History = false;  // typed values are learned and stored
    TStringList ValueList; // picked index -> value put into the edit (when present)
    bool Multi = false;    // several values split by Separator; the last one is looked up
    QChar Separator = ';';

    int NumChars() const { return numChars_; }
    // Values below 1 are ignored.
    void SetNumChars(int v) {
        if (v > 0)
            numChars_ = v;
    }

private:
    int numChars_ = 2;
};

enum TPersistenceLocation { plInifile, plRegistry };

struct TPersistence {
    bool Enable = false;
    // The INI file name (relative names lie in the config folder; empty: the program's name
    // with ".ini" there), or the registry key for plRegistry.
    std::string Key;
    std::string Section;
    TPersistenceLocation Location = plInifile;
};

// ---- Rules ---------------------------------------------------------------------------------

// The part of the value the lookup works on and how many characters were cut before it
// (with multi: everything up to and including the last separator).
struct TLookupPart {
    QString Typed;
    int Offset = 0;
};
TLookupPart LookupTypedPart(const QString& value, bool multi, QChar separator);

// One offered line: its text and its index in DisplayList.
struct TLookupMatch {
    QString Text;
    int Index = 0;
};
// The DisplayList lines that begin with typed (exactly, or both upper-cased), sorted by text.
std::vector<TLookupMatch> LookupMatches(const TLookupSettings& l, const QString& typed);

// The value a picked line gives: the ValueList line of that index when it exists, else text.
QString LookupValue(const TLookupSettings& l, int index, const QString& text);

// The history step: the trimmed text, when not empty and not yet a DisplayList line, is added.
// True when it was added.
bool LearnHistory(TLookupSettings& l, const std::string& text);

// The settings file for p: a TRegistryIniFile for plRegistry, else a TIniFile (see Key).
std::unique_ptr<TCustomIniFile> OpenPersistence(const TPersistence& p);
// The INI file name p stands for.
std::string PersistenceFileName(const TPersistence& p);

// Reads the lists (with lookup history) into l and gives the stored window text, or "@" when
// there is none. Writes the window text and (with lookup history) the lists.
std::string LoadPersistValues(TCustomIniFile& ini, const std::string& section,
                              const std::string& name, TLookupSettings& l);
void SavePersistValues(TCustomIniFile& ini, const std::string& section, const std::string& name,
                       const std::string& windowText, const TLookupSettings& l);

// ---- The drop-down window ------------------------------------------------------------------

// The pop-up list under the edit. It takes the keys while shown: the list keys move the
// selection, Enter picks, everything else goes on to the edit.
class TListHintWindow : public QFrame {
    Q_OBJECT
public:
    explicit TListHintWindow(TEnhEdit& edit);
    QListWidget* ListControl() const { return list_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TEnhEdit& edit_;
    QListWidget* list_;
    QWidget* grip_;
};
