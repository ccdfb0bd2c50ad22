// Reads a reminder record from arbitrary bytes, in its binary form (first byte even) or its
// XML form (first byte odd), and puts the result through what a loaded reminder meets: the
// due check with a window that runs what it is sent, dismissal, snooze, a copy, and both
// forms written and read again. Every failure must be one of the program's exceptions;
// anything else (or a crash, hang, leak or overflow) is a finding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/alertwindows.h"
#include "core/reminderitem.h"
#include "core/tockwellitem.h"

namespace {

// Runs every posted action at once and keeps no rows.
class RunningWindow : public IRemindersWindow {
public:
    void PostAlertAction(const TQueuedAlertAction& action) override { action.Run(); }
    void ShowAndActivate() override {}
    int RowCount() const override { return 0; }
    bool HasReminderRow(const IReminderAwareItemPtr&) const override { return false; }
    void AddOrUpdateReminder(const IReminderAwareItemPtr&, bool, bool) override {}
    bool RemoveReminderRow(const IReminderAwareItemPtr&) override { return false; }
    void RemoveAllRows() override {}
    void DismissIfNotListed(const IReminderAwareItemPtr& item) override {
        item->GetReminder().SetReminderState(rsDismissed);
    }
    void RefreshRows() override {}
    void OpenReminder(const IReminderAwareItemPtr&) override {}
    void PlayReminderSound(const std::string&) override {}
    void StopReminderSound(const std::string&) override {}
    std::string DefaultSoundFile() const override { return "Tockwell.wav"; }
    void SetOnOpenReminder(TReminderItemEvent) override {}
    void SetOnReminderDismissed(TReminderItemEvent) override {}
    void SetOnReminderSnoozed(TReminderItemEvent) override {}
};

void Setup() {
    static bool done = false;
    if (done)
        return;
    done = true;
    SetRemindersWindow(std::make_shared<RunningWindow>());
    SetRunProgramFunc([](const std::string&) { return false; });
    SetSendMailFunc([](const std::string&, const std::string&, const std::string&,
                       const std::string&, TMailDoneEvent done) { done("no mail"); });
    SetClock([] { return 45366.5; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    Setup();
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto item = std::make_shared<TTockwellItem>();
    TReminderItem& r = item->GetReminder();
    try {
        if (data[0] & 1) {
            TXMLDocument doc;
            doc.LoadFromText(std::string(body));
            r.LoadFromXML(doc.DocumentElement());
        } else {
            TMemoryStream stream(body);
            r.LoadFromStream(stream);
        }
    } catch (const Exception&) {
        return 0;
    }
    try {
        r.GetActionsText();
        for (int pass = 0; pass < 4; ++pass)
            r.CheckAlert(item, 45366.5 + pass);
        r.Snooze(1.0 / 144);
        r.Dismiss();
        TReminderItem copy;
        copy.Assign(r, false);
        TMemoryStream out;
        copy.SaveToStream(out);
        out.SetPosition(0);
        TReminderItem again;
        again.LoadFromStream(out);
        TXMLDocument doc;
        r.SaveToXML(doc.CreateRoot("Alerts"));
        TXMLDocument reread;
        reread.LoadFromText(doc.SaveToText());
        TReminderItem fromXml;
        fromXml.LoadFromXML(reread.DocumentElement());
    } catch (const Exception&) {
    }
    return 0;
}
