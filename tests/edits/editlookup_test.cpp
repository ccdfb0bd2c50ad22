// The lookup list while typing, the picked value, the learned history and the persisted
// text and lists (INI file and registry store).
#include <QListWidget>
#include <QTest>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "controls/edits/enhedit.h"
#include "edittestutil.h"
#include "platform/inifile.h"
#include "testutil.h"

namespace {

TLookupSettings Lines(std::initializer_list<std::string> lines) {
    TLookupSettings l;
    l.Enabled = true;
    for (const std::string& s : lines)
        l.DisplayList.Add(s);
    return l;
}

std::vector<std::string> Texts(const std::vector<TLookupMatch>& m) {
    std::vector<std::string> out;
    for (const TLookupMatch& x : m)
        out.push_back(x.Text.toStdString());
    return out;
}

std::string FileText(const std::string& name) {
    std::ifstream in(name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct LookupFixture : ::testing::Test {
    TempRegistry registry; // the config folder of the INI files as well
    Host host;
    TEnhEdit* edit = new TEnhEdit(&host);
    TEnhEdit* other = new TEnhEdit(&host);
    void SetUp() override {
        edit->setGeometry(10, 10, 150, 21);
        other->setGeometry(10, 150, 150, 21);
        edit->show();
        other->show();
        edit->Lookup() = Lines({"ABC", "abd", "xyz"});
        edit->setFocus();
    }
    QListWidget* List() { return edit->LookupWindow()->ListControl(); }
};

} // namespace

TEST(EditLookupRules, MatchesPartsAndValues) {
    TLookupSettings l = Lines({"abd", "ABC", "xyz"});
    EXPECT_EQ(Texts(LookupMatches(l, "ab")), (std::vector<std::string>{"ABC", "abd"}));
    l.CaseSensitive = true;
    EXPECT_EQ(Texts(LookupMatches(l, "ab")), (std::vector<std::string>{"abd"}));
    EXPECT_EQ(LookupMatches(l, "ab")[0].Index, 0);

    TLookupPart p = LookupTypedPart("red;gr", true, ';');
    EXPECT_EQ(p.Typed, "gr");
    EXPECT_EQ(p.Offset, 4);
    EXPECT_EQ(LookupTypedPart("red;gr", false, ';').Typed, "red;gr");

    l.ValueList.Add("value-0");
    EXPECT_EQ(LookupValue(l, 0, "abd"), "value-0");
    EXPECT_EQ(LookupValue(l, 2, "xyz"), "xyz"); // beyond the value list: the shown text

    l.SetNumChars(0);
    EXPECT_EQ(l.NumChars(), 2);
    EXPECT_TRUE(LearnHistory(l, "  new one "));
    EXPECT_EQ(l.DisplayList[3], "new one");
    EXPECT_FALSE(LearnHistory(l, "new one"));
    EXPECT_FALSE(LearnHistory(l, "   "));
}

TEST_F(LookupFixture, ListOpensAfterEnoughCharactersAndPicks) {
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_FALSE(edit->LookupShown());
    QTest::keyClick(edit, Qt::Key_B);
    ASSERT_TRUE(edit->LookupShown());
    EXPECT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentRow(), 0);
    EXPECT_EQ(edit->LookupWindow()->height(), 2 * 12 + 4);
    // The keys reach the pop-up while it is open; typing goes on in the edit.
    QTest::keyClick(edit->LookupWindow(), Qt::Key_Down);
    EXPECT_EQ(List()->currentRow(), 1);
    QTest::keyClick(edit->LookupWindow(), Qt::Key_Down);
    EXPECT_EQ(List()->currentRow(), 1);
    QTest::keyClick(edit->LookupWindow(), Qt::Key_D);
    EXPECT_EQ(edit->Text(), "abd");
    EXPECT_EQ(List()->count(), 1);
    int selects = 0;
    edit->OnLookupIndexSelect = [&](QObject*, int index, std::string& value) {
        EXPECT_EQ(index, 1);
        value += "!";
        ++selects;
    };
    QTest::keyClick(edit->LookupWindow(), Qt::Key_Return);
    EXPECT_FALSE(edit->LookupShown());
    EXPECT_EQ(edit->Text(), "abd!");
    EXPECT_EQ(selects, 1);
    // Nothing matching hides the list.
    edit->clear();
    QTest::keyClicks(edit, "qq");
    EXPECT_FALSE(edit->LookupShown());
}

TEST_F(LookupFixture, MultiValuesPickTheLastPart) {
    edit->Lookup() = Lines({"green", "grey", "blue"});
    edit->Lookup().Multi = true;
    edit->Lookup().ValueList.Add("GREEN");
    QTest::keyClicks(edit, "red;gr");
    ASSERT_TRUE(edit->LookupShown());
    EXPECT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentItem()->text(), "green");
    edit->PickLookup();
    EXPECT_EQ(edit->Text(), "red;GREEN");
    EXPECT_EQ(edit->cursorPosition(), 9);
}

TEST_F(LookupFixture, HistoryIsStoredAndReadBack) {
    std::string ini;
    {
        auto* e = new TEnhEdit(&host);
        e->setObjectName("edCity");
        e->show();
        e->Lookup().Enabled = true;
        e->Lookup().History = true;
        e->Persistence().Enable = true;
        e->Persistence().Key = "edits.ini";
        e->Persistence().Section = "Form1";
        e->Loaded();
        e->setFocus();
        QTest::keyClicks(e, "Paris ");
        other->setFocus();
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, "Oslo");
        other->setFocus();
        EXPECT_EQ(e->Lookup().DisplayList.Count(), 2);
        ini = PersistenceFileName(e->Persistence());
        delete e; // saves
    }
    EXPECT_EQ(ini, registry.Folder() + "/edits.ini");
    EXPECT_EQ(PersistenceFileName({}), registry.Folder() + "/test_edits.ini"); // the program's
    TPersistence absolute;
    absolute.Key = "/etc/x.ini";
    EXPECT_EQ(PersistenceFileName(absolute), "/etc/x.ini");
    std::string text = FileText(ini);
    EXPECT_NE(text.find("[Form1]"), std::string::npos);
    EXPECT_NE(text.find("edCity=Oslo"), std::string::npos);
    EXPECT_NE(text.find("LOOKUPCOUNT=2"), std::string::npos);
    EXPECT_NE(text.find("LOOKUPDISPL1=Paris"), std::string::npos);

    auto* again = new TEnhEdit(&host);
    again->setObjectName("edCity");
    again->Lookup().Enabled = true;
    again->Lookup().History = true;
    again->Persistence().Enable = true;
    again->Persistence().Key = "edits.ini";
    again->Persistence().Section = "Form1";
    again->Loaded();
    EXPECT_EQ(again->Text(), "Oslo");
    ASSERT_EQ(again->Lookup().DisplayList.Count(), 2);
    EXPECT_EQ(again->Lookup().DisplayList[1], "Oslo");

    // An entry that is not there leaves the designed text.
    auto* fresh = new TEnhEdit(&host);
    fresh->setObjectName("edOther");
    fresh->SetText("designed");
    fresh->Persistence().Enable = true;
    fresh->Persistence().Key = "edits.ini";
    fresh->Persistence().Section = "Form1";
    fresh->Loaded();
    EXPECT_EQ(fresh->Text(), "designed");
    fresh->Persistence().Enable = false;
}

TEST_F(LookupFixture, ListsInTheRegistryStore) {
    TLookupSettings l = Lines({"one", "", "three"});
    l.History = true;
    l.ValueList.Add("1");
    l.ValueList.Add("2");
    l.ValueList.Add("3");
    {
        TRegistryIniFile reg("Software\\Fernhollow\\Tockwell\\Edits");
        SavePersistValues(reg, "Dlg", "edNumber", "$3", l);
    }
    TRegistryIniFile reg("Software\\Fernhollow\\Tockwell\\Edits");
    TLookupSettings back;
    back.Enabled = back.History = true;
    EXPECT_EQ(LoadPersistValues(reg, "Dlg", "edNumber", back), "$3");
    // The empty line is skipped on reading.
    ASSERT_EQ(back.DisplayList.Count(), 2);
    EXPECT_EQ(back.DisplayList[1], "three");
    EXPECT_EQ(back.ValueList.Count(), 3);
    EXPECT_EQ(LoadPersistValues(reg, "Dlg", "edMissing", back), "@");
}

TEST(EditLookupRules, StoredCountIsBoundedByTheEntriesPresent) {
    TIniFile ini("");
    ini.Parse("[Dlg]\nLOOKUPCOUNT=2147483647\nLOOKUPDISPL1=one\nLOOKUPVAL1=1\nLOOKUPDISPL2=two\n");
    TLookupSettings l;
    l.Enabled = l.History = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadPersistValues(ini, "Dlg", "edNumber", l), "@");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_EQ(l.DisplayList.Count(), 2);
    EXPECT_EQ(l.DisplayList[1], "two");
    EXPECT_EQ(l.ValueList.Count(), 1);
}

TEST(EditLookupRules, AStoredEntryWrittenAgainReadsBackItsNewValue) {
    TempDir dir;
    const std::string name = dir.File("edits.ini");
    WriteFileBytes(name, "[Form1]\nedcity=Paris\nLOOKUPCOUNT=1\nlookupdispl1=Paris\n");
    {
        TIniFile ini(name);
        TLookupSettings l = Lines({"Oslo", "Rome"});
        l.History = true;
        SavePersistValues(ini, "FORM1", "edCity", "Oslo", l);
        ini.UpdateFile();
    }
    const std::string text = FileText(name);
    EXPECT_EQ(text.find("Paris"), std::string::npos) << text;
    TIniFile ini(name);
    TLookupSettings back;
    back.Enabled = back.History = true;
    EXPECT_EQ(LoadPersistValues(ini, "Form1", "edCity", back), "Oslo");
    ASSERT_EQ(back.DisplayList.Count(), 2);
    EXPECT_EQ(back.DisplayList[0], "Oslo");
    EXPECT_EQ(back.DisplayList[1], "Rome");
}
