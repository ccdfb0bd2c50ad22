#include "core/alertactions.h"

#include <utility>

#include "core/mailer.h"
#include "core/reminderitem.h"
#include "core/taggedstream.h"
#include "platform/fileutils.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

namespace {

std::string& ProgramFolderOverride() {
    static std::string folder;
    return folder;
}

// Stored names may come from files written on Windows: both separators count.
size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string FolderPart(const std::string& path) {
    const size_t pos = LastSeparator(path);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string NamePart(const std::string& path) {
    const size_t pos = LastSeparator(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

void ReminderWindowOpen(const IReminderAwareItemPtr& item) {
    if (auto window = RemindersWindow())
        window->OpenReminder(item);
}

} // namespace

// ---- TQueuedAlertAction -------------------------------------------------------------------

void TQueuedAlertAction::Run() const {
    if (!Item || Item->IsRemoved() || !Item->HasReminder())
        return;
    try {
        Item->GetReminder().GetAction(Kind).Execute(Item);
    } catch (const std::exception& e) {
        ShowAlertError(e.what(), Item);
    } catch (...) {
        ShowAlertError("Unknown error in an alert action.", Item);
    }
}

// ---- TAlertAction -------------------------------------------------------------------------

void TAlertAction::SaveToStream(TStream& stream) const {
    stream.WriteValue<uint8_t>(Enabled ? 1 : 0);
    if (const std::string* text = TextField().Value)
        WriteStreamString(stream, *text);
}

void TAlertAction::LoadFromStream(TStream& stream) {
    Enabled = stream.ReadValue<uint8_t>() != 0;
    if (std::string* text = MutableText())
        *text = ReadStreamString(stream);
}

IXMLNode TAlertAction::SaveToXML(IXMLNode parent) const {
    if (!Enabled)
        return {};
    IXMLNode node = parent.AddChild("Alert");
    node.SetAttribute("AlertType", IntToStr(ActionKind()));
    const TTextField text = TextField();
    if (text.Value && (text.WriteEmpty || !text.Value->empty()))
        node.SetAttribute(text.Attribute, *text.Value);
    return node;
}

void TAlertAction::LoadFromXML(IXMLNode node) {
    Enabled = true;
    if (std::string* text = MutableText())
        *text = Trim(node.Attribute(TextField().Attribute));
}

void TAlertAction::Assign(const TAlertAction& source) {
    Enabled = source.Enabled;
    std::string* text = MutableText();
    if (text && source.ActionKind() == ActionKind())
        *text = *source.TextField().Value;
}

// ---- Kinds --------------------------------------------------------------------------------

void TAlertActActivateReminderWnd::Act(const IReminderAwareItemPtr& item) {
    if (auto window = RemindersWindow()) {
        window->ShowAndActivate();
        window->AddOrUpdateReminder(item, true, true);
    }
}

void TAlertActShowAlertWnd::Act(const IReminderAwareItemPtr& item) {
    if (auto queue = DesktopAlertQueue())
        queue->AddMessage(item->GetCaption(), item, ReminderWindowOpen);
}

void TAlertActSendEmail::Act(const IReminderAwareItemPtr& item) {
    SendAlertMail(SMTPSettingsKey, Emails, item->GetCaption(), item->GetNotes(),
                  [item](const std::string& error) {
                      if (!error.empty())
                          ShowAlertError(error, item);
                  });
}

void TAlertActRunApp::Act(const IReminderAwareItemPtr& item) {
    if (!RunAlertProgram(AppPath))
        ShowAlertError(Format("Reminder error in task \"%s\". Can not run application: \"%s\"",
                              item->GetCaption().c_str(), AppPath.c_str()),
                       item);
}

void TAlertActShowModalDialog::Act(const IReminderAwareItemPtr& item) {
    // The box may wait for another; the entry may have been deleted by then. A repetition
    // while the reminder's message box waits or is open adds none.
    ShowAlertBox(
        [item] {
            if (auto dialogs = AlertDialogs(); dialogs && !item->IsRemoved())
                dialogs->ShowModalMessage("\"" + item->GetCaption() + "\"");
        },
        item, "message");
}

void TAlertActPlaySound::Act(const IReminderAwareItemPtr& item) {
    if (auto window = RemindersWindow())
        window->PlayAlertSound(FullSoundPath(), item);
}

std::string TAlertActPlaySound::GetAudioFile() const {
    return audioFile_.empty() ? DefaultSoundFile() : audioFile_;
}

void TAlertActPlaySound::SetAudioFile(const std::string& value) {
    std::string name = ShortenSoundPath(Trim(value));
    if (AnsiSameText(name, DefaultSoundFile()))
        name.clear();
    audioFile_ = std::move(name);
}

std::string TAlertActPlaySound::FullSoundPath() const {
    return ResolveSoundFile(GetAudioFile());
}

std::unique_ptr<TAlertAction> CreateAlertAction(int kind) {
    switch (kind) {
    case akActivateReminderWnd:
        return std::make_unique<TAlertActActivateReminderWnd>();
    case akShowAlertWnd:
        return std::make_unique<TAlertActShowAlertWnd>();
    case akSendEmail:
        return std::make_unique<TAlertActSendEmail>();
    case akRunApp:
        return std::make_unique<TAlertActRunApp>();
    case akShowModalDialog:
        return std::make_unique<TAlertActShowModalDialog>();
    case akPlaySound:
        return std::make_unique<TAlertActPlaySound>();
    case akAnimateInTray:
        return std::make_unique<TAlertActAnimateInTray>();
    default:
        throw Exception("Internal error. New action has not been added");
    }
}

// ---- Sound file names ---------------------------------------------------------------------

std::string AlertProgramFolder() {
    const std::string& folder = ProgramFolderOverride();
    return folder.empty() ? ProgramFolder() : folder;
}

void SetAlertProgramFolder(std::string folder) {
    ProgramFolderOverride() = IncludeTrailingPathDelimiter(folder);
}

std::string DefaultSoundFile() {
    if (auto window = RemindersWindow())
        return window->DefaultSoundFile();
    return DefaultAlertSoundFile;
}

std::string ShortenSoundPath(const std::string& path) {
    const std::string folder = FolderPart(path);
    const std::string program = AlertProgramFolder();
    if (folder.empty() || (!program.empty() && (AnsiSameText(folder, program) ||
                                                AnsiSameText(folder, program + "sound/"))))
        return NamePart(path);
    return path;
}

std::string ResolveSoundFile(const std::string& name) {
    const std::string file = name.empty() ? DefaultSoundFile() : name;
    if (!FolderPart(file).empty() && FileExists(file))
        return file;
    const std::string bare = NamePart(file);
    const std::string program = AlertProgramFolder();
    if (bare.empty() || program.empty())
        return {};
    if (FileExists(program + bare))
        return program + bare;
    if (FileExists(program + "sound/" + bare))
        return program + "sound/" + bare;
    return {};
}
