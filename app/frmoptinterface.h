#pragma once
// TfrmOptionsInterface: the "Behaviour" options page: start-up, the global hot key and the
// caption notification. It works on the options of the main window's data file.

#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "app/optionssheetbase.h"

class QCheckBox;
class QGroupBox;
class THotKeyEdit;
class TTockwellOptions;

class TfrmOptionsInterface : public TOptionsSheetBase {
    Q_OBJECT
public:
    // Loads from options, or from the host's options when null (defaults without a host).
    TfrmOptionsInterface(TTockwellOptionsWnd* owner, QWidget* parent,
                         TTockwellOptions* options = nullptr);
    ~TfrmOptionsInterface() override;

    // When modified: writes the options, lets the main window apply them (the hot key is
    // registered again) and save the data file.
    void Save() override;

    QCheckBox* cbRunMinimized;
    QCheckBox* cbHotKeyActive;
    QGroupBox* gbShortCut;
    THotKeyEdit* hcHotKey;
    QCheckBox* cbAltKey;
    QCheckBox* cbShiftKey;
    QCheckBox* cbCtrlKey;
    QCheckBox* cbWinKey;
    QCheckBox* cbShowNextAlertInCaption;
    QCheckBox* cbBlinkInCaption;
    QCheckBox* cbCloseAfterCreateReminder;

private:
    void LoadOptions();
    void UpdateEnabling();
    // The modifier boxes with their bits in the stored shifts (the hot key's MOD_ flags).
    std::array<std::pair<QCheckBox*, uint16_t>, 4> ModifierBoxes() const;

    TTockwellOptions* options_;
    std::unique_ptr<TTockwellOptions> ownOptions_;
};
