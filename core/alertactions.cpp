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

void WriteEnabled(TStream& stream, bool enabled) {
    stream.WriteValue<uint8_t>(enabled ? 1 : 0);
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
        ShowAlertError(e.what());
    } catch (...) {
        ShowAlertError("Unknown error in an alert action.");
    }
}

// ---- TAlertAction -------------------------------------------------------------------------

void TAlertAction::Execute(const IReminderAwareItemPtr&) {}

void TAlertAction::SaveToStream(TStream& stream) const {
    WriteEnabled(stream, Enabled);
}

void TAlertAction::LoadFromStream(TStream& stream) {
    Enabled = stream.ReadValue<uint8_t>() != 0;
}

IXMLNode TAlertAction::SaveToXML(IXMLNode parent) const {
    if (!Enabled)
        return {};
    IXMLNode node = parent.AddChild("Alert");
    node.SetAttribute("AlertType", IntToStr(ActionKind()));
    return node;
}

void TAlertAction::LoadFromXML(IXMLNode) {
    Enabled = true;
}

void TAlertAction::Assign(const TAlertAction& source) {
    Enabled = source.Enabled;
}

// ---- Kinds --------------------------------------------------------------------------------

void TAlertActActivateReminderWnd::Execute(const IReminderAwareItemPtr& item) {
    TAlertAction::Execute(item);
    if (!Enabled)
        return;
    if (auto window = RemindersWindow()) {
        window->ShowAndActivate();
        window->AddOrUpdateReminder(item, true, true);
    }
}

void TAlertActShowAlertWnd::Execute(const IReminderAwareItemPtr& item) {
    TAlertAction::Execute(item);
    if (!Enabled)
        return;
    if (auto queue = DesktopAlertQueue())
        queue->AddMessage(item->GetCaption(), item, ReminderWindowOpen);
}

void TAlertActSendEmail::Execute(const IReminderAwareItemPtr& item) {
    TAlertAction::Execute(item);
    if (Enabled)
        SendAlertMail(SMTPSettingsKey, Emails, item->GetCaption(), item->GetNotes());
}

void TAlertActSendEmail::SaveToStream(TStream& stream) const {
    TAlertAction::SaveToStream(stream);
    WriteStreamString(stream, Emails);
}

void TAlertActSendEmail::LoadFromStream(TStream& stream) {
    TAlertAction::LoadFromStream(stream);
    Emails = ReadStreamString(stream);
}

IXMLNode TAlertActSendEmail::SaveToXML(IXMLNode parent) const {
    IXMLNode node = TAlertAction::SaveToXML(parent);
    if (node)
        node.SetAttribute("Emails", Emails);
    return node;
}

void TAlertActSendEmail::LoadFromXML(IXMLNode node) {
    TAlertAction::LoadFromXML(node);
    Emails = Trim(node.Attribute("Emails"));
}

void TAlertActSendEmail::Assign(const TAlertAction& source) {
    TAlertAction::Assign(source);
    if (auto* other = dynamic_cast<const TAlertActSendEmail*>(&source))
        Emails = other->Emails;
}

void TAlertActRunApp::Execute(const IReminderAwareItemPtr& item) {
    TAlertAction::Execute(item);
    if (!Enabled)
        return;
    if (!RunAlertProgram(AppPath))
        ShowAlertError(Format("Reminder error in task \"%s\". Can not run application: \"%s\"",
                              item->GetCaption().c_str(), AppPath.c_str()));
}

void TAlertActRunApp::SaveToStream(TStream& stream) const {
    TAlertAction::SaveToStream(stream);
    WriteStreamString(stream, AppPath);
}

void TAlertActRunApp::LoadFromStream(TStream& stream) {
    TAlertAction::LoadFromStream(stream);
    AppPath = ReadStreamString(stream);
}

IXMLNode TAlertActRunApp::SaveToXML(IXMLNode parent) const {
    IXMLNode node = TAlertAction::SaveToXML(parent);
    if (node)
        node.SetAttribute("AppPath", AppPath);
    return node;
}

void TAlertActRunApp::LoadFromXML(IXMLNode node) {
    TAlertAction::LoadFromXML(node);
    AppPath = Trim(node.Attribute("AppPath"));
}

void TAlertActRunApp::Assign(const TAlertAction& source) {
    TAlertAction::Assign(source);
    if (auto* other = dynamic_cast<const TAlertActRunApp*>(&source))
        AppPath = other->AppPath;
}

void TAlertActShowModalDialog::Execute(const IReminderAwareItemPtr& item) {
    TAlertAction::Execute(item);
    if (!Enabled)
        return;
    if (auto dialogs = AlertDialogs())
        dialogs->ShowModalMessage("\"" + item->GetCaption() + "\"");
}

void TAlertActPlaySound::Execute(const IReminderAwareItemPtr& item) {
    TAlertAction::Execute(item);
    if (!Enabled)
        return;
    if (auto window = RemindersWindow())
        window->PlayReminderSound(FullSoundPath());
}

void TAlertActPlaySound::SaveToStream(TStream& stream) const {
    TAlertAction::SaveToStream(stream);
    WriteStreamString(stream, audioFile_);
}

void TAlertActPlaySound::LoadFromStream(TStream& stream) {
    TAlertAction::LoadFromStream(stream);
    audioFile_ = ReadStreamString(stream);
}

IXMLNode TAlertActPlaySound::SaveToXML(IXMLNode parent) const {
    IXMLNode node = TAlertAction::SaveToXML(parent);
    if (node && !audioFile_.empty())
        node.SetAttribute("AudioFile", audioFile_);
    return node;
}

void TAlertActPlaySound::LoadFromXML(IXMLNode node) {
    TAlertAction::LoadFromXML(node);
    audioFile_ = Trim(node.Attribute("AudioFile"));
}

void TAlertActPlaySound::Assign(const TAlertAction& source) {
    TAlertAction::Assign(source);
    if (auto* other = dynamic_cast<const TAlertActPlaySound*>(&source))
        audioFile_ = other->audioFile_;
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
