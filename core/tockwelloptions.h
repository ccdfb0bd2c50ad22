#pragma once
// The display and behaviour options of the main window. Six of them travel in the XML data
// file ("DBSettings"), RunMinimized lives in the settings store, the others keep their
// defaults for the run.

#include <cstdint>
#include <string>

#include "platform/datetime.h"
#include "platform/xmldom.h"

class TTockwellOptions {
public:
    // The defaults below; FirstDayOfWeek from the user's locale.
    TTockwellOptions();

    // Reads / writes the Boolean "RunMinimized" under TockwellSettingsKey (reading never
    // creates the key and gives False when it is missing). Writing raises
    // ERegistryException when the store cannot be written.
    void LoadRunMinimized();
    void SaveRunMinimized() const;
    // SaveRunMinimized for the data file writers: a settings store that cannot be written
    // must not keep the data file from being saved, so its failure only gives false (the
    // stored value stays as it was).
    bool TrySaveRunMinimized() const noexcept;

    // Children of the "DBSettings" element: "HotKeyActive" (only when False, "0"),
    // "AppHotKey", "AppHotKeyShifts" (decimal), "ShowNextAlertInCaption",
    // "BlinkAlertInCaption", "CloseAfterCreateNewReminder" (each only when False, "0").
    void SaveToXML(IXMLNode node) const;
    // A missing "HotKeyActive" turns the hot key on; missing or empty others keep their
    // values. A bad Boolean or integer text raises EConvertError.
    void LoadFromXML(IXMLNode node);

    bool DayHintsEnabled = true;
    std::string TodayLabelFormat = "DDD/mmm d";
    int32_t DayHintLines = 3;
    int32_t FirstDayOfWeek = 1; // 1 = Monday .. 7 = Sunday
    bool CustomColorsEnabled = true;
    int32_t HolidayColor = 255;                              // pure red
    int32_t WorkdayColor = static_cast<int32_t>(0xFF000008); // system window-text colour
    int32_t StoredColor1 = 0x008A8A8A;                       // grey; kept, not used
    int32_t StoredColor2 = static_cast<int32_t>(0xFF000008); // kept, not used
    bool ShowNextAlertInCaption = true;
    bool ShowWindowForNearAlert = true;
    TDateTime CaptionLeadTime = 1.0 / 144; // 10 minutes
    bool CloseAfterCreateNewReminder = true;
    bool BlinkAlertInCaption = true;
    int32_t BlinkEveryNSeconds = 60;
    int32_t BlinkCount = 4;
    int32_t BlinkOnMs = 600;
    int32_t BlinkOffMs = 400;
    bool HotKeyActive = true;
    uint16_t AppHotKey = 40;      // virtual key code of the Down arrow
    uint16_t AppHotKeyShifts = 8; // 1 Alt, 2 Ctrl, 4 Shift, 8 Windows key
    bool RunMinimized = false;
};
