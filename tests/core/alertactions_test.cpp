#include <gtest/gtest.h>

#include <filesystem>

#include "core/alertactions.h"
#include "core/mailer.h"
#include "core/reminderitem.h"
#include "core/tockwelldb.h"
#include "core/tockwellitem.h"
#include "fakealertwindows.h"
#include "testutil.h"

namespace {

TTockwellItemPtr Entry(const std::string& caption, const std::string& notes = {}) {
    auto item = std::make_shared<TTockwellItem>();
    item->Caption = caption;
    item->Notes = notes;
    return item;
}

void Touch(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFileBytes(path, "RIFF");
}

} // namespace

TEST(AlertActions, KindsDescriptionsAndDefaults) {
    for (int kind = 0; kind < AlertKindCount; ++kind) {
        auto action = CreateAlertAction(kind);
        EXPECT_EQ(action->ActionKind(), kind);
        EXPECT_EQ(action->Enabled, kind == akActivateReminderWnd);
    }
    EXPECT_THROW(CreateAlertAction(7), Exception);

    TAlertActSendEmail mail;
    mail.Emails = "a@b.org";
    EXPECT_EQ(mail.GetDescription(), "Send e-mail to: a@b.org");
    TAlertActRunApp app;
    app.AppPath = "xterm";
    EXPECT_EQ(app.GetDescription(), "Run application: xterm");
    EXPECT_EQ(TAlertActAnimateInTray().GetDescription(), "Animate in tray");
}

TEST(AlertActions, StreamFormWritesTextFieldsEvenWhenDisabled) {
    TAlertActSendEmail mail;
    mail.Emails = "x@y.z";
    TMemoryStream stream;
    mail.SaveToStream(stream);
    // Enabled byte 0, then int32 length 5 and the text.
    EXPECT_EQ(stream.AsString(), std::string("\0\5\0\0\0x@y.z", 10));

    stream.SetPosition(0);
    TAlertActSendEmail back;
    back.Enabled = true;
    back.LoadFromStream(stream);
    EXPECT_FALSE(back.Enabled);
    EXPECT_EQ(back.Emails, "x@y.z");

    // A length beyond the end is refused before anything is allocated.
    TMemoryStream bad(std::string("\1\xff\xff\xff\x7f", 5));
    EXPECT_THROW(back.LoadFromStream(bad), EReadError);
}

TEST(AlertActions, XmlFormOnlyForEnabledActions) {
    TXMLDocument doc;
    IXMLNode root = doc.CreateRoot("Alerts");

    TAlertActSendEmail mail;
    mail.Emails = "x@y.z";
    EXPECT_TRUE(mail.SaveToXML(root).IsNull());
    EXPECT_EQ(root.ChildCount(), 0);

    mail.Enabled = true;
    mail.Emails = "";
    IXMLNode node = mail.SaveToXML(root);
    ASSERT_FALSE(node.IsNull());
    EXPECT_EQ(node.NodeName(), "Alert");
    EXPECT_EQ(node.Attribute("AlertType"), "2");
    EXPECT_TRUE(node.HasAttribute("Emails")); // written also when empty

    TAlertActPlaySound sound;
    sound.Enabled = true;
    EXPECT_FALSE(sound.SaveToXML(root).HasAttribute("AudioFile")); // default sound: none
    sound.SetStoredAudioFile("ding.wav");
    EXPECT_EQ(sound.SaveToXML(root).Attribute("AudioFile"), "ding.wav");

    // Loading: the element enables the action, attributes are trimmed, absent gives "".
    IXMLNode app = root.AddChild("Alert");
    app.SetAttribute("AppPath", "  /usr/bin/true --x  ");
    TAlertActRunApp run;
    run.LoadFromXML(app);
    EXPECT_TRUE(run.Enabled);
    EXPECT_EQ(run.AppPath, "/usr/bin/true --x");
    TAlertActSendEmail noMail;
    noMail.Emails = "old";
    noMail.LoadFromXML(app);
    EXPECT_EQ(noMail.Emails, "");
}

TEST(AlertActions, AssignCopiesFieldsOnlyFromTheSameKind) {
    TAlertActRunApp a, b;
    a.Enabled = true;
    a.AppPath = "prog";
    b.Assign(a);
    EXPECT_TRUE(b.Enabled);
    EXPECT_EQ(b.AppPath, "prog");

    TAlertActSendEmail mail;
    mail.Emails = "keep";
    mail.Assign(a);
    EXPECT_TRUE(mail.Enabled);
    EXPECT_EQ(mail.Emails, "keep");
}

TEST(AlertActions, SoundFileNamesAreShortenedAndResolved) {
    TempDir dir;
    const std::string program = dir.Path().string() + "/";
    FakeAlertEnvironment env(program);

    TAlertActPlaySound sound;
    EXPECT_EQ(sound.GetAudioFile(), "Tockwell.wav");
    sound.SetAudioFile("  TOCKWELL.WAV ");
    EXPECT_EQ(sound.StoredAudioFile(), "");
    sound.SetAudioFile(program + "sound/Ding.wav");
    EXPECT_EQ(sound.StoredAudioFile(), "Ding.wav");
    sound.SetAudioFile(program + "chime.wav");
    EXPECT_EQ(sound.StoredAudioFile(), "chime.wav");
    sound.SetAudioFile("/elsewhere/bell.wav");
    EXPECT_EQ(sound.StoredAudioFile(), "/elsewhere/bell.wav");
    // The default sound in the program's folder, named by its full path, is the default.
    sound.SetAudioFile(program + "sound/tockwell.wav");
    EXPECT_EQ(sound.StoredAudioFile(), "");
    // The window's options name the default.
    env.Window->SoundFile = "Other.wav";
    sound.SetAudioFile("other.wav");
    EXPECT_EQ(sound.StoredAudioFile(), "");
    EXPECT_EQ(sound.GetAudioFile(), "Other.wav");

    // Resolving: an existing full path; else beside the program; else its sound folder.
    EXPECT_EQ(ResolveSoundFile("bell.wav"), "");
    Touch(program + "sound/bell.wav");
    EXPECT_EQ(ResolveSoundFile("/gone/bell.wav"), program + "sound/bell.wav");
    Touch(program + "bell.wav");
    EXPECT_EQ(ResolveSoundFile("/gone/bell.wav"), program + "bell.wav");
    const std::string elsewhere = dir.File("own/bell.wav");
    Touch(elsewhere);
    EXPECT_EQ(ResolveSoundFile(elsewhere), elsewhere);
    // A path written on Windows still finds the file by its name.
    EXPECT_EQ(ResolveSoundFile("C:\\Program Files\\Tockwell\\sound\\bell.wav"),
              program + "bell.wav");
    // The empty name is the default sound.
    Touch(program + "sound/Other.wav");
    EXPECT_EQ(ResolveSoundFile(""), program + "sound/Other.wav");
}

TEST(AlertActions, ExecuteActsOnlyWhenEnabled) {
    FakeAlertEnvironment env;
    auto item = Entry("Call \"Bob\"", "about the car");
    TReminderItem& reminder = item->GetReminder();
    for (int kind = 0; kind < AlertKindCount; ++kind)
        reminder.GetAction(kind).Enabled = false;
    for (int kind = 0; kind < AlertKindCount; ++kind)
        reminder.GetAction(kind).Execute(item);
    EXPECT_EQ(env.Window->ShowCount, 0);
    EXPECT_TRUE(env.Window->Rows.empty());
    EXPECT_TRUE(env.Alerts->Messages.empty());
    EXPECT_TRUE(env.Mails.empty());
    EXPECT_TRUE(env.Programs.empty());
    EXPECT_TRUE(env.Dialogs->Modal.empty());
    EXPECT_TRUE(env.Window->Played.empty());

    for (int kind = 0; kind < AlertKindCount; ++kind)
        reminder.GetAction(kind).Enabled = true;
    reminder.Action<TAlertActSendEmail>().Emails = "me@example.org";
    reminder.Action<TAlertActRunApp>().AppPath = "notify-send hi";
    for (int kind = 0; kind < AlertKindCount; ++kind)
        reminder.GetAction(kind).Execute(item);

    EXPECT_EQ(env.Window->ShowCount, 1);
    ASSERT_EQ(env.Window->Rows.size(), 1u);
    EXPECT_EQ(env.Window->Selected, item);
    EXPECT_TRUE(reminder.GetPlacedToReminderWnd());

    ASSERT_EQ(env.Alerts->Messages.size(), 1u);
    EXPECT_EQ(env.Alerts->Messages[0].Text, "Call \"Bob\"");
    EXPECT_EQ(env.Alerts->Messages[0].Item, item);
    IReminderAwareItemPtr opened;
    env.Window->OnOpenReminder = [&](const IReminderAwareItemPtr& i) { opened = i; };
    env.Alerts->Messages[0].Click(item); // clicking the alert opens the reminder
    EXPECT_EQ(opened, item);

    ASSERT_EQ(env.Mails.size(), 1u);
    EXPECT_EQ(env.Mails[0].KeyPath, SMTPSettingsKey);
    EXPECT_EQ(env.Mails[0].Recipients, "me@example.org");
    EXPECT_EQ(env.Mails[0].Subject, "Call \"Bob\"");
    EXPECT_EQ(env.Mails[0].Body, "about the car");

    EXPECT_EQ(env.Programs, std::vector<std::string>{"notify-send hi"});
    EXPECT_EQ(env.Dialogs->Modal, std::vector<std::string>{"\"Call \"Bob\"\""});
    EXPECT_EQ(env.Window->Played, std::vector<std::string>{""}); // no such sound file
    EXPECT_TRUE(env.Dialogs->Errors.empty());
}

TEST(AlertActions, RunAppFailureShowsItsErrorText) {
    FakeAlertEnvironment env;
    env.RunResult = false;
    auto item = Entry("Backup");
    auto& app = item->GetReminder().Action<TAlertActRunApp>();
    app.Enabled = true;
    app.AppPath = "/no/such/program --now";
    app.Execute(item);
    EXPECT_EQ(env.Dialogs->Errors,
              std::vector<std::string>{"Reminder error in task \"Backup\". Can not run "
                                       "application: \"/no/such/program --now\""});
}

TEST(AlertActions, WithoutARemindersWindowBoxesShowAtOnce) {
    FakeAlertEnvironment env;
    SetRemindersWindow(nullptr);
    env.RunResult = false;
    auto item = Entry("Backup");
    TReminderItem& reminder = item->GetReminder();
    reminder.GetAction(akShowModalDialog).Enabled = true;
    reminder.GetAction(akRunApp).Enabled = true;
    reminder.GetAction(akShowModalDialog).Execute(item);
    reminder.GetAction(akRunApp).Execute(item);
    EXPECT_EQ(env.Dialogs->Modal, std::vector<std::string>{"\"Backup\""});
    EXPECT_EQ(env.Dialogs->Errors.size(), 1u);
}

TEST(AlertActions, RunAppStartsRealProgramsThroughTheShellLayer) {
    FakeAlertEnvironment env;
    SetRunProgramFunc(nullptr); // the real runner
    auto item = Entry("Missing");
    auto& app = item->GetReminder().Action<TAlertActRunApp>();
    app.Enabled = true;
    app.AppPath = "/nonexistent/tockwell-test-program";
    app.Execute(item);
    ASSERT_EQ(env.Dialogs->Errors.size(), 1u);
    app.AppPath = "true";
    app.Execute(item);
    EXPECT_EQ(env.Dialogs->Errors.size(), 1u);
}

TEST(AlertActions, QueuedActionsShowFailuresAndSkipRemovedEntries) {
    FakeAlertEnvironment env;
    TTockwellDB db;
    auto item = db.AddNew("Send report", 0);
    TReminderItem& reminder = item->GetReminder();
    reminder.Action<TAlertActSendEmail>().Enabled = true;
    reminder.Action<TAlertActSendEmail>().Emails = "boss@example.org";
    reminder.Action<TAlertActPlaySound>().Enabled = true;
    env.MailError = "Connection refused";
    env.Window->PlayError = "no audio device";

    for (int kind = 0; kind < AlertKindCount; ++kind)
        TQueuedAlertAction{item, TAlertKind(kind)}.Run();
    EXPECT_EQ(env.Dialogs->Errors,
              (std::vector<std::string>{"Connection refused",
                                        "Can not play reminder sound: no audio device"}));
    EXPECT_EQ(env.Window->Rows.size(), 1u); // the actions around them ran

    env.Window->RemoveAllRows();
    item->Delete();
    TQueuedAlertAction{item, akActivateReminderWnd}.Run();
    EXPECT_TRUE(env.Window->Rows.empty());
    TQueuedAlertAction{nullptr, akActivateReminderWnd}.Run(); // nothing, no crash
}

TEST(AlertActions, MailWithoutAnAccountFailsWithTheMailersMessage) {
    TempRegistry registry; // no SMTP settings stored
    FakeAlertEnvironment env;
    SetSendMailFunc(nullptr); // the real mailer
    auto item = Entry("Invoice");
    auto& mail = item->GetReminder().Action<TAlertActSendEmail>();
    mail.Enabled = true;
    mail.Emails = "me@example.org";
    mail.Execute(item); // without an outbox the send ends at once
    TQueuedAlertAction{item, akSendEmail}.Run();
    ASSERT_EQ(env.Dialogs->Errors.size(), 2u);
    EXPECT_EQ(env.Dialogs->Errors[0], "SMTP server is not configured.");
    EXPECT_EQ(env.Dialogs->Errors[1], env.Dialogs->Errors[0]);
}
