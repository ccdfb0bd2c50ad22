#pragma once
// The alert actions: what happens when a reminder comes due. Every reminder owns one action
// of each of the seven kinds (TAlertKind), in kind order; the user enables any of them. Each
// action has a binary form (inside the reminder record, under its version) and an XML element
// "Alert" written only while it is enabled.

#include <memory>
#include <string>
#include <vector>

#include "core/alertwindows.h"
#include "core/reminderaware.h"
#include "platform/classes.h"
#include "platform/xmldom.h"

// The default sound when the reminders window gives none.
inline constexpr const char* DefaultAlertSoundFile = "Tockwell.wav";

class TAlertAction {
public:
    TAlertAction() = default;
    virtual ~TAlertAction() = default;
    TAlertAction(const TAlertAction&) = delete;
    TAlertAction& operator=(const TAlertAction&) = delete;

    virtual TAlertKind ActionKind() const = 0;
    // Acts on item when Enabled (Act); otherwise nothing. Failures raise; the caller
    // (TQueuedAlertAction::Run) shows them.
    void Execute(const IReminderAwareItemPtr& item) {
        if (Enabled)
            Act(item);
    }
    // The display text ("Reminders window", "Send e-mail to: a@b", ...).
    virtual std::string GetDescription() const { return {}; }

    // Enabled as one byte; kinds with a text field then write it as int32 length + bytes.
    // Reading raises EReadError on a short stream or a length beyond its end.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);
    // Only when enabled: appends <Alert AlertType="kind" ...> to parent, with the text field's
    // attribute, and returns it; otherwise writes nothing and returns a null node.
    IXMLNode SaveToXML(IXMLNode parent) const;
    // The element enables the action; a text field takes its trimmed attribute ("" when
    // absent).
    void LoadFromXML(IXMLNode node);
    // Copies Enabled, and the text field from an action of the same kind.
    void Assign(const TAlertAction& source);

    bool Enabled = false;

protected:
    // What the enabled action does (the base: nothing).
    virtual void Act(const IReminderAwareItemPtr& /*item*/) {}

    // The text field of the kinds that have one: the stored text, its XML attribute, and
    // whether an empty text still writes the attribute.
    struct TTextField {
        const std::string* Value = nullptr;
        const char* Attribute = nullptr;
        bool WriteEmpty = true;
    };
    virtual TTextField TextField() const { return {}; }

private:
    // The text field to read into (null for kinds without one).
    std::string* MutableText() { return const_cast<std::string*>(TextField().Value); }
};

// Kind 0, enabled from construction: shows the reminders window and lists the entry there.
class TAlertActActivateReminderWnd : public TAlertAction {
public:
    TAlertActActivateReminderWnd() { Enabled = true; }
    static constexpr TAlertKind Kind = akActivateReminderWnd;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Reminders window"; }

protected:
    void Act(const IReminderAwareItemPtr& item) override;
};

// Kind 1: queues a desktop alert with the caption; clicking it opens the reminder.
class TAlertActShowAlertWnd : public TAlertAction {
public:
    static constexpr TAlertKind Kind = akShowAlertWnd;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Desktop alert"; }

protected:
    void Act(const IReminderAwareItemPtr& item) override;
};

// Kind 2: sends the caption as subject and the notes as body to Emails (SendAlertMail with
// SMTPSettingsKey). The send ends later, off the GUI thread; a failure then shows its message
// in an error box of the entry's (ShowAlertError).
class TAlertActSendEmail : public TAlertAction {
public:
    static constexpr TAlertKind Kind = akSendEmail;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Send e-mail to: " + Emails; }

    std::string Emails;

protected:
    void Act(const IReminderAwareItemPtr& item) override;
    TTextField TextField() const override { return {&Emails, "Emails"}; }
};

// Kind 3: starts AppPath as a command line (RunAlertProgram). When it cannot be started an
// error box of the entry's says "Reminder error in task "<caption>". Can not run application:
// "<AppPath>"" (ShowAlertError).
class TAlertActRunApp : public TAlertAction {
public:
    static constexpr TAlertKind Kind = akRunApp;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Run application: " + AppPath; }

    std::string AppPath;

protected:
    void Act(const IReminderAwareItemPtr& item) override;
    TTextField TextField() const override { return {&AppPath, "AppPath"}; }
};

// Kind 4: a modal message box with the caption in double quotes (ShowAlertBox: it may be
// shown later, after a box already open; none is added while the reminder's message box
// waits).
class TAlertActShowModalDialog : public TAlertAction {
public:
    static constexpr TAlertKind Kind = akShowModalDialog;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Modal dialog"; }

protected:
    void Act(const IReminderAwareItemPtr& item) override;
};

// Kind 5: plays the sound file through the reminders window.
// The stored name is "" (the default sound), a bare file name (looked up beside the program
// and in its "sound" folder) or a full path.
class TAlertActPlaySound : public TAlertAction {
public:
    static constexpr TAlertKind Kind = akPlaySound;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Play sound"; }

    // The stored name, or the default sound when it is empty.
    std::string GetAudioFile() const;
    // Trims and shortens value (ShortenSoundPath); stores "" when the result names the
    // default sound (letter case ignored).
    void SetAudioFile(const std::string& value);
    // The name exactly as stored and written ("" = default sound).
    const std::string& StoredAudioFile() const { return audioFile_; }
    void SetStoredAudioFile(std::string value) { audioFile_ = std::move(value); }
    // The existing file to play: ResolveSoundFile(GetAudioFile()).
    std::string FullSoundPath() const;

protected:
    void Act(const IReminderAwareItemPtr& item) override;
    TTextField TextField() const override { return {&audioFile_, "AudioFile", false}; }

private:
    std::string audioFile_;
};

// Kind 6: marks the reminder for the tray animation; executing it does nothing.
class TAlertActAnimateInTray : public TAlertAction {
public:
    static constexpr TAlertKind Kind = akAnimateInTray;
    TAlertKind ActionKind() const override { return Kind; }
    std::string GetDescription() const override { return "Animate in tray"; }
};

// A new action of the kind; kinds above 6 raise Exception "Internal error. New action has
// not been added".
std::unique_ptr<TAlertAction> CreateAlertAction(int kind);

// The actions of one reminder, owned, index = kind once complete.
class TAlertActionList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // index 0 .. Count() - 1, else std::out_of_range.
    TAlertAction& Items(int index) { return *items_.at(index); }
    const TAlertAction& Items(int index) const { return *items_.at(index); }
    void Add(std::unique_ptr<TAlertAction> action) { items_.push_back(std::move(action)); }

private:
    std::vector<std::unique_ptr<TAlertAction>> items_;
};

// ---- Sound file names -------------------------------------------------------------------
// The folder the sound lookup treats as the program's, with a trailing '/': ProgramFolder()
// unless set (tests set it; "" restores).
std::string AlertProgramFolder();
void SetAlertProgramFolder(std::string folder);
// The default sound: the reminders window's DefaultSoundFile(), or DefaultAlertSoundFile
// without a window.
std::string DefaultSoundFile();
// The bare file name when path has no folder, or lies in the program's folder or its "sound"
// folder (letter case ignored); otherwise path unchanged.
std::string ShortenSoundPath(const std::string& path);
// name itself when it has a folder and exists; else the program's folder plus its bare name,
// else the "sound" folder plus the bare name, whichever exists first; else "". The empty name
// means the default sound.
std::string ResolveSoundFile(const std::string& name);
