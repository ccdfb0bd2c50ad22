#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/frmoptdatafile.h"
#include "app/frmoptinterface.h"
#include "app/frmsmtpsettings.h"
#include "app/frmtockwelloptions.h"
#include "core/mailer.h"
#include "core/registrymanager.h"
#include "core/tockwelloptions.h"
#include "dialogtestutil.h"
#include "fakemessageboxes.h"
#include "fakesmtpserver.h"
#include "platform/gui/hotkeyedit.h"
#include "smtptestserver.h"
#include "testutil.h"

namespace {

// The main window as the pages see it.
class FakeHost : public IOptionsHost {
public:
    FakeHost() { SetOptionsHost(this); }
    ~FakeHost() override { SetOptionsHost(nullptr); }
    TTockwellOptions& Options() override { return options; }
    void ApplyOptionsAndSave() override { ++applied; }
    std::string CurrentDataFileName() override { return fileName; }
    std::string AskOpenDataFileName() override { return answer; }
    std::string AskSaveDataFileName() override { return answer; }
    bool SwitchDataFile(const std::string& name) override {
        if (!openWorks)
            return false;
        fileName = name;
        return true;
    }
    bool SaveDataFileTo(const std::string& name) override {
        fileName = name;
        return true;
    }
    TTockwellOptions options;
    int applied = 0;
    std::string fileName = "/data/TockwellDB.tock";
    std::string answer;
    bool openWorks = true;
};

struct Options {
    TempRegistry registry;
    FakeHost host;
    FakeMessageBoxesGuard boxes;
    TTockwellOptionsWnd wnd;
    Options() {
        wnd.show();
        wnd.activateWindow();
    }
    template <class T> T* Page(const std::string& name) {
        return dynamic_cast<T*>(wnd.SheetOf(wnd.NodeOf(name)));
    }
};

// Registers for the test's lifetime.
struct TestSheets {
    std::vector<std::string> names;
    std::string Add(const std::string& parent, const std::string& name, TSheetFactory f = {}) {
        if (!f)
            f = [](TTockwellOptionsWnd* o, QWidget* p) { return new TOptionsSheetBase(o, p); };
        names.push_back(RegisterOptionsSheet(parent, name, f));
        return names.back();
    }
    ~TestSheets() {
        for (auto& n : names)
            UnregisterOptionsSheet(n);
    }
};

} // namespace

TEST(OptionsRegistry, NamesParentsAndRemoval) {
    // The program's three pages are registered at start-up under their group.
    int group = FindOptionsSheet("General Application Options");
    ASSERT_GE(group, 0);
    EXPECT_TRUE(OptionsSheets()[group].IsGroup());
    for (const char* page : {"Behaviour", "E-mail Account", "Data File"}) {
        int i = FindOptionsSheet(page);
        ASSERT_GE(i, 0) << page;
        EXPECT_EQ(OptionsSheets()[i].ParentIndex, group);
        EXPECT_FALSE(OptionsSheets()[i].IsGroup());
    }

    const size_t before = OptionsSheets().size();
    {
        TestSheets t;
        // A second page of a taken name gets a numbered one; names compare trimmed and
        // without regard to case.
        EXPECT_EQ(t.Add("Test group", "Behaviour"), "Behaviour-1");
        EXPECT_EQ(t.Add("Test group", " BEHAVIOUR "), " BEHAVIOUR -1");
        EXPECT_EQ(t.Add("Test group", "BEHAVIOUR"), "BEHAVIOUR-2");
        int testGroup = FindOptionsSheet("test GROUP");
        ASSERT_GE(testGroup, 0);
        EXPECT_TRUE(OptionsSheets()[testGroup].IsGroup()); // made for the missing parent
        EXPECT_EQ(OptionsSheets()[FindOptionsSheet("Behaviour-1")].ParentIndex, testGroup);
        // A group takes a page registered under its name.
        EXPECT_EQ(t.Add("", "Test group"), "Test group");
        EXPECT_FALSE(OptionsSheets()[testGroup].IsGroup());
        EXPECT_EQ(OptionsSheets().size(), before + 4);

        // Removing an entry keeps the others' parents right.
        t.Add("Test group", "Test page");
        UnregisterOptionsSheet("Behaviour-1");
        t.names.erase(t.names.begin());
        int page = FindOptionsSheet("Test page");
        EXPECT_EQ(OptionsSheets()[page].ParentIndex, FindOptionsSheet("Test group"));
        UnregisterOptionsSheet("no such sheet");
    }
    EXPECT_EQ(OptionsSheets().size(), before);
}

TEST(OptionsDialog, TreeFromTheRegistryAndPagesOnFirstSelection) {
    TestSheets t;
    t.Add("Test parent", "Test child");
    Options o;
    EXPECT_EQ(o.wnd.windowTitle(), "Options");
    QTreeWidget* tree = o.wnd.tvOptions;
    ASSERT_GE(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* general = tree->topLevelItem(0);
    EXPECT_EQ(general->text(0), "General Application Options");
    ASSERT_EQ(general->childCount(), 3);
    EXPECT_EQ(general->child(0)->text(0), "Behaviour");
    EXPECT_EQ(general->child(1)->text(0), "E-mail Account");
    EXPECT_EQ(general->child(2)->text(0), "Data File");
    EXPECT_TRUE(general->isExpanded());
    EXPECT_EQ(o.wnd.NodeOf("Test child")->parent()->text(0), "Test parent");

    // An empty or unknown name opens at the first page, not at the group.
    EXPECT_FALSE(o.wnd.SelectSheet(""));
    auto* behaviour = dynamic_cast<TfrmOptionsInterface*>(o.wnd.CurrentSheet());
    ASSERT_NE(behaviour, nullptr);
    EXPECT_TRUE(behaviour->isVisible());
    EXPECT_EQ(o.wnd.pnlOptionsSheet->findChildren<TOptionsSheetBase*>().size(), 1);

    EXPECT_TRUE(o.wnd.SelectSheet("E-mail Account"));
    EXPECT_NE(dynamic_cast<TOptSMTPsettings*>(o.wnd.CurrentSheet()), nullptr);
    EXPECT_FALSE(behaviour->isVisible());
    EXPECT_EQ(o.wnd.pnlOptionsSheet->findChildren<TOptionsSheetBase*>().size(), 2);
    o.wnd.SelectSheet("Behaviour");
    EXPECT_EQ(o.wnd.CurrentSheet(), behaviour); // made once

    // A group shows the base page with its hint.
    tree->setCurrentItem(general);
    TOptionsSheetBase* base = o.wnd.CurrentSheet();
    EXPECT_EQ(typeid(*base), typeid(TOptionsSheetBase));
    EXPECT_TRUE(base->lbSheetBaseLabel->isVisible());
    EXPECT_EQ(base->lbSheetBaseLabel->text(), "Please select a subentry for options");
}

TEST(OptionsDialog, ApplyFollowsChangesAndShowReportsThem) {
    Options o;
    o.wnd.SelectSheet("");
    EXPECT_FALSE(o.wnd.btnApply->isEnabled());
    auto* page = o.Page<TfrmOptionsInterface>("Behaviour");
    page->cbRunMinimized->click();
    EXPECT_TRUE(o.wnd.Modified());
    EXPECT_TRUE(o.wnd.btnApply->isEnabled());
    o.wnd.btnApply->click();
    EXPECT_FALSE(o.wnd.btnApply->isEnabled());
    EXPECT_TRUE(o.host.options.RunMinimized);
    EXPECT_EQ(o.host.applied, 1);
    EXPECT_TRUE(o.wnd.Changed());
    // Nothing changed since: OK saves nothing again.
    o.wnd.btnOK->click();
    EXPECT_EQ(o.host.applied, 1);
    EXPECT_EQ(o.wnd.result(), QDialog::Accepted);

    // A change that is cancelled still counts as a change.
    OnModal<TTockwellOptionsWnd>([](TTockwellOptionsWnd& w) {
        EXPECT_EQ(w.tvOptions->currentItem()->text(0), "Data File");
        w.SelectSheet("Behaviour");
        dynamic_cast<TfrmOptionsInterface*>(w.CurrentSheet())->cbCloseAfterCreateReminder->click();
        w.btnCancel->click();
    });
    EXPECT_TRUE(ShowOptions("Data File"));
    EXPECT_TRUE(o.host.options.CloseAfterCreateNewReminder);
    EXPECT_EQ(o.host.applied, 1);
    OnModal<TTockwellOptionsWnd>([](TTockwellOptionsWnd& w) { w.btnOK->click(); });
    EXPECT_FALSE(ShowOptions(""));
}

TEST(OptionsDialog, DataFilePageSwitchesFilesAndTheDialogToCloseMode) {
    {
        // Outside the dialog: the current file, and no close mode to go to.
        FakeHost host;
        host.answer = "/data/other.tock";
        TfrmOptionsDataFile alone(nullptr, nullptr);
        EXPECT_EQ(alone.edDataFilePath->text(), "/data/TockwellDB.tock");
        alone.btnOpen->click();
        EXPECT_EQ(alone.edDataFilePath->text(), "/data/other.tock");
    }
    Options o;
    o.wnd.SelectSheet("Data File");
    auto* page = o.Page<TfrmOptionsDataFile>("Data File");
    EXPECT_EQ(page->edDataFilePath->text(), "/data/TockwellDB.tock");
    page->btnOpen->click(); // cancelled: nothing happens
    EXPECT_EQ(o.wnd.btnOK->text(), "OK");

    o.host.answer = "/data/other.tock";
    page->btnOpen->click();
    EXPECT_EQ(page->edDataFilePath->text(), "/data/other.tock");
    EXPECT_EQ(o.wnd.btnOK->text(), "Close");
    EXPECT_FALSE(o.wnd.btnCancel->isEnabled());
    EXPECT_FALSE(o.wnd.btnApply->isEnabled());

    o.host.openWorks = false;
    o.host.answer = "/data/broken.tock";
    page->btnOpen->click();
    EXPECT_EQ(page->edDataFilePath->text(), "/data/other.tock"); // still the data file
    o.host.answer = "/data/copy.tock";
    page->btnSaveAs->click();
    EXPECT_EQ(o.host.fileName, "/data/copy.tock");
    EXPECT_EQ(page->edDataFilePath->text(), "/data/copy.tock");
}

TEST(BehaviourPage, LoadsAndSavesOptionsWithTheHotKeyBits) {
    TTockwellOptions options;
    options.RunMinimized = true;
    options.ShowNextAlertInCaption = false;
    options.AppHotKey = 0x74; // F5
    options.AppHotKeyShifts = 1 | 4;
    TfrmOptionsInterface page(nullptr, nullptr, &options);
    EXPECT_TRUE(page.cbRunMinimized->isChecked());
    EXPECT_TRUE(page.cbAltKey->isChecked());
    EXPECT_TRUE(page.cbShiftKey->isChecked());
    EXPECT_FALSE(page.cbCtrlKey->isChecked());
    EXPECT_FALSE(page.cbWinKey->isChecked());
    EXPECT_EQ(page.hcHotKey->HotKey(), 0x74);
    EXPECT_EQ(page.hcHotKey->text(), "F5");
    EXPECT_FALSE(page.cbBlinkInCaption->isEnabled());
    EXPECT_FALSE(page.Modified());

    // Without changes Save leaves the options alone.
    options.RunMinimized = false;
    page.Save();
    EXPECT_FALSE(options.RunMinimized);

    page.cbHotKeyActive->click();
    EXPECT_FALSE(page.gbShortCut->isEnabled());
    EXPECT_FALSE(page.hcHotKey->isEnabled());
    EXPECT_FALSE(page.cbWinKey->isEnabled());
    page.cbHotKeyActive->click();
    EXPECT_TRUE(page.cbWinKey->isEnabled());
    page.cbShowNextAlertInCaption->click();
    EXPECT_TRUE(page.cbBlinkInCaption->isEnabled());
    EXPECT_TRUE(page.Modified());

    page.cbAltKey->setChecked(false);
    page.cbShiftKey->setChecked(false);
    page.cbCtrlKey->setChecked(true);
    page.Save();
    EXPECT_EQ(options.AppHotKeyShifts, 2);
    page.cbAltKey->setChecked(true);
    page.cbCtrlKey->setChecked(false);
    page.cbWinKey->setChecked(true);
    page.show();
    page.hcHotKey->setFocus();
    QTest::keyClick(page.hcHotKey, Qt::Key_Q, Qt::ControlModifier); // the modifier is not taken
    page.Save();
    EXPECT_EQ(options.AppHotKeyShifts, 1 | 8);
    EXPECT_EQ(options.AppHotKey, 'Q');
    EXPECT_TRUE(options.ShowNextAlertInCaption);
    EXPECT_TRUE(options.RunMinimized);
    EXPECT_FALSE(page.Modified());
}

TEST(HotKeyEdit, TakesOneKeyInTheVirtualKeyCoding) {
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Down), 40);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_F2), 0x71);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_7), '7');
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_7, Qt::KeypadModifier), 0x67);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Slash), 0xBF);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Shift), 0);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Asterisk), 0); // * and + only from the keypad
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Plus, Qt::KeypadModifier), 0x6B);
    EXPECT_EQ(VirtualKeyName(40), "Down");
    EXPECT_EQ(VirtualKeyName(0x67), "Num 7");
    EXPECT_EQ(VirtualKeyName(0x6A), "Num *");
    EXPECT_EQ(VirtualKeyName(0), "");

    THotKeyEdit edit;
    int changes = 0;
    edit.OnChange = [&](THotKeyEdit&) { ++changes; };
    edit.SetHotKey(40);
    EXPECT_EQ(changes, 0);
    QTest::keyClick(&edit, Qt::Key_Shift);
    QTest::keyClick(&edit, Qt::Key_Tab);
    EXPECT_EQ(edit.HotKey(), 40);
    QTest::keyClick(&edit, Qt::Key_F11, Qt::AltModifier);
    EXPECT_EQ(edit.HotKey(), 0x7A);
    EXPECT_EQ(edit.text(), "F11");
    EXPECT_EQ(changes, 1);
}

TEST(EmailPage, LoadsAndSavesTheAccountWithAuthentication) {
    TempRegistry registry;
    {
        TMailer setup(SMTPSettingsKey);
        setup.SMTP.Host = "smtp.example.org";
        setup.SMTP.Port = 587;
        setup.SMTP.Username = "ann";
        setup.SMTP.Password = "pw";
        setup.Message.From = {"Ann", "ann@example.org"};
        setup.Message.CharSet = "utf-8";
        setup.SaveSettings();
        TRegistryManager(SMTPSettingsKey).WriteIntegerValue("Authentication", satNone);
    }
    TOptSMTPsettings page(nullptr, nullptr);
    EXPECT_EQ(page.EdHost->text(), "smtp.example.org");
    EXPECT_EQ(page.edPort->text(), "587");
    EXPECT_EQ(page.edUserName->text(), "ann");
    EXPECT_EQ(page.edPassword->text(), "pw");
    EXPECT_EQ(page.edPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(page.edNameFrom->text(), "Ann");
    EXPECT_EQ(page.edEMailFrom->text(), "ann@example.org");
    EXPECT_EQ(page.cbEncoding->currentText(), "utf-8");
    EXPECT_FALSE(page.cbAuthentication->isChecked());
    EXPECT_FALSE(page.Modified());

    page.cbAuthentication->click();
    EXPECT_TRUE(page.Modified());
    page.edPort->setText(" 2525 ");
    page.cbEncoding->setEditText(" koi8-r ");
    page.Save();
    TMailer saved(SMTPSettingsKey, true);
    EXPECT_EQ(saved.SMTP.Port, 2525);
    EXPECT_EQ(saved.SMTP.AuthType, satDefault);
    EXPECT_EQ(saved.Message.CharSet, "koi8-r");
    EXPECT_EQ(saved.SMTP.Password, "pw");
    TOptSMTPsettings again(nullptr, nullptr);
    EXPECT_TRUE(again.cbAuthentication->isChecked());

    // A port that is not a number from 1 to 65535 is refused and nothing is written.
    for (const char* bad : {"abc", "0", "65536", "25x", ""}) {
        page.edPort->setText(bad);
        try {
            page.Save();
            ADD_FAILURE() << bad;
        } catch (const EOptionsField& e) {
            EXPECT_EQ(e.Message, "The port must be a number from 1 to 65535.");
            EXPECT_EQ(e.Field, page.edPort);
        }
    }
    EXPECT_EQ(TMailer(SMTPSettingsKey, true).SMTP.Port, 2525);
}

TEST(OptionsDialog, SizedForItsWidestPageAtCreation) {
    Options o;
    o.wnd.SelectSheet("Behaviour");
    QApplication::processEvents();
    const QSize first = o.wnd.size();
    for (const char* page : {"E-mail Account", "Data File", "Behaviour"}) {
        o.wnd.SelectSheet(page);
        QApplication::processEvents();
        EXPECT_EQ(o.wnd.size(), first) << page;
    }
}

TEST(OptionsDialog, BadPortKeepsTheDialogOpenWithTheFieldFocused) {
    Options o;
    o.wnd.SelectSheet("E-mail Account");
    auto* page = o.Page<TOptSMTPsettings>("E-mail Account");
    o.wnd.SelectSheet("Behaviour");
    page->edPort->setText("twenty-five");
    o.wnd.setResult(0);
    o.wnd.btnOK->click();
    EXPECT_EQ(o.wnd.result(), 0);
    ASSERT_EQ(o.boxes->Errors.size(), 1u);
    EXPECT_EQ(o.boxes->Errors[0], "The port must be a number from 1 to 65535.");
    EXPECT_EQ(o.wnd.CurrentSheet(), page);
    EXPECT_EQ(o.wnd.focusWidget(), page->edPort);
    EXPECT_TRUE(o.wnd.Modified());
    page->edPort->setText("25");
    o.wnd.btnOK->click();
    EXPECT_EQ(o.wnd.result(), QDialog::Accepted);
}

class EmailPageServer : public ::testing::Test {
protected:
    TempRegistry registry_;
    TempDir dir_;
    FakeMessageBoxesGuard boxes_;
};

TEST_F(EmailPageServer, TestMessageReachesARealServer) {
    TTestSmtpServer server(dir_.Path().string());
    if (!server.Running())
        GTEST_SKIP() << "The test SMTP server needs Python's aiosmtpd: " << server.Why();
    TOptSMTPsettings page(nullptr, nullptr);
    page.EdHost->setText("127.0.0.1");
    page.edPort->setText(QString::number(server.Port()));
    page.edNameFrom->setText("Tockwell");
    page.edEMailFrom->setText("me@example.org");
    page.cbAuthentication->setChecked(false);

    // Cancelling the address box sends nothing.
    OnModal<QInputDialog>([](QInputDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Test message");
        EXPECT_EQ(d.labelText(), "Send test email to this address:");
        EXPECT_EQ(d.textValue(), "me@example.org");
        d.reject();
    });
    page.Button1Click();
    EXPECT_EQ(server.Received(), 0);
    EXPECT_EQ(TMailer(SMTPSettingsKey, true).SMTP.Port, server.Port()); // saved first

    OnModal<QInputDialog>([](QInputDialog& d) {
        d.setTextValue("you@example.org");
        d.accept();
    });
    page.Button1Click();
    ASSERT_EQ(server.Received(), 1) << (boxes_->Errors.empty() ? "" : boxes_->Errors[0]);
    EXPECT_EQ(server.Field(1, "subject"), "Tockwell test message");
    EXPECT_EQ(server.Field(1, "body"),
              "This is a test message to verify that your Tockwell SMTP account has been "
              "configured to send Alert e-mails.\n");
    EXPECT_NE(server.Field(1, "to").find("you@example.org"), std::string::npos);
    EXPECT_TRUE(boxes_->Errors.empty());

    // A refused send surfaces in an error box.
    page.edPort->setText("1");
    OnModal<QInputDialog>([](QInputDialog& d) { d.accept(); });
    page.Button1Click();
    ASSERT_EQ(boxes_->Errors.size(), 1u);
    EXPECT_EQ(server.Received(), 1);
}

// A server that holds the session: the dialog runs on while the message is sent, and Cancel
// ends the session at once instead of after the client's 30 s.
TEST_F(EmailPageServer, TestMessageGoesOffTheGuiThreadAndCancelEndsIt) {
    TFakeSmtpServer server(TSmtpMisbehaviour::StallAfterData);
    TOptSMTPsettings page(nullptr, nullptr);
    page.EdHost->setText("127.0.0.1");
    page.edPort->setText(QString::number(server.Port()));
    page.edEMailFrom->setText("me@example.org");
    page.cbAuthentication->setChecked(false);
    OnModal<QInputDialog>([](QInputDialog& d) { d.accept(); });
    bool waited = false;
    OnModal<QProgressDialog>([&](QProgressDialog& d) {
        EXPECT_EQ(d.labelText(), "Sending the test message to me@example.org...");
        waited = WaitUntil([&] { return server.Messages() == 1; }, 10000);
        d.cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    page.Button1Click();
    EXPECT_TRUE(waited);
    EXPECT_TRUE(WaitUntil([&] { return server.ClosedByClient() == 1; }, 5000));
    EXPECT_LT(SecondsSince(start), 15.0);
    QTest::qWait(300); // the cancelled session's outcome comes back and is dropped
    EXPECT_TRUE(boxes_->Errors.empty());
}
