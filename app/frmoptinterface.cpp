#include "app/frmoptinterface.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/frmtockwelloptions.h"
#include "core/tockwelloptions.h"
#include "platform/gui/globalhotkey.h"
#include "platform/gui/hotkeyedit.h"

namespace {

const TOptionsSheetRegistrar registrar(
    GeneralOptionsGroup, "Behaviour",
    [](TTockwellOptionsWnd* owner, QWidget* parent) {
        return new TfrmOptionsInterface(owner, parent);
    },
    1);

} // namespace

TfrmOptionsInterface::TfrmOptionsInterface(TTockwellOptionsWnd* owner, QWidget* parent,
                                           TTockwellOptions* options)
    : TOptionsSheetBase(owner, parent), options_(options) {
    setObjectName(QStringLiteral("frmOptionsInterface"));
    lbSheetBaseLabel->hide();
    if (!options_) {
        if (IOptionsHost* host = OptionsHost()) {
            options_ = &host->Options();
        } else {
            ownOptions_ = std::make_unique<TTockwellOptions>();
            options_ = ownOptions_.get();
        }
    }

    auto* l = new QVBoxLayout(this);
    l->addWidget(Section(QStringLiteral("General Options")));
    cbRunMinimized = new QCheckBox(QStringLiteral("Run minimized to tray"), this);
    l->addWidget(cbRunMinimized);

    l->addWidget(Section(QStringLiteral("Hotkey")));
    cbHotKeyActive = new QCheckBox(QStringLiteral("Key shortcut to open Tockwell"), this);
    l->addWidget(cbHotKeyActive);
    gbShortCut = new QGroupBox(this);
    auto* keys = new QGridLayout(gbShortCut);
    hcHotKey = new THotKeyEdit(gbShortCut);
    hcHotKey->setObjectName(QStringLiteral("hcHotKey"));
    hcHotKey->SetHotKey(0x71); // F2
    cbAltKey = new QCheckBox(QStringLiteral("Alt"), gbShortCut);
    cbShiftKey = new QCheckBox(QStringLiteral("Shift"), gbShortCut);
    cbCtrlKey = new QCheckBox(QStringLiteral("Ctrl"), gbShortCut);
    cbWinKey = new QCheckBox(QStringLiteral("Windows"), gbShortCut);
    keys->addWidget(cbCtrlKey, 0, 0);
    keys->addWidget(cbAltKey, 0, 1);
    keys->addWidget(cbShiftKey, 0, 2);
    keys->addWidget(cbWinKey, 0, 3);
    keys->addWidget(hcHotKey, 1, 0, 1, 4);
    l->addWidget(gbShortCut);

    l->addWidget(Section(QStringLiteral("Advanced Options")));
    cbShowNextAlertInCaption = new QCheckBox(
        QStringLiteral("Show next reminder in Tockwell caption 10 minutes in advance"), this);
    cbBlinkInCaption =
        new QCheckBox(QStringLiteral("Next reminder is blinking in Tockwell caption"), this);
    cbBlinkInCaption->setContentsMargins(16, 0, 0, 0);
    cbCloseAfterCreateReminder =
        new QCheckBox(QStringLiteral("Hide after creating new reminder"), this);
    for (QCheckBox* c : {cbShowNextAlertInCaption, cbBlinkInCaption, cbCloseAfterCreateReminder})
        l->addWidget(c);
    l->addStretch(1);

    LoadOptions();
    for (QCheckBox* c : {cbRunMinimized, cbAltKey, cbShiftKey, cbCtrlKey, cbWinKey,
                         cbBlinkInCaption, cbCloseAfterCreateReminder})
        connect(c, &QCheckBox::toggled, this, [this] { Changed(); });
    for (QCheckBox* c : {cbHotKeyActive, cbShowNextAlertInCaption})
        connect(c, &QCheckBox::toggled, this, [this] {
            UpdateEnabling();
            Changed();
        });
    hcHotKey->OnChange = [this](THotKeyEdit&) { Changed(); };
}

TfrmOptionsInterface::~TfrmOptionsInterface() = default;

void TfrmOptionsInterface::LoadOptions() {
    ++Loading;
    const TTockwellOptions& o = *options_;
    cbRunMinimized->setChecked(o.RunMinimized);
    cbHotKeyActive->setChecked(o.HotKeyActive);
    hcHotKey->SetHotKey(o.AppHotKey);
    for (auto [box, bit] : ModifierBoxes())
        box->setChecked(o.AppHotKeyShifts & bit);
    cbShowNextAlertInCaption->setChecked(o.ShowNextAlertInCaption);
    cbBlinkInCaption->setChecked(o.BlinkAlertInCaption);
    cbCloseAfterCreateReminder->setChecked(o.CloseAfterCreateNewReminder);
    UpdateEnabling();
    --Loading;
}

std::array<std::pair<QCheckBox*, uint16_t>, 4> TfrmOptionsInterface::ModifierBoxes() const {
    return {{{cbAltKey, MOD_ALT},
             {cbCtrlKey, MOD_CONTROL},
             {cbShiftKey, MOD_SHIFT},
             {cbWinKey, MOD_WIN}}};
}

void TfrmOptionsInterface::UpdateEnabling() {
    gbShortCut->setEnabled(cbHotKeyActive->isChecked()); // the key and its modifiers with it
    cbBlinkInCaption->setEnabled(cbShowNextAlertInCaption->isChecked());
}

void TfrmOptionsInterface::Save() {
    if (!Modified())
        return;
    TTockwellOptions& o = *options_;
    o.RunMinimized = cbRunMinimized->isChecked();
    o.CloseAfterCreateNewReminder = cbCloseAfterCreateReminder->isChecked();
    o.HotKeyActive = cbHotKeyActive->isChecked();
    o.AppHotKey = hcHotKey->HotKey();
    uint16_t shifts = 0;
    for (auto [box, bit] : ModifierBoxes())
        if (box->isChecked())
            shifts |= bit;
    o.AppHotKeyShifts = shifts;
    o.BlinkAlertInCaption = cbBlinkInCaption->isChecked();
    o.ShowNextAlertInCaption = cbShowNextAlertInCaption->isChecked();
    if (IOptionsHost* host = OptionsHost(); host && options_ == &host->Options())
        host->ApplyOptionsAndSave();
    SetModified(false);
}
