#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "app/datafilestore.h"
#include "app/frmoptdatafile.h"
#include "app/frmoptinterface.h"
#include "app/frmtockwelloptions.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "dialogtestutil.h"
#include "mainwindowfixture.h"
#include "platform/fileutils.h"
#include "platform/gui/globalhotkey.h"
#include "platform/gui/hotkeyedit.h"

using MainOptionsTest = MainWindowFixture;

TEST_F(MainOptionsTest, OptionsCommandAppliesTheHotKeyAndSaves) {
    auto form = Open();
    EXPECT_EQ(OptionsHost(), form.get());
    ASSERT_TRUE(form->actOptions->isEnabled());

    OnModal<TTockwellOptionsWnd>([](TTockwellOptionsWnd& w) {
        auto* page = dynamic_cast<TfrmOptionsInterface*>(w.CurrentSheet());
        ASSERT_NE(page, nullptr);
        page->hcHotKey->setFocus();
        QTest::keyClick(page->hcHotKey, Qt::Key_F7);
        page->cbWinKey->setChecked(false);
        page->cbCtrlKey->setChecked(true);
        page->cbAltKey->setChecked(true);
        page->cbCloseAfterCreateReminder->setChecked(false);
        w.btnOK->click();
    });
    form->actOptions->trigger();
    EXPECT_EQ(form->DB().DBSettings.AppHotKey, 0x76);
    EXPECT_EQ(form->DB().DBSettings.AppHotKeyShifts, 1 | 2);
    auto saved = Saved();
    EXPECT_EQ(saved->DBSettings.AppHotKey, 0x76);
    EXPECT_EQ(saved->DBSettings.AppHotKeyShifts, 1 | 2);
    EXPECT_FALSE(saved->DBSettings.CloseAfterCreateNewReminder);
    // On an X server the new key is grabbed at once.
    if (form->HotKey().Available()) {
        EXPECT_TRUE(form->HotKey().Registered(AppHotKeyId));
    }

    // Cancel leaves the options as they are.
    OnModal<TTockwellOptionsWnd>([](TTockwellOptionsWnd& w) {
        dynamic_cast<TfrmOptionsInterface*>(w.CurrentSheet())->cbHotKeyActive->click();
        w.btnCancel->click();
    });
    form->actOptions->trigger();
    EXPECT_TRUE(form->DB().DBSettings.HotKeyActive);

    form.reset();
    EXPECT_EQ(OptionsHost(), nullptr);
}

TEST_F(MainOptionsTest, TheDataFilePagesDialogsStartInTheNearestFolderThatExists) {
    auto form = Open();
    form->DataFile().SetFileName(dir.File("gone/db.tock"));
    TTockwellOptionsWnd options;
    options.show();
    options.SelectSheet("Data File");
    auto* page = dynamic_cast<TfrmOptionsDataFile*>(options.CurrentSheet());
    ASSERT_NE(page, nullptr);
    for (QPushButton* button : {page->btnOpen, page->btnSaveAs}) {
        SCOPED_TRACE(button->text().toStdString());
        QString shown;
        OnModal<QFileDialog>([&](QFileDialog& dialog) {
            shown = dialog.directory().absolutePath();
            dialog.reject();
        });
        button->click();
        EXPECT_EQ(shown.toStdString(), dir.Path().string());
    }
}

TEST_F(MainOptionsTest, AFileOpenedFromTheDataFilePageThatCannotBeReadLeavesTheFileOpenInPlace) {
    SetMessageBoxes(nullptr); // the real error box
    TTockwellDB db;
    db.AddNew("Kept", EncodeDate(2024, 3, 20));
    auto form = Open(&db);
    const std::string bad = dir.File("bad.tock");
    WriteFileBytes(bad, "just some text");
    TTockwellOptionsWnd options;
    options.show();
    options.SelectSheet("Data File");
    auto* page = dynamic_cast<TfrmOptionsDataFile*>(options.CurrentSheet());
    ASSERT_NE(page, nullptr);
    const auto openFromPage = [&](const std::string& fileName) {
        std::string boxText;
        OnModal<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(QString::fromStdString(fileName));
            static_cast<QDialog&>(dialog).accept();
        });
        OnModal<QMessageBox>([&](QMessageBox& box) {
            boxText = box.text().toStdString();
            box.button(QMessageBox::Ok)->click();
        });
        page->btnOpen->click();
        return boxText;
    };
    EXPECT_EQ(openFromPage(bad), "Error opening data file \"" + bad +
                                     "\" :Invalid file format\n\nThe data file \"" + file +
                                     "\" stays open.");
    EXPECT_EQ(page->edDataFilePath->text().toStdString(), file);
    EXPECT_EQ(form->DataFile().FileName(), file);
    EXPECT_TRUE(form->DB().HasRemindersOnDay(EncodeDate(2024, 3, 20)));
    EXPECT_EQ(ReadRegistryString(TockwellSettingsKey, "LatestDataFile", ""), file);
    form->DB().AddNew("Later", 0);
    form->SaveDataFile();
    EXPECT_EQ(Saved()->Count(), 2);
    EXPECT_EQ(ReadFileBytes(bad), "just some text");
    EXPECT_FALSE(FileExists(dir.File("bad (2).tock")));

    // A file that can be read is opened.
    const std::string other = dir.File("other.tock");
    db.AddNew("Other", EncodeDate(2024, 3, 22));
    SaveXMLDataFile(db, other);
    EXPECT_EQ(openFromPage(other), "");
    EXPECT_EQ(page->edDataFilePath->text().toStdString(), other);
    EXPECT_EQ(form->DB().Count(), 2);
    EXPECT_TRUE(form->DB().HasRemindersOnDay(EncodeDate(2024, 3, 22)));
    EXPECT_EQ(ReadRegistryString(TockwellSettingsKey, "LatestDataFile", ""), other);
}

TEST_F(MainOptionsTest, AFileChosenBeforeTheStartUpReadKeepsWhatIsAddedAfterTheSwitch) {
    const std::string other = dir.File("other.tock");
    TTockwellDB db;
    db.AddNew("Other", 0);
    SaveXMLDataFile(db, other);
    TOpenMain form(QStringList{QString::fromStdString(file)});
    form.SystemTimer().stop();
    ASSERT_TRUE(form.DataFileOpenPending());
    EXPECT_TRUE(form.SwitchDataFile(other));
    form.DB().AddNew("Later", 0);
    form.SaveDataFile();
    LoadXMLDataFile(db, other);
    EXPECT_EQ(db.Count(), 2);
}
