// The main window's share of the options: the "Options..." command and what the option pages
// ask of the window.
#include <QFileDialog>

#include "app/datafilestore.h"
#include "app/frmmain.h"
#include "core/tockwelldb.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/topmosts.h"

void TfrmMain::OptionsCommand() {
    if (ShowOptions(std::string(), this))
        ApplyOptionsAndSave();
}

TTockwellOptions& TfrmMain::Options() {
    return db_->DBSettings;
}

void TfrmMain::ApplyOptionsAndSave() {
    ApplyOptions(); // registers the hot key again
    SaveDataFile();
}

std::string TfrmMain::CurrentDataFileName() {
    return dataFile_->FileName().empty() ? TDataFileStore::DefaultDataFile()
                                         : dataFile_->FileName();
}

std::string TfrmMain::AskOpenDataFileName() {
    TTopMostsLowered lowered;
    return QFileDialog::getOpenFileName(
               DialogOwner(), QStringLiteral("Open data file"),
               QString::fromStdString(DataFileDialogStart(CurrentDataFileName())),
               QStringLiteral("Tockwell data files (*.tock);;All files (*)"))
        .toStdString();
}

std::string TfrmMain::AskSaveDataFileName() {
    return AskDataFileName(CurrentDataFileName());
}

bool TfrmMain::SwitchDataFile(const std::string& fileName) {
    return OpenOtherDataFile(fileName);
}

bool TfrmMain::SaveDataFileTo(const std::string& fileName) {
    // The round of a failed save may have written to another file instead.
    return SaveDataFileAs(fileName) && dataFile_->FileName() == fileName;
}
