#include "app/datafilestore.h"

#include <QFileDialog>
#include <QScopedValueRollback>
#include <QString>
#include <exception>

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

void StoreLatestDataFile(const std::string& fileName) {
    WriteRegistryString(TockwellSettingsKey, kLatestDataFile, fileName);
}

} // namespace

TDataFileStore::TDataFileStore(TTockwellDB& db, TReminderManager& manager)
    : OnAskSaveFileName(AskDataFileName), db_(db), manager_(manager) {}

void TDataFileStore::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    redirect_.clear();
}

std::string TDataFileStore::DefaultDataFile() {
    std::string documents = SpecialFolderPath(CSIDL_PERSONAL);
    if (documents.empty())
        return JoinPath(ProgramFolder(), kDefaultName);
    return JoinPath(JoinPath(documents, "Tockwell"), kDefaultName);
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
    redirect_.clear();
    if (fileName_.empty())
        fileName_ = DefaultDataFile();
    bool ok = true;
    NewDataFile();
    if (FileExists(fileName_)) {
        std::exception_ptr error;
        try {
            LoadXML(fileName_);
            xmlMode_ = true;
        } catch (const ExXMLFormatError&) {
            error = std::current_exception();
        } catch (...) {
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
    StoreLatestDataFile(fileName_);
    return ok;
}

void TDataFileStore::TrySave(const std::string& target, bool deleteBackup) {
    const std::string folder = ExtractFileDir(target);
    if (!folder.empty() && !ForceDirectories(folder))
        throw Exception("Error creating folder: " + folder);
    SafeWriteFile(
        target, [this](const std::string& temp) { WriteDataFile(temp); }, TempFileExt,
        BackupFileExt, deleteBackup);
}

bool TDataFileStore::Save(bool deleteBackup) {
    if (saving_)
        return false;
    const QScopedValueRollback guard(saving_, true);
    for (;;) {
        if (fileName_.empty())
            fileName_ = DefaultDataFile();
        const std::string target = redirect_.empty() ? fileName_ : redirect_;
        std::exception_ptr error;
        try {
            TrySave(target, deleteBackup);
            fileName_ = target;
            redirect_.clear();
            StoreLatestDataFile(fileName_);
            return true;
        } catch (...) {
            error = std::current_exception();
        }
        MessageDlg("Error to save data file \"" + target + "\". " + MessageOf(error) +
                       " Press OK and select another data file to save to.",
                   mtError, Buttons(mbOK));
        std::string other = OnAskSaveFileName ? OnAskSaveFileName(target) : std::string();
        if (other.empty())
            return false;
        SetFileName(other);
        deleteBackup = false;
    }
}

bool TDataFileStore::SaveAs(const std::string& fileName) {
    SetFileName(fileName);
    return Save(false);
}

std::string AskDataFileName(const std::string& current) {
    TTopMostsLowered lowered;
    QString name = QFileDialog::getSaveFileName(
        nullptr, QStringLiteral("Save data file as"), QString::fromStdString(current),
        QStringLiteral("Tockwell data files (*.tock);;All files (*)"));
    return name.toStdString();
}
