#pragma once
// The main window's data file: which file holds the database, the format it was read in, and
// reading it and writing it safely after every change. XML is the default format; a file that
// is not XML is read as binary and written back as binary. Failures reach the user as error
// boxes; a failed save offers the save dialog from the event loop, so that the caller (the
// due check among others) goes on meanwhile. GUI thread only.
//
// A file that exists but cannot be read is never written over: the database is saved to an
// unused name beside it instead, and the error box names that file.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class QObject;
class TReminderManager;
class TTockwellDB;

class TDataFileStore {
public:
    // Works on db; manager's short list is emptied whenever another file is opened.
    TDataFileStore(TTockwellDB& db, TReminderManager& manager);
    // Drops a posted save failure round.
    ~TDataFileStore();
    TDataFileStore(const TDataFileStore&) = delete;
    TDataFileStore& operator=(const TDataFileStore&) = delete;

    // The data file's name; "" until one is chosen.
    const std::string& FileName() const { return fileName_; }
    // Sets the name (nothing is read or written).
    void SetFileName(const std::string& fileName);
    // True when the file was read as XML or is new: saves write XML.
    bool XMLMode() const { return xmlMode_; }
    // Where saves go while FileName() is a file that could not be read; "" otherwise.
    const std::string& SaveRedirect() const { return redirect_; }

    // Reads FileName() (the default file when empty) into the emptied database: as XML, and
    // when that fails for any reason but a foreign root element, as binary. A missing file
    // leaves the database empty (the first save creates it). A file that cannot be read (a
    // folder too) is reported in an error box ("Error opening data file ...", in turn with the
    // alert boxes: ShowAlertBox), keeps its name
    // and is protected from saves (SaveRedirect). The database's indexes are rebuilt and the
    // name is stored as "LatestDataFile". True when the file was read or is new. A file that
    // begins as XML is read as XML only: its parser error (with line and column) is the one
    // reported.
    // A save failure round posted for the database before runs first (its chosen file does
    // not change the name to open).
    bool Open();
    // Switches to the data file fileName, which the user chose: a change that no save wrote
    // is saved first (a posted round runs, or the save is tried again with a round of its
    // own). While the change stays unwritten (the round was cancelled), or when the file
    // cannot be read, nothing changes: an error box tells why ("... stays open because its
    // changes could not be saved." or "Error opening data file ..."), and the current file
    // stays. Otherwise as SetFileName and Open. True when it switched (the database was
    // replaced as by Open).
    bool OpenOther(const std::string& fileName);
    // Writes the whole database to FileName() (the default file when empty; SaveRedirect()
    // while set) through a temporary file, keeping the previous file as ".bak" unless
    // deleteBackup; then stores the name as "LatestDataFile". True when written. A failure
    // is not shown inside the call: it posts a save failure round (RunSaveFailureRound), run
    // from the event loop once the alert box open has closed (ShowAlertBoxNext), and returns
    // false. While a round is posted or open, Save returns
    // false at once and posts no other: the round's save writes the whole database.
    bool Save(bool deleteBackup = false);
    // Saves to fileName, which becomes the current file once written; the format stays. The
    // user asked for it: a failure runs the save failure round inside the call, and when that
    // is cancelled the store is as before (the current file stays). True when the database
    // was written (to fileName or to a file chosen in the round). False at once while a round
    // is open; a posted one is dropped (this save writes the whole database or runs its own).
    bool SaveAs(const std::string& fileName);
    // True while a save failure round is posted or open.
    bool SaveFailurePending() const { return postedFailure_ || roundOpen_; }
    // True while the database holds a change that no save has written: a save failed, or was
    // refused while a round was pending. Cleared when a save writes the database or a file is
    // opened.
    bool HasUnwrittenChange() const { return unwritten_; }
    // The program's end: with an unwritten change, writes the database once more like Save
    // (to SaveRedirect() while set), without a box or a round; its failure goes to stderr.
    // Without one nothing is written. True when nothing is left unwritten.
    bool WriteUnwrittenAtExit();
    // A save failure round: with the alert boxes held throughout (they come once it has
    // ended), the error box "Error to save data file ...", then OnAskSaveFileName. A chosen
    // file receives the whole database and, once written, becomes the current file; its
    // failure starts over. Cancel saves nothing and keeps the current file (the next Save
    // tries it again). Ends early when the program leaves. True when the database was
    // written.
    bool RunSaveFailureRound(const std::string& target, const std::string& error);

    // Writes the database to fileName in the current format, replacing the file. Raises the
    // writer's exception.
    void WriteDataFile(const std::string& fileName);
    // Writes the binary form to fileName.
    void SaveBinary(const std::string& fileName);
    // Empties the manager's short list (and the reminders window) and the database, its
    // holidays, workdays and day colours included.
    void NewDataFile();

    // "TockwellDB.tock" in a "Tockwell" folder under the user's documents folder (not created
    // here), or in the program's folder when there is no documents folder or that folder
    // cannot be created.
    static std::string DefaultDataFile();
    // A name beside fileName that no file has: "<name> (2)<ext>", "<name> (3)<ext>", ... (a
    // trailing '/' of fileName is no part of its name).
    static std::string UnusedNameBeside(const std::string& fileName);

    // Asks for another file to save to, starting from current; "" when the user cancels.
    // Defaults to the save dialog shown with top-most windows lowered.
    std::function<std::string(const std::string& current)> OnAskSaveFileName;
    // Told why "LatestDataFile" could not be stored; the open or save itself goes on.
    // Defaults to a line on stderr.
    std::function<void(const std::string& message)> OnSettingsError;
    // When set, held while a file is written (not owned): whoever ends the process hard
    // waits for it.
    std::timed_mutex* WriteLock = nullptr;

private:
    // Stores FileName() as "LatestDataFile"; a failure goes to OnSettingsError.
    void StoreLatestDataFile();
    // Before another file replaces the database: runs the posted save failure round, or else
    // writes a change left unwritten, running the round inside the call when that fails. True
    // when no change is left unwritten.
    bool SaveUnwrittenBeforeOpening();
    // Open without saving first; query answers the file's questions.
    bool ReadFile(const std::function<bool(const std::string& question)>& query);
    // Writes the database to target (creating its folder); raises on failure.
    void TrySave(const std::string& target, bool deleteBackup);
    struct TSaveFailure {
        std::string Target, Message;
    };
    // Writes the database to its file now (TrySave), or to other when given; on success the
    // target becomes the current file and "LatestDataFile". The failure otherwise, the store
    // unchanged (but for an unwritten change of the current file).
    std::optional<TSaveFailure> WriteNow(bool deleteBackup, const std::string& other = {});
    // Runs the round posted by Save unless it was dropped meanwhile.
    void RunPostedRound();

    TTockwellDB& db_;
    TReminderManager& manager_;
    std::string fileName_;
    std::string redirect_;
    bool xmlMode_ = true;
    bool roundOpen_ = false;
    bool unwritten_ = false;                    // HasUnwrittenChange
    std::optional<TSaveFailure> postedFailure_; // what the posted round reports, while posted
    std::unique_ptr<QObject> roundContext_;     // receives the posted round; its end drops it
};

// Where a data file dialog for current starts: current's folder, else the nearest folder
// above it that exists, else the documents folder (for a relative name); with current's
// name part.
std::string DataFileDialogStart(const std::string& current);
// The save dialog for data files, starting at DataFileDialogStart(current); "" when cancelled.
std::string AskDataFileName(const std::string& current);
