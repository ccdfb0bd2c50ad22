#include "app/datafilestore.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QScopedValueRollback>
#include <QString>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>
#include <utility>

#include "core/alertwindows.h"
#include "core/binarydatafile.h"
#include "core/datafileerrors.h"
#include "core/filehelpers.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "platform/classes.h"
#include "platform/fileutils.h"
#include "platform/gui/application.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/topmosts.h"
#include "platform/shell.h"
#include "platform/xmldom.h"

namespace {

constexpr const char* kLatestDataFile = "LatestDataFile";
constexpr const char* kDefaultName = "TockwellDB.tock";

std::string MessageOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

// text ending in a full stop (unless it ends a sentence already), so that what follows it
// stands apart.
std::string AsSentence(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?')
        text += '.';
    return text;
}

// True when the file's first bytes are those of an XML document: '<' after an optional
// UTF-8 byte order mark and blanks. A binary data file begins with its magic text instead.
bool BeginsAsXML(const std::string& fileName) {
    std::string head;
    try {
        TFileStream file(fileName, fmOpenRead);
        head.resize(256);
        head.resize(static_cast<size_t>(file.Read(head.data(), 256)));
    } catch (const std::exception&) {
        return false;
    }
    size_t i = head.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size() &&
           (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
        ++i;
    return i < head.size() && head[i] == '<';
}

// A line on stderr.
void ReportOnStderr(const std::string& message) {
    std::fprintf(stderr, "Tockwell: %s\n", message.c_str());
}

// Asked at a bad opening-hours element of a place: whether to read on.
bool AskReadOn(const std::string& question) {
    return MessageDlg(question, mtError, mbYesNo) == mrYes;
}

bool ReadOn(const std::string&) {
    return true;
}

// Reads the existing fileName (a folder fails) into db: as XML, and when that fails for any
// reason but a foreign root element, as binary. The error that stands (null when read); xml
// tells which reader read it.
std::exception_ptr ReadDataFile(TTockwellDB& db, const std::string& fileName,
                                const TScheduleReadQuery& query, bool& xml) {
    try {
        LoadXMLDataFile(db, fileName, query);
        xml = true;
        return nullptr;
    } catch (const ExXMLFormatError&) {
        return std::current_exception();
    } catch (...) {
        // A damaged XML file is reported by the XML parser, not as a bad binary file.
        if (BeginsAsXML(fileName))
            return std::current_exception();
    }
    try {
        LoadBinaryDataFile(db, fileName);
        xml = false;
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

} // namespace

void TDataFileStore::StoreLatestDataFile() {
    // The settings store may be unwritable; that costs the setting, not the data file.
    try {
        WriteRegistryString(TockwellSettingsKey, kLatestDataFile, fileName_);
    } catch (...) {
        if (OnSettingsError)
            OnSettingsError(MessageOf(std::current_exception()));
    }
}

TDataFileStore::TDataFileStore(TTockwellDB& db, TReminderManager& manager)
    : OnAskSaveFileName(AskDataFileName), OnSettingsError([](const std::string& message) {
          std::fprintf(stderr, "Tockwell: %s\n", message.c_str());
      }),
      db_(db), manager_(manager), roundContext_(std::make_unique<QObject>()) {}

TDataFileStore::~TDataFileStore() = default;

void TDataFileStore::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    redirect_.clear();
}

std::string TDataFileStore::DefaultDataFile() {
    // The folder itself is made by the first save.
    if (std::string documents = SpecialFolderPath(CSIDL_PERSONAL); !documents.empty()) {
        const std::string folder = JoinPath(documents, "Tockwell");
        if (CanForceDirectories(folder))
            return JoinPath(folder, kDefaultName);
    }
    return JoinPath(ProgramFolder(), kDefaultName);
}

std::string TDataFileStore::UnusedNameBeside(const std::string& fileName) {
    // A folder named with a trailing '/' gets its name beside it too, not inside it.
    std::string name = fileName;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::string ext = ExtractFileExt(name);
    const std::string stem = name.substr(0, name.size() - ext.size());
    for (int n = 2;; ++n) {
        std::string candidate = stem + " (" + std::to_string(n) + ")" + ext;
        if (!FileExists(candidate) && !DirectoryExists(candidate))
            return candidate;
    }
}

void TDataFileStore::NewDataFile() {
    manager_.Clear();
    db_.Clear();
    // The day lists belong to the file too: another file's must not be read into this one.
    db_.ClearHolidaysWorkdays();
    db_.ClearDateColors();
}

void TDataFileStore::SaveBinary(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    db_.SaveToStream(file, "", 1);
    file.Sync();
}

void TDataFileStore::WriteDataFile(const std::string& fileName) {
    db_.RebuildIndexes();
    if (!xmlMode_) {
        SaveBinary(fileName);
        return;
    }
    TXMLDocument doc;
    BuildXMLDataFile(db_, doc);
    doc.SaveToFile(fileName);
}

bool TDataFileStore::Open() {
    // The database that a posted round would save is about to be replaced: the user, who has
    // not seen its box yet, is asked now; the name to open stays.
    const std::string name = fileName_;
    RunPostedRound();
    SetFileName(name);
    return ReadFile(AskReadOn);
}

bool TDataFileStore::SaveUnwrittenBeforeOpening() {
    // The user has not seen the posted round's box yet.
    if (postedFailure_)
        RunPostedRound();
    else if (unwritten_ && !roundOpen_)
        if (std::optional<TSaveFailure> failure = WriteNow(false))
            RunSaveFailureRound(failure->Target, failure->Message);
    return !unwritten_;
}

bool TDataFileStore::OpenOther(const std::string& fileName) {
    // Another file would take the change with the database it replaces.
    if (!SaveUnwrittenBeforeOpening()) {
        if (!ApplicationLeaving())
            MessageDlg("\"" + fileName + "\" was not opened. The data file \"" + fileName_ +
                           "\" stays open because its changes could not be saved.",
                       mtError, Buttons(mbOK));
        return false;
    }
    // Read once on the side first: the database and its file stay when this one fails.
    if (FileExists(fileName) || DirectoryExists(fileName)) {
        TTockwellDB check;
        bool xml = true;
        if (const std::exception_ptr error = ReadDataFile(check, fileName, AskReadOn, xml)) {
            MessageDlg("Error opening data file \"" + fileName + "\" :" + MessageOf(error) +
                           "\n\nThe data file \"" + fileName_ + "\" stays open.",
                       mtError, Buttons(mbOK));
            return false;
        }
    }
    SetFileName(fileName);
    // The user answered the file's questions while it was checked.
    ReadFile(ReadOn);
    return true;
}

bool TDataFileStore::ReadFile(const TScheduleReadQuery& query) {
    // What was left unwritten went with the database replaced; the user was asked about it.
    unwritten_ = false;
    redirect_.clear();
    if (fileName_.empty())
        fileName_ = DefaultDataFile();
    NewDataFile();
    xmlMode_ = true;
    std::exception_ptr error;
    // A folder under the name is no new file: its reader tells why it cannot be read.
    if (FileExists(fileName_) || DirectoryExists(fileName_))
        error = ReadDataFile(db_, fileName_, query, xmlMode_);
    if (error) {
        // What was read stays, but it goes to a new file: the one that failed may be
        // damaged or of a newer version, and it and its backup are all the user has.
        redirect_ = UnusedNameBeside(fileName_);
        // The open may be the start-up's, which the user did not ask for: its box comes in
        // turn with the alert boxes, not over the settings warning or a reminder's box.
        const std::string text =
            "Error opening data file \"" + fileName_ + "\" :" + MessageOf(error) +
            "\n\nThis file is left unchanged. Changes will be saved to \"" + redirect_ + "\".";
        ShowAlertBox([text] { MessageDlg(text, mtError, Buttons(mbOK)); });
    }
    db_.RebuildIndexes();
    StoreLatestDataFile();
    return !error;
}

void TDataFileStore::TrySave(const std::string& target, bool deleteBackup) {
    std::unique_lock<std::timed_mutex> writing;
    if (WriteLock)
        writing = std::unique_lock(*WriteLock);
    const std::string folder = ExtractFileDir(target);
    if (!folder.empty() && !ForceDirectories(folder))
        throw Exception("Error creating folder: " + folder);
    SafeWriteFile(
        target, [this](const std::string& temp) { WriteDataFile(temp); }, TempFileExt,
        BackupFileExt, deleteBackup);
}

std::optional<TDataFileStore::TSaveFailure> TDataFileStore::WriteNow(bool deleteBackup,
                                                                     const std::string& other) {
    if (fileName_.empty())
        fileName_ = DefaultDataFile();
    const std::string target = !other.empty() ? other : redirect_.empty() ? fileName_ : redirect_;
    try {
        TrySave(target, deleteBackup);
    } catch (...) {
        // A failed write elsewhere leaves the current file as it was.
        if (other.empty())
            unwritten_ = true;
        return TSaveFailure{target, MessageOf(std::current_exception())};
    }
    unwritten_ = false;
    fileName_ = target;
    redirect_.clear();
    StoreLatestDataFile();
    return std::nullopt;
}

bool TDataFileStore::Save(bool deleteBackup) {
    if (SaveFailurePending()) {
        unwritten_ = true;
        return false;
    }
    std::optional<TSaveFailure> failure = WriteNow(deleteBackup);
    if (!failure)
        return true;
    postedFailure_ = std::move(failure);
    // The round comes once the alert box open (if any) has closed, ahead of those waiting. The
    // caller may be the due check, so the round never runs inside it: a window that would show
    // it at once, or none, gets it from the event loop.
    const QPointer<QObject> context = roundContext_.get();
    const auto posting = std::make_shared<bool>(true);
    ShowAlertBoxNext([this, context, posting] {
        if (!context)
            return; // the store is gone
        if (*posting)
            QTimer::singleShot(0, context.get(),
                               [this] { CallGuarded([this] { RunPostedRound(); }); });
        else
            RunPostedRound();
    });
    *posting = false;
    return false;
}

void TDataFileStore::RunPostedRound() {
    if (const std::optional<TSaveFailure> posted = std::exchange(postedFailure_, std::nullopt))
        RunSaveFailureRound(posted->Target, posted->Message);
}

bool TDataFileStore::RunSaveFailureRound(const std::string& target, const std::string& error) {
    const QScopedValueRollback open(roundOpen_, true);
    // Reminders go on firing in the loops of the box and the dialog; their boxes follow.
    const TAlertBoxesHeld boxesHeld;
    TSaveFailure failure{target, error};
    for (;;) {
        MessageDlg("Error to save data file \"" + failure.Target + "\". " +
                       AsSentence(failure.Message) +
                       "\n\nPress OK and select another data file to save to.",
                   mtError, Buttons(mbOK));
        if (ApplicationLeaving())
            return false;
        const std::string other =
            OnAskSaveFileName ? OnAskSaveFileName(failure.Target) : std::string();
        if (other.empty())
            return false;
        std::optional<TSaveFailure> next = WriteNow(false, other);
        if (!next)
            return true;
        failure = std::move(*next);
    }
}

bool TDataFileStore::WriteUnwrittenAtExit() {
    if (!unwritten_)
        return true;
    // No round runs any more: what it would report is settled here.
    postedFailure_.reset();
    // No box either: the settings store's failure goes to stderr as well.
    const QScopedValueRollback settingsErrors(
        OnSettingsError, std::function<void(const std::string&)>(ReportOnStderr));
    const std::optional<TSaveFailure> failure = WriteNow(false);
    if (failure)
        ReportOnStderr("Error to save data file \"" + failure->Target +
                       "\" at the end of the program. " + AsSentence(failure->Message));
    return !failure;
}

bool TDataFileStore::SaveAs(const std::string& fileName) {
    if (roundOpen_)
        return false;
    postedFailure_.reset();
    std::optional<TSaveFailure> failure = WriteNow(false, fileName);
    return !failure || RunSaveFailureRound(failure->Target, failure->Message);
}

namespace {

// dir when it is a folder, else the nearest folder above it; "" for a relative name.
std::string NearestFolder(std::string dir) {
    while (!dir.empty() && dir.front() == '/') {
        if (DirectoryExists(dir))
            return dir;
        std::string up = ExtractFileDir(dir);
        if (up == dir)
            break;
        dir = std::move(up);
    }
    return {};
}

} // namespace

std::string DataFileDialogStart(const std::string& current) {
    // A dialog given a folder that is gone opens in the working folder instead.
    std::string folder = NearestFolder(ExtractFileDir(current));
    if (folder.empty())
        folder = NearestFolder(SpecialFolderPath(CSIDL_PERSONAL));
    return JoinPath(folder, ExtractFileName(current));
}

std::string AskDataFileName(const std::string& current) {
    TTopMostsLowered lowered;
    QString name =
        QFileDialog::getSaveFileName(DialogOwner(), QStringLiteral("Save data file as"),
                                     QString::fromStdString(DataFileDialogStart(current)),
                                     QStringLiteral("Tockwell data files (*.tock);;All files (*)"));
    return name.toStdString();
}
