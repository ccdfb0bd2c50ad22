#include "app/datafilestore.h"

#include <QFileDialog>
#include <QObject>
#include <QScopedValueRollback>
#include <QString>
#include <QTimer>
#include <cstdio>
#include <exception>
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
    const std::string ext = ExtractFileExt(fileName);
    const std::string stem = fileName.substr(0, fileName.size() - ext.size());
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

void TDataFileStore::LoadXML(const std::string& fileName) {
    // A bad opening-hours element of a place asks whether to read on.
    LoadXMLDataFile(db_, fileName, [](const std::string& question) {
        return MessageDlg(question, mtError, mbYesNo) == mrYes;
    });
}

void TDataFileStore::LoadBinary(const std::string& fileName) {
    LoadBinaryDataFile(db_, fileName);
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
    // The database that the posted round would save is about to be replaced: the user, who
    // has not seen its box yet, is asked now; the name to open stays.
    if (postedFailure_) {
        const std::string name = fileName_;
        RunPostedRound();
        SetFileName(name);
    }
    redirect_.clear();
    if (fileName_.empty())
        fileName_ = DefaultDataFile();
    bool ok = true;
    NewDataFile();
    if (FileExists(fileName_)) {
        std::exception_ptr error;
        bool tryBinary = false;
        try {
            LoadXML(fileName_);
            xmlMode_ = true;
        } catch (const ExXMLFormatError&) {
            error = std::current_exception();
        } catch (...) {
            error = std::current_exception();
            // A damaged XML file is reported by the XML parser, not as a bad binary file.
            tryBinary = !BeginsAsXML(fileName_);
        }
        if (tryBinary) {
            error = nullptr;
            try {
                LoadBinary(fileName_);
                xmlMode_ = false;
            } catch (...) {
                error = std::current_exception();
            }
        }
        if (error) {
            // What was read stays, but it goes to a new file: the one that failed may be
            // damaged or of a newer version, and it and its backup are all the user has.
            ok = false;
            xmlMode_ = true;
            redirect_ = UnusedNameBeside(fileName_);
            MessageDlg("Error opening data file \"" + fileName_ + "\" :" + MessageOf(error) +
                           "\n\nThis file is left unchanged. Changes will be saved to \"" +
                           redirect_ + "\".",
                       mtError, Buttons(mbOK));
        }
    } else {
        xmlMode_ = true;
    }
    db_.RebuildIndexes();
    StoreLatestDataFile();
    return ok;
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
        return TSaveFailure{target, MessageOf(std::current_exception())};
    }
    fileName_ = target;
    redirect_.clear();
    StoreLatestDataFile();
    return std::nullopt;
}

bool TDataFileStore::Save(bool deleteBackup) {
    if (SaveFailurePending())
        return false;
    std::optional<TSaveFailure> failure = WriteNow(deleteBackup);
    if (!failure)
        return true;
    // The caller may be the due check: the box must not wait for the user inside it.
    postedFailure_ = std::move(failure);
    QTimer::singleShot(0, roundContext_.get(),
                       [this] { CallGuarded([this] { RunPostedRound(); }); });
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
    QString name = QFileDialog::getSaveFileName(
        nullptr, QStringLiteral("Save data file as"),
        QString::fromStdString(DataFileDialogStart(current)),
        QStringLiteral("Tockwell data files (*.tock);;All files (*)"));
    return name.toStdString();
}
