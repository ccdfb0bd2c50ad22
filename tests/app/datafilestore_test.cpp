#include <QCoreApplication>
#include <QFileDialog>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/datafilestore.h"
#include "core/binarydatafile.h"
#include "core/filehelpers.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "dialogtestutil.h"
#include "fakealertwindows.h"
#include "fakemessageboxes.h"
#include "platform/fileutils.h"
#include "platform/gui/application.h"
#include "platform/shell.h"
#include "testutil.h"

namespace {

class DataFileStoreTest : public ::testing::Test {
protected:
    std::string Latest() const {
        return ReadRegistryString(TockwellSettingsKey, "LatestDataFile", "<none>");
    }
    int SavedCount(const std::string& fileName) const {
        TTockwellDB db;
        LoadXMLDataFile(db, fileName);
        return db.Count();
    }

    TempRegistry registry;
    TempDir home;
    ScopedEnv homeEnv{"HOME", home.Path().c_str()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", home.File(".config").c_str()};
    FakeAlertEnvironment env;
    FakeMessageBoxesGuard boxes;
    TTockwellDB db;
    TReminderManager manager;
    TDataFileStore store{db, manager};
    std::vector<std::string> asked; // the save dialog's starting names
    std::string answer;             // what the save dialog gives
    const std::string blocker = home.File("blocker");
    // A file inside a plain file ("blocker"): nothing can be saved to it, even by root.
    std::string Unsavable(const std::string& name = "db.tock") {
        WriteFileBytes(blocker, "x");
        return blocker + "/" + name;
    }
    void SetUp() override {
        store.OnAskSaveFileName = [this](const std::string& current) {
            asked.push_back(current);
            return answer;
        };
    }
};

// A folder that can be made unusable for a while, even for root: a plain file takes its place.
class TBlockableFolder {
public:
    explicit TBlockableFolder(std::string path) : path_(std::move(path)) {
        ForceDirectories(path_);
    }
    void Block() {
        RenameFile(path_, path_ + ".away");
        WriteFileBytes(path_, "x");
    }
    void Unblock() {
        DeleteFile(path_);
        RenameFile(path_ + ".away", path_);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

const std::string kTruncatedXML =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tockwell-xml ver=\"1.0\">\n  <Reminders>";

} // namespace

TEST_F(DataFileStoreTest, AnUnusableSettingsStoreCostsOnlyTheSetting) {
    // The settings file is a folder: it can be neither read nor written.
    ForceDirectories(registry.FileName());
    std::vector<std::string> errors;
    store.OnSettingsError = [&](const std::string& message) { errors.push_back(message); };
    const std::string fileName = home.File("db.tock");
    store.SetFileName(fileName);
    EXPECT_TRUE(store.Open());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("\"" + registry.FileName() + "\""), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find(std::strerror(EISDIR)), std::string::npos) << errors[0];

    // Saving works and is not reported as failed.
    db.AddNew("Kept", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(SavedCount(fileName), 1);
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(DataFileStoreTest, ASymbolicLinkedDataFileIsSavedThroughTheLink) {
    const std::string real = home.File("synced/db.tock"), link = home.File("db.tock");
    ForceDirectories(home.File("synced"));
    {
        TTockwellDB first;
        first.AddNew("First", 0);
        SaveXMLDataFile(first, real);
    }
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    store.SetFileName(link);
    EXPECT_TRUE(store.Open());
    db.AddNew("Second", 0);
    EXPECT_TRUE(store.Save());
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(SavedCount(real), 2);
    EXPECT_EQ(SavedCount(real + ".bak"), 1);
    EXPECT_FALSE(FileExists(link + ".bak"));
    EXPECT_EQ(store.FileName(), link);
}

TEST_F(DataFileStoreTest, FirstStartCreatesTheDefaultFileAtTheFirstSaveAndKeepsABackup) {
    const std::string folder = home.File("Documents/Tockwell");
    const std::string fileName = folder + "/TockwellDB.tock";
    EXPECT_EQ(TDataFileStore::DefaultDataFile(), fileName);

    EXPECT_TRUE(store.Open());
    EXPECT_EQ(store.FileName(), fileName);
    EXPECT_TRUE(store.XMLMode());
    EXPECT_FALSE(DirectoryExists(folder)); // nothing until the first change
    EXPECT_EQ(Latest(), fileName);

    db.AddNew("One", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(ReadFileBytes(fileName).rfind("<?xml", 0), 0u);
    EXPECT_EQ(SavedCount(fileName), 1);
    EXPECT_FALSE(FileExists(fileName + ".bak"));

    db.AddNew("Two", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(SavedCount(fileName), 2);
    EXPECT_EQ(SavedCount(fileName + ".bak"), 1); // the previous version
    EXPECT_FALSE(FileExists(fileName + ".~TockwellTmp~"));
    EXPECT_TRUE(boxes->Boxes.empty());

    // Opened again: read as XML.
    TTockwellDB other;
    TReminderManager otherManager;
    TDataFileStore reopened(other, otherManager);
    reopened.SetFileName(fileName);
    EXPECT_TRUE(reopened.Open());
    EXPECT_EQ(other.Count(), 2);
    EXPECT_TRUE(reopened.XMLMode());
}

TEST_F(DataFileStoreTest, WithoutAUsableDocumentsFolderTheDefaultFileIsBesideTheProgram) {
    // A file named "Tockwell" stands where the folder would be made.
    ASSERT_TRUE(ForceDirectories(home.File("Documents")));
    WriteFileBytes(home.File("Documents/Tockwell"), "");
    const std::string beside = ProgramFolder() + "TockwellDB.tock";
    EXPECT_EQ(TDataFileStore::DefaultDataFile(), beside);
    EXPECT_TRUE(store.Open());
    EXPECT_EQ(store.FileName(), beside);
    EXPECT_EQ(Latest(), beside);
}

TEST_F(DataFileStoreTest, ABinaryFileOpensAfterTheXMLReaderAndSavesBackAsBinary) {
    const std::string fileName = home.File("binary.tock");
    {
        TTockwellDB source;
        source.AddNew("Binary one", 0);
        SaveBinaryDataFile(source, fileName);
    }
    store.SetFileName(fileName);
    EXPECT_TRUE(store.Open());
    EXPECT_FALSE(store.XMLMode());
    ASSERT_EQ(db.Count(), 1);
    EXPECT_EQ(db.GetItem(0)->Caption, "Binary one");

    db.AddNew("Binary two", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(ReadFileBytes(fileName).rfind("TockwellDataFile", 0), 0u);
    TTockwellDB reread;
    LoadBinaryDataFile(reread, fileName);
    EXPECT_EQ(reread.Count(), 2);
    EXPECT_TRUE(boxes->Boxes.empty());
}

TEST_F(DataFileStoreTest, AFileThatCannotBeReadIsReportedAndNeverWrittenOver) {
    struct Case {
        std::string content, message;
    };
    const std::vector<Case> cases = {
        // A foreign root: the XML error stands, the binary reader is not tried.
        {"<?xml version=\"1.0\"?><Other/>", "Invalid Tockwell XML format."},
        // Neither XML nor binary.
        {"just some text", "Invalid file format"},
        // Damaged XML: the parser's error with its place, not the binary reader's.
        {kTruncatedXML, "Error in XML file \"" + home.File("data.tock") +
                            "\": Start-end tags mismatch at line 3, column 13 (offset 76)"},
        {"\xEF\xBB\xBF\n  <Tockwell-xml ver=\"1.0\"><Reminders></Tockwell-xml>",
         "Error in XML file \"" + home.File("data.tock") +
             "\": Start-end tags mismatch at line 2, column 40 (offset 43)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        boxes->Boxes.clear();
        const std::string fileName = home.File("data.tock");
        for (const char* name : {"data.tock", "data (2).tock", "data (3).tock"})
            DeleteFile(home.File(name));
        WriteFileBytes(fileName, c.content);
        WriteFileBytes(home.File("data (2).tock"), "someone else's file");

        store.SetFileName(fileName);
        EXPECT_FALSE(store.Open());
        const std::string redirect = home.File("data (3).tock");
        ASSERT_EQ(boxes->Boxes.size(), 1u);
        EXPECT_EQ(boxes->Boxes[0].type, mtError);
        EXPECT_EQ(boxes->Boxes[0].text, "Error opening data file \"" + fileName +
                                            "\" :" + c.message +
                                            "\n\nThis file is left unchanged. Changes will be "
                                            "saved to \"" +
                                            redirect + "\".");
        // The name stays (and is what the next start tries again).
        EXPECT_EQ(store.FileName(), fileName);
        EXPECT_EQ(store.SaveRedirect(), redirect);
        EXPECT_EQ(Latest(), fileName);

        db.AddNew("New", 0);
        EXPECT_TRUE(store.Save());
        EXPECT_EQ(ReadFileBytes(fileName), c.content);
        EXPECT_FALSE(FileExists(fileName + ".bak"));
        EXPECT_EQ(ReadFileBytes(home.File("data (2).tock")), "someone else's file");
        EXPECT_EQ(SavedCount(redirect), 1);
        EXPECT_EQ(store.FileName(), redirect);
        EXPECT_EQ(store.SaveRedirect(), "");
        EXPECT_EQ(Latest(), redirect);
    }
}

TEST_F(DataFileStoreTest, AFailedSaveOffersAnotherFile) {
    // A file where the data file's folder should be: the folder cannot be created.
    const std::string fileName = Unsavable();
    store.SetFileName(fileName);
    db.AddNew("Kept", 0);

    // Cancelled: nothing is saved, the name stays.
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents(); // the box comes from the event loop
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "Error to save data file \"" + fileName +
                                        "\". Error creating folder: " + blocker +
                                        ".\n\nPress OK and select another data file to save to.");
    EXPECT_EQ(asked, std::vector<std::string>{fileName});
    EXPECT_EQ(store.FileName(), fileName);

    // A save asked for while the dialog is open returns at once: the waiting save writes all.
    const std::string other = home.File("elsewhere/other.tock");
    answer = other;
    store.OnAskSaveFileName = [&](const std::string& current) {
        asked.push_back(current);
        EXPECT_FALSE(store.Save());
        return answer;
    };
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(store.FileName(), other);
    EXPECT_EQ(SavedCount(other), 1);
    EXPECT_EQ(Latest(), other);
}

TEST_F(DataFileStoreTest, SaveToAReadOnlyFolder) {
    // root writes into any folder of its own: it gets one where nobody can create files.
    const bool root = ::geteuid() == 0;
    const std::string folder = root ? "/proc/self" : home.File("readonly");
    if (!root) {
        ForceDirectories(folder);
        ::chmod(folder.c_str(), 0555);
    }
    store.SetFileName(folder + "/db.tock");
    answer = home.File("writable.tock");
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents();
    if (!root)
        ::chmod(folder.c_str(), 0755);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text.rfind("Error to save data file \"" + folder + "/db.tock\". ", 0),
              0u);
    EXPECT_FALSE(FileExists(folder + "/db.tock"));
    EXPECT_EQ(store.FileName(), answer);
    EXPECT_TRUE(FileExists(answer));
}

TEST_F(DataFileStoreTest, AFailedSaveAsksOnceFromTheEventLoopAndTheChosenFileGetsEverything) {
    store.SetFileName(Unsavable());
    db.AddNew("First", 0);
    // The caller goes on; later saves add no second box while one waits.
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_TRUE(store.SaveFailurePending());
    db.AddNew("Second", 0);
    EXPECT_FALSE(store.Save());
    answer = home.File("chosen.tock");
    store.OnAskSaveFileName = [&](const std::string&) {
        db.AddNew("Third", 0);
        EXPECT_FALSE(store.Save());
        return answer;
    };
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_FALSE(store.SaveFailurePending());
    EXPECT_EQ(store.FileName(), answer);
    EXPECT_EQ(SavedCount(answer), 3);

    // Save As, which the user asked for, answers inside the call.
    answer = home.File("chosen again.tock");
    EXPECT_TRUE(store.SaveAs(Unsavable("other.tock")));
    EXPECT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(store.FileName(), answer);
    EXPECT_EQ(SavedCount(answer), 4);
}

TEST_F(DataFileStoreTest, AnotherFileOpensWithItsOwnDaysAndColoursOnly) {
    const TDateTime first = EncodeDate(2026, 3, 2), second = EncodeDate(2026, 3, 3);
    const auto write = [&](const std::string& name, TDateTime day, bool binary) {
        TTockwellDB source;
        source.SetHoliday(day);
        source.SetWorkday(day + 7);
        source.SetDateColor(0x0000FF, day);
        const std::string fileName = home.File(name);
        binary ? SaveBinaryDataFile(source, fileName) : SaveXMLDataFile(source, fileName);
        return fileName;
    };
    const std::string xml = write("first.tock", first, false);
    const std::string binary = write("second.tock", second, true);
    for (const std::string& fileName : {xml, binary, xml}) {
        store.SetFileName(fileName);
        ASSERT_TRUE(store.Open());
        const TDateTime day = fileName == xml ? first : second;
        EXPECT_EQ(db.Holidays.Count(), 1);
        EXPECT_TRUE(db.Holidays.HasDate(day)) << fileName;
        EXPECT_EQ(db.Workdays.Count(), 1);
        EXPECT_TRUE(db.Workdays.HasDate(day + 7)) << fileName;
        EXPECT_EQ(db.CustomColors.Count(), 1);
        int32_t color = 0;
        EXPECT_TRUE(db.GetDateColor(color, day)) << fileName;
    }
    // A file that does not exist yet starts without any.
    store.SetFileName(home.File("new.tock"));
    ASSERT_TRUE(store.Open());
    EXPECT_EQ(db.Holidays.Count(), 0);
    EXPECT_EQ(db.Workdays.Count(), 0);
    EXPECT_EQ(db.CustomColors.Count(), 0);
}

TEST_F(DataFileStoreTest, AFailedSaveElsewhereThatIsCancelledLeavesTheStoreAsItWas) {
    std::vector<std::string> answers;
    store.OnAskSaveFileName = [&](const std::string& current) {
        asked.push_back(current);
        std::string next = answers.front();
        answers.erase(answers.begin());
        return next;
    };
    // Save As and then a file chosen in its round fail; cancelled. The unreadable file stays
    // protected: saves still go beside it.
    const std::string bad = home.File("bad.tock");
    WriteFileBytes(bad, "just some text");
    store.SetFileName(bad);
    EXPECT_FALSE(store.Open());
    const std::string redirect = store.SaveRedirect();
    db.AddNew("Kept", 0);
    answers = {"/proc/self/other.tock", ""};
    EXPECT_FALSE(store.SaveAs("/proc/self/db.tock"));
    EXPECT_EQ(boxes->Boxes.size(), 3u);
    EXPECT_EQ(store.FileName(), bad);
    EXPECT_EQ(store.SaveRedirect(), redirect);
    EXPECT_EQ(Latest(), bad);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(SavedCount(redirect), 1);
    EXPECT_EQ(ReadFileBytes(bad), "just some text");

    // An ordinary save's round: the current binary file stays, and so does its format.
    const std::string binary = home.File("folder/binary.tock");
    ForceDirectories(home.File("folder"));
    SaveBinaryDataFile(db, binary);
    store.SetFileName(binary);
    ASSERT_TRUE(store.Open());
    ::rename(home.File("folder").c_str(), home.File("moved").c_str());
    WriteFileBytes(home.File("folder"), "x");
    answers = {"/proc/self/other.tock", ""};
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(boxes->Boxes.size(), 5u);
    EXPECT_EQ(store.FileName(), binary);
    EXPECT_FALSE(store.XMLMode());
    EXPECT_EQ(Latest(), binary);
    DeleteFile(home.File("folder"));
    ::rename(home.File("moved").c_str(), home.File("folder").c_str());
    db.AddNew("Added", 0);
    EXPECT_TRUE(store.Save());
    TTockwellDB reread;
    LoadBinaryDataFile(reread, binary);
    EXPECT_EQ(reread.Count(), 2);
}

TEST_F(DataFileStoreTest, OpeningAnotherFileAsksForThePostedRoundFirst) {
    store.SetFileName(Unsavable());
    db.AddNew("Unsaved", 0);
    EXPECT_FALSE(store.Save());
    answer = home.File("chosen.tock");
    const std::string other = home.File("other.tock");
    store.SetFileName(other);
    EXPECT_TRUE(store.Open());
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(asked, std::vector<std::string>{Unsavable()});
    EXPECT_EQ(SavedCount(answer), 1);
    EXPECT_FALSE(store.SaveFailurePending());
    EXPECT_EQ(store.FileName(), other);
    EXPECT_EQ(db.Count(), 0);
    EXPECT_EQ(Latest(), other);

    // The same for a file the user opens.
    store.SetFileName(Unsavable());
    db.AddNew("Unsaved too", 0);
    EXPECT_FALSE(store.Save());
    EXPECT_TRUE(store.OpenOther(home.File("third.tock")));
    EXPECT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(SavedCount(answer), 1);
    EXPECT_FALSE(store.SaveFailurePending());
    EXPECT_EQ(store.FileName(), home.File("third.tock"));

    // A change whose round was cancelled is written before another file replaces it; when
    // that fails again, the user is asked again.
    const std::string fixable = home.File("fixable");
    WriteFileBytes(fixable, "x");
    for (const bool fixed : {false, true}) {
        SCOPED_TRACE(fixed);
        store.SetFileName(fixable + "/db.tock");
        db.AddNew("Cancelled", 0);
        answer.clear();
        EXPECT_FALSE(store.Save());
        QCoreApplication::sendPostedEvents();
        EXPECT_FALSE(store.SaveFailurePending());
        const size_t shown = boxes->Boxes.size();
        if (fixed)
            unlink(fixable.c_str());
        EXPECT_EQ(store.OpenOther(home.File("fourth.tock")), fixed);
        EXPECT_EQ(boxes->Boxes.size(), shown + (fixed ? 0 : 2));
        if (fixed) {
            EXPECT_EQ(SavedCount(fixable + "/db.tock"), 2);
        }
    }
}

TEST_F(DataFileStoreTest, AnotherFileIsNotOpenedWhileAChangeStaysUnwritten) {
    TBlockableFolder folder(home.File("data"));
    const std::string fileName = folder.File("db.tock"), other = home.File("other.tock");
    SaveXMLDataFile(db, other);
    store.SetFileName(fileName);
    ASSERT_TRUE(store.Open());
    folder.Block();
    db.AddNew("Unwritten", 0);
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents(); // its round, cancelled
    // The round runs again and is cancelled again: the file and its change stay.
    EXPECT_FALSE(store.OpenOther(other));
    EXPECT_EQ(asked.size(), 2u);
    ASSERT_EQ(boxes->Boxes.size(), 3u);
    EXPECT_EQ(boxes->Boxes[2].text, "\"" + other + "\" was not opened. The data file \"" +
                                        fileName +
                                        "\" stays open because its changes could not be saved.");
    EXPECT_EQ(store.FileName(), fileName);
    EXPECT_EQ(db.Count(), 1);
    folder.Unblock();
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_EQ(SavedCount(fileName), 1);
    EXPECT_EQ(SavedCount(other), 0);
}

TEST_F(DataFileStoreTest, TheSaveDialogStartsInTheNearestFolderThatExists) {
    ForceDirectories(home.File("Documents"));
    WriteFileBytes(home.File("Tockwell"), "x"); // the data folder was replaced by a file
    const std::vector<std::pair<std::string, std::string>> cases = {
        {home.File("Tockwell/db.tock"), home.Path()},
        {home.File("gone/deeper/db.tock"), home.Path()},
        {home.File("Documents/db.tock"), home.File("Documents")},
        {"db.tock", home.File("Documents")},
    };
    for (const auto& [current, folder] : cases) {
        SCOPED_TRACE(current);
        QString folderShown, fileShown;
        OnModal<QFileDialog>([&](QFileDialog& dialog) {
            folderShown = dialog.directory().absolutePath();
            fileShown = dialog.selectedFiles().value(0);
            dialog.reject();
        });
        EXPECT_EQ(AskDataFileName(current), "");
        EXPECT_EQ(folderShown.toStdString(), ExcludeTrailingPathDelimiter(folder));
        EXPECT_EQ(fileShown.toStdString(), JoinPath(folder, "db.tock"));
    }
}

TEST_F(DataFileStoreTest, AFolderGivenAsTheDataFileIsReportedAsAFileThatCannotBeRead) {
    const std::string folder = home.File("data.tock"), beside = home.File("data (2).tock");
    ForceDirectories(folder);
    const std::string reason = "Error opening data file \"" + folder + "\" :Cannot open file \"" +
                               folder + "\". Is a directory\n\n";
    // At start-up: saves go beside it.
    store.SetFileName(folder);
    EXPECT_FALSE(store.Open());
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text,
              reason + "This file is left unchanged. Changes will be saved to \"" + beside + "\".");
    db.AddNew("Kept", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(SavedCount(beside), 1);

    // Chosen by the user: the file open stays.
    EXPECT_FALSE(store.OpenOther(folder));
    ASSERT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(boxes->Boxes[1].text, reason + "The data file \"" + beside + "\" stays open.");
    EXPECT_EQ(store.FileName(), beside);
    EXPECT_EQ(db.Count(), 1);
    EXPECT_EQ(Latest(), beside);

    // Named with a trailing "/", as a shell completes a folder: saves go beside it as well.
    store.SetFileName(folder + "/");
    EXPECT_FALSE(store.Open());
    db.AddNew("Kept too", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(SavedCount(home.File("data (3).tock")), 1);
}

TEST_F(DataFileStoreTest, ANamedPipeGivenAsTheDataFileIsRefusedWithoutWaitingOnIt) {
    TNamedPipe pipe(home.File("pipe.tock"));
    const std::string reason = "Error opening data file \"" + pipe.Path() +
                               "\" :Cannot open file \"" + pipe.Path() + "\". Is a named pipe\n\n";
    store.SetFileName(pipe.Path());
    EXPECT_FALSE(store.Open());
    // Chosen by the user: the file open stays.
    const std::string kept = home.File("kept.tock");
    store.SetFileName(kept);
    ASSERT_TRUE(store.Open());
    EXPECT_FALSE(store.OpenOther(pipe.Path()));
    EXPECT_FALSE(pipe.Released());
    ASSERT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(boxes->Boxes[0].text, reason +
                                        "This file is left unchanged. Changes will be saved "
                                        "to \"" +
                                        home.File("pipe (2).tock") + "\".");
    EXPECT_EQ(boxes->Boxes[1].text, reason + "The data file \"" + kept + "\" stays open.");
    EXPECT_EQ(store.FileName(), kept);
}

TEST_F(DataFileStoreTest,
       ASaveElsewhereThatSucceedsEndsThePostedRoundAndKeepsTheChosenFilesBackup) {
    store.SetFileName(Unsavable());
    db.AddNew("First", 0);
    EXPECT_FALSE(store.Save());
    // Save As writes everything: the posted round has nothing left to ask.
    const std::string saved = home.File("saved.tock");
    EXPECT_TRUE(store.SaveAs(saved));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(store.SaveFailurePending());
    EXPECT_EQ(SavedCount(saved), 1);

    // An existing file chosen in a round keeps its content as its backup.
    const std::string existing = home.File("existing.tock");
    WriteFileBytes(existing, "older content");
    store.SetFileName(Unsavable());
    answer = existing;
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(store.FileName(), existing);
    EXPECT_EQ(SavedCount(existing), 1);
    EXPECT_EQ(ReadFileBytes(existing + ".bak"), "older content");
}

TEST_F(DataFileStoreTest, AFileTheUserOpensAsksItsQuestionsOnce) {
    const std::string fileName = home.File("hours.tock");
    {
        TTockwellDB source;
        source.AddNew("Placed", 0);
        SaveXMLDataFile(source, fileName);
    }
    // A place's opening hours with a time that cannot be read.
    std::string xml = ReadFileBytes(fileName);
    const size_t end = xml.rfind("</Alerts>");
    ASSERT_NE(end, std::string::npos);
    xml.insert(end, "<R><Hours><Open Days='MO' StartTime='9h' EndTime='10:00'/></Hours></R>");
    WriteFileBytes(fileName, xml);
    boxes->DefaultAnswer = mrYes; // read on
    EXPECT_TRUE(store.OpenOther(fileName));
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text.rfind("Error reading place Open/Close schedule XML: ", 0), 0u);
    EXPECT_EQ(db.Count(), 1);
}

TEST_F(DataFileStoreTest, AChangeThatNoSaveWroteIsWrittenAtTheEndAndNothingElse) {
    TBlockableFolder folder(home.File("data"));
    const std::string fileName = folder.File("db.tock");
    store.SetFileName(fileName);
    EXPECT_TRUE(store.Open());
    // Nothing unwritten: the end writes nothing (no file, then no backup).
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_FALSE(FileExists(fileName));
    db.AddNew("First", 0);
    EXPECT_TRUE(store.Save());
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_FALSE(FileExists(fileName + ".bak"));

    // A failed save whose round is cancelled, and one refused while the round is open.
    folder.Block();
    db.AddNew("Second", 0);
    EXPECT_FALSE(store.Save());
    store.OnAskSaveFileName = [&](const std::string& current) {
        asked.push_back(current);
        db.AddNew("Third", 0);
        EXPECT_FALSE(store.Save());
        return std::string();
    };
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(store.HasUnwrittenChange());
    folder.Unblock();
    EXPECT_EQ(SavedCount(fileName), 1);
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_EQ(SavedCount(fileName), 3);
    EXPECT_EQ(SavedCount(fileName + ".bak"), 1);
    EXPECT_FALSE(store.HasUnwrittenChange());
    EXPECT_TRUE(store.WriteUnwrittenAtExit()); // once
    EXPECT_EQ(SavedCount(fileName + ".bak"), 1);

    // The end's own failure goes to stderr, with no box; the posted round is dropped.
    folder.Block();
    db.AddNew("Fourth", 0);
    EXPECT_FALSE(store.Save());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(store.WriteUnwrittenAtExit());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    QCoreApplication::sendPostedEvents();
    folder.Unblock();
    EXPECT_NE(errors.find("Error to save data file \"" + fileName + "\""), std::string::npos)
        << errors;
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(SavedCount(fileName), 3);
    EXPECT_TRUE(store.HasUnwrittenChange());

    // A file that could not be read is not written over at the end either.
    const std::string bad = folder.File("bad.tock");
    WriteFileBytes(bad, "just some text");
    store.SetFileName(bad);
    EXPECT_FALSE(store.Open());
    EXPECT_FALSE(store.HasUnwrittenChange());
    folder.Block();
    db.AddNew("Fifth", 0);
    EXPECT_FALSE(store.Save());
    folder.Unblock();
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_EQ(ReadFileBytes(bad), "just some text");
    EXPECT_EQ(SavedCount(folder.File("bad (2).tock")), 1);
}

TEST_F(DataFileStoreTest, ACancelledSaveAsLeavesNothingUnwrittenButAChangeMadeDuringItsRound) {
    const std::string fileName = home.File("db.tock");
    store.SetFileName(fileName);
    ASSERT_TRUE(store.Open());
    for (const char* caption : {"First", "Second"}) {
        db.AddNew(caption, 0);
        ASSERT_TRUE(store.Save());
    }
    // Cancelled: the current file stays as it was, and the end writes nothing (its backup
    // stays the one before).
    EXPECT_FALSE(store.SaveAs(Unsavable()));
    EXPECT_FALSE(store.HasUnwrittenChange());
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_EQ(SavedCount(fileName + ".bak"), 1);

    // A change whose save was refused while the round was open is written at the end.
    store.OnAskSaveFileName = [&](const std::string&) {
        db.AddNew("During the round", 0);
        EXPECT_FALSE(store.Save());
        return std::string();
    };
    EXPECT_FALSE(store.SaveAs(Unsavable()));
    EXPECT_TRUE(store.HasUnwrittenChange());
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_EQ(SavedCount(fileName), 3);
}

TEST_F(DataFileStoreTest, LeavingWhileTheSaveErrorBoxIsOpenEndsTheRoundWithoutAskingOrWriting) {
    // The program is told to end while the box is on the screen.
    struct TLeavingBoxes : FakeMessageBoxes {
        int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                       TMsgDlgButtons buttons) override {
            SetApplicationLeaving();
            return FakeMessageBoxes::MessageBox(text, caption, type, buttons);
        }
    };
    struct TRestore {
        std::shared_ptr<IMessageBoxes> previous;
        ~TRestore() {
            SetApplicationLeaving(false);
            SetMessageBoxes(previous);
        }
    };
    auto leaving = std::make_shared<TLeavingBoxes>();
    const TRestore restore{SetMessageBoxes(leaving)};
    TBlockableFolder folder(home.File("data"));
    const std::string fileName = folder.File("db.tock");
    store.SetFileName(fileName);
    answer = home.File("chosen.tock");
    folder.Block();
    db.AddNew("Kept", 0);
    EXPECT_FALSE(store.Save());
    QCoreApplication::sendPostedEvents();
    folder.Unblock();
    EXPECT_EQ(leaving->Boxes.size(), 1u);
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(FileExists(answer));
    EXPECT_FALSE(FileExists(fileName));
    EXPECT_FALSE(store.SaveFailurePending());
    // The end writes the file the round was about, once.
    EXPECT_TRUE(store.WriteUnwrittenAtExit());
    EXPECT_EQ(SavedCount(fileName), 1);
    EXPECT_FALSE(FileExists(answer));
}
