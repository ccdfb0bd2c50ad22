#include "core/tockwelloptions.h"

#include "core/fixedformats.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "platform/formatsettings.h"
#include "platform/sysutils.h"

TTockwellOptions::TTockwellOptions() : FirstDayOfWeek(LocaleSettings().FirstDayOfWeek + 1) {}

void TTockwellOptions::LoadRunMinimized() {
    RunMinimized = ReadRegistryBool(TockwellSettingsKey, "RunMinimized", false);
}

void TTockwellOptions::SaveRunMinimized() const {
    WriteRegistryBool(TockwellSettingsKey, "RunMinimized", RunMinimized);
}

bool TTockwellOptions::TrySaveRunMinimized() const noexcept {
    try {
        SaveRunMinimized();
        return true;
    } catch (...) {
        return false;
    }
}

void TTockwellOptions::SaveToXML(IXMLNode node) const {
    if (!HotKeyActive)
        node.AddChild("HotKeyActive").SetText("0");
    node.AddChild("AppHotKey").SetText(IntToStr(AppHotKey));
    node.AddChild("AppHotKeyShifts").SetText(IntToStr(AppHotKeyShifts));
    if (!ShowNextAlertInCaption)
        node.AddChild("ShowNextAlertInCaption").SetText("0");
    if (!BlinkAlertInCaption)
        node.AddChild("BlinkAlertInCaption").SetText("0");
    if (!CloseAfterCreateNewReminder)
        node.AddChild("CloseAfterCreateNewReminder").SetText("0");
}

void TTockwellOptions::LoadFromXML(IXMLNode node) {
    auto text = [&](const char* name) {
        IXMLNode child = node.FindChild(name);
        return child ? Trim(child.Text()) : std::string();
    };
    auto readBool = [&](const char* name, bool& field) {
        const std::string t = text(name);
        if (!t.empty())
            field = XmlTextToBool(t);
    };
    auto readKey = [&](const char* name, uint16_t& field) {
        const std::string t = text(name);
        if (!t.empty())
            field = static_cast<uint16_t>(StrToInt(t));
    };

    const std::string hotKeyActive = text("HotKeyActive");
    HotKeyActive = hotKeyActive.empty() ? true : XmlTextToBool(hotKeyActive);
    readKey("AppHotKey", AppHotKey);
    readKey("AppHotKeyShifts", AppHotKeyShifts);
    readBool("ShowNextAlertInCaption", ShowNextAlertInCaption);
    readBool("BlinkAlertInCaption", BlinkAlertInCaption);
    readBool("CloseAfterCreateNewReminder", CloseAfterCreateNewReminder);
}
