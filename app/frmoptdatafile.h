#pragma once
// TfrmOptionsDataFile: the "Data File" options page: the current data file, with opening
// another one and saving to another one through the main window.

#include "app/optionssheetbase.h"

class QLineEdit;
class QPushButton;

class TfrmOptionsDataFile : public TOptionsSheetBase {
    Q_OBJECT
public:
    TfrmOptionsDataFile(TTockwellOptionsWnd* owner, QWidget* parent);

    // Nothing to write: the file changes at once.
    void Save() override { SetModified(false); }
    // "Open...": asks for a file and switches to it; the edit shows the data file then (the
    // one before when the chosen file could not be read). The options window goes to close
    // mode.
    void btnOpenClick();
    // "Save as...": asks for a file, saves to it and switches to it.
    void btnSaveAsClick();

    QLineEdit* edDataFilePath;
    QPushButton* btnOpen;
    QPushButton* btnSaveAs;
};
