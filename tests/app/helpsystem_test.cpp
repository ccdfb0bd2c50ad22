#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/frmabout.h"
#include "app/frmopenurlconfirm.h"
#include "app/frmrecurpattern.h"
#include "app/frmtockwelloptions.h"
#include "app/helpsystem.h"
#include "core/filehelpers.h"
#include "fakemessageboxes.h"
#include "fakeshell.h"
#include "mainwindowfixture.h"
#include "platform/fileutils.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

// The URL the browser gets for a page of the help folder.
std::string PageUrl(const std::string& folder, const std::string& page) {
    return "file://" + folder + "/" + page;
}

// A program folder with (or without) the help pages of the source tree beside the program.
struct TestProgram {
    TempDir dir;
    std::string Program() const { return dir.File("tockwell"); }
    std::string Help() const { return dir.File("help"); }
    void InstallHelp() const {
        fs::copy(SourcePath("resources/help"), Help(), fs::copy_options::recursive);
    }
};

// A dialog with a help context and a focused edit on it, shown and active.
struct HelpDialog {
    QWidget window;
    QLineEdit* edit;
    explicit HelpDialog(int context) {
        // Set as the dialogs do: the "HelpContext" property.
        window.setProperty("HelpContext", context);
        auto* layout = new QVBoxLayout(&window);
        edit = new QLineEdit(&window);
        layout->addWidget(edit);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }
};

} // namespace

TEST(HelpSystem, F1OnAWindowOpensThePageOfItsContext) {
    TestProgram program;
    program.InstallHelp();
    FakeShell shell;
    FakeMessageBoxesGuard boxes;
    THookHelpSystem hook(program.Help(), "", HostTypeHtmlHelp);

    const std::pair<int, const char*> pages[] = {{HelpContextReminderSetup, "remindersetup.html"},
                                                 {HelpContextRecurrence, "recurrence.html"},
                                                 {HelpContextOptions, "options.html"},
                                                 {HelpContextIndex, "index.html"},
                                                 {4242, "index.html"}}; // no page of its own
    for (auto [context, page] : pages) {
        HelpDialog dialog(context);
        shell.Opened.clear();
        QTest::keyClick(dialog.edit, Qt::Key_F1);
        EXPECT_EQ(shell.Opened, std::vector<std::string>{PageUrl(program.Help(), page)}) << context;
    }

    // A control's own context comes before its window's; without any, F1 asks nothing.
    HelpDialog dialog(HelpContextOptions);
    SetHelpContext(dialog.edit, HelpContextRecurrence);
    shell.Opened.clear();
    QTest::keyClick(dialog.edit, Qt::Key_F1);
    EXPECT_EQ(shell.Opened, std::vector<std::string>{PageUrl(program.Help(), "recurrence.html")});
    SetHelpContext(dialog.edit, 0);
    SetHelpContext(&dialog.window, 0);
    shell.Opened.clear();
    QTest::keyClick(dialog.edit, Qt::Key_F1);
    QTest::keyClick(dialog.edit, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(shell.Opened.empty());

    // A page that is missing falls back to the contents.
    fs::remove(program.Help() + "/options.html");
    EXPECT_EQ(HHHelpContext(program.Help(), HelpContextOptions, "", HostTypeHtmlHelp), HelpShown);
    EXPECT_EQ(shell.Opened.back(), PageUrl(program.Help(), "index.html"));
    EXPECT_TRUE(boxes->Boxes.empty());
}

TEST(HelpSystem, MissingHelpOrBrowserIsReportedInAWarning) {
    TestProgram program;
    FakeShell shell;
    FakeMessageBoxesGuard boxes;
    THookHelpSystem hook(program.Help(), "", HostTypeHtmlHelp);

    // No help folder: the "not installed" message, nothing opened.
    EXPECT_FALSE(ApplicationHelpContext(HelpContextReminderSetup));
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "Tockwell Help is not installed on this computer (no help "
                                    "pages in \"" +
                                        program.Help() + "\").");
    EXPECT_EQ(boxes->Boxes[0].caption, "Tockwell");
    EXPECT_EQ(boxes->Boxes[0].type, mtWarning);
    // A folder without its contents page counts as not installed either.
    ForceDirectories(program.Help());
    EXPECT_EQ(ShowContext(HostTypeHtmlHelp, program.Help(), HelpContextIndex), HelpNotInstalled);
    EXPECT_TRUE(shell.Opened.empty());

    // The browser cannot be started.
    program.InstallHelp();
    shell.Result = false;
    EXPECT_FALSE(ApplicationHelpContext(HelpContextOptions));
    ASSERT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(boxes->Boxes[1].text, "Could not start the web browser to show Tockwell Help."
                                    "\n\nTo read it, open this page in a web browser:\n" +
                                        program.Help() + "/options.html");

    // The Windows viewers are not there.
    EXPECT_EQ(HHHelpContext(program.Help(), 1005, "main", HostTypeKeyHH), HelpKeyHHMissing);
    EXPECT_EQ(HHHelpContext(program.Help(), 1005, "", HostTypeHH), HelpHHMissing);
    EXPECT_EQ(HHErrorMessage(HelpKeyHHMissing, ""),
              "System file KeyHH.EXE was not found in the Windows folder.");
    EXPECT_EQ(HHErrorMessage(HelpHHMissing, ""),
              "System file HH.EXE was not found in the Windows folder.");
    EXPECT_EQ(HHErrorMessage(99, ""), "Unknown error returned by HHHelpContext");
    HHShowError(HelpShown, "");
    EXPECT_EQ(boxes->Boxes.size(), 2u);
}

TEST(HelpSystem, TheHookTakesContextsAndPopupPositionsAndGivesBackTheHandler) {
    TestProgram program;
    program.InstallHelp();
    FakeShell shell;
    std::vector<int> before;
    THelpEvent previous = SetApplicationHelpHandler([&](int command, intptr_t, bool& callHelp) {
        before.push_back(command);
        callHelp = false;
        return true;
    });
    {
        THookHelpSystem hook(program.Help(), "", HostTypeHtmlHelp);
        EXPECT_TRUE(ApplicationHelpCommand(HELP_CONTEXTPOPUP, HelpContextRecurrence));
        EXPECT_EQ(shell.Opened.back(), PageUrl(program.Help(), "recurrence.html"));
        EXPECT_TRUE(ApplicationHelpCommand(HELP_SETPOPUP_POS, (20 << 16) | 300));
        EXPECT_EQ(hook.PopupPos(), QPoint(300, 20));
        // Everything else goes to the default help, which there is none of.
        EXPECT_FALSE(ApplicationHelpCommand(HELP_QUIT, 0));
        EXPECT_FALSE(ApplicationHelpCommand(HELP_KEY, 0));
        EXPECT_EQ(shell.Opened.size(), 1u);
        EXPECT_TRUE(before.empty());
    }
    EXPECT_TRUE(ApplicationHelpContext(1005));
    EXPECT_EQ(before, std::vector<int>{HELP_CONTEXT});
    SetApplicationHelpHandler(previous);
}

TEST(HelpSystem, TheDialogsCarryTheContextsOfTheirPages) {
    TfrmTaskRecurPattern recurrence;
    TTockwellOptionsWnd options;
    EXPECT_EQ(HelpPageOf(HelpContextOf(&recurrence)), "recurrence.html");
    EXPECT_EQ(HelpPageOf(HelpContextOf(&options)), "options.html");
}

TEST(HelpSystem, HelpPathsAndCommandNames) {
    EXPECT_EQ(BuildHelpPath("  Tockwell.chm ", "", "", 0), "Tockwell.chm");
    EXPECT_EQ(BuildHelpPath("Tockwell.chm", "intro.htm", "", 0), "Tockwell.chm::/intro.htm");
    EXPECT_EQ(BuildHelpPath("Tockwell.chm", "/intro.htm", "main", 1),
              "mk:@MSITStore:Tockwell.chm::/intro.htm>main");
    EXPECT_EQ(BuildHelpPath("Tockwell.chm", "", "", 2), "ms-its:Tockwell.chm");
    EXPECT_STREQ(HelpCommandName(HELP_CONTEXTPOPUP), "HELP_CONTEXTPOPUP");
    EXPECT_STREQ(HelpCommandName(77), "");
}

// ---- Debug mode and the log -----------------------------------------------------------------

namespace {

TSystemInfo SampleSystem() {
    TSystemInfo s;
    s.Distribution = "Debian GNU/Linux 12 (bookworm)";
    s.Kernel = "Linux 6.1.0-13-amd64 #1 SMP x86_64";
    s.QtVersion = "6.4.2 (running 6.4.2)";
    s.Locale = "en_GB (English, United Kingdom)";
    s.DecimalSeparator = ".";
    return s;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

} // namespace

TEST(HelpSystem, DebugModeFromTheSwitchesOrTheMarkerFile) {
    TempDir dir;
    const std::string folder = dir.Path().string() + "/";
    EXPECT_FALSE(IsDebugMode(folder, {"tockwell"}));
    EXPECT_TRUE(IsDebugMode(folder, {"tockwell", "data.tock", "-debug"}));
    EXPECT_TRUE(IsDebugMode(folder, {"tockwell", "/debug"}));
    EXPECT_FALSE(IsDebugMode(folder, {"-debug"})); // the program itself
    EXPECT_FALSE(IsDebugMode(folder, {"tockwell", "--debug", "debug", "-Debug"}));
    WriteFileBytes(dir.File("debug.debug"), "");
    EXPECT_TRUE(IsDebugMode(folder, {"tockwell"}));
}

TEST(HelpSystem, TheLogHoldsItsHeaderAndEveryStepInDebugModeOnly) {
    TestProgram program;
    program.InstallHelp();
    TempDir state;
    const std::string logFolder = state.File("Tockwell");
    const std::string logFile = logFolder + "/HHDebug.txt";
    FakeShell shell;
    FixedClock clock(At(2026, 12, 7, 9, 30, 15));
    const TSystemInfo system = SampleSystem();

    // Without debug mode nothing is written, not even the folder.
    {
        THelpSystemScope scope({program.Program(), "data.tock"}, program.Program(), logFolder,
                               &system);
        EXPECT_FALSE(HelpEnvironment().DebugMode);
        THookHelpSystem hook(HelpEnvironment().HelpFolder, "", HostTypeHtmlHelp);
        EXPECT_TRUE(ApplicationHelpContext(HelpContextOptions));
        LogDebug("not %s", "written");
    }
    EXPECT_FALSE(fs::exists(logFolder));

    // A log left from an earlier run goes.
    ForceDirectories(logFolder);
    WriteFileBytes(logFile, "old line\n");
    {
        THelpSystemScope scope({program.Program(), "-debug"}, program.Program(), logFolder,
                               &system);
        EXPECT_TRUE(HelpEnvironment().DebugMode);
        EXPECT_EQ(HelpEnvironment().HelpFolder, program.Help());
        THookHelpSystem hook(HelpEnvironment().HelpFolder, "", HostTypeHtmlHelp);
        HelpDialog dialog(HelpContextReminderSetup);
        QTest::keyClick(dialog.edit, Qt::Key_F1);
    }
    const std::vector<std::string> lines = Lines(ReadFileBytes(logFile));
    ASSERT_GE(lines.size(), 21u);
    const std::string separator(78, '=');
    std::vector<std::string> header(lines.begin(), lines.begin() + 20);
    EXPECT_EQ(header,
              (std::vector<std::string>{
                  separator,
                  "! Log File: " + logFile,
                  "! Date: 2026-12-07 09:30:15",
                  "! OS: Debian GNU/Linux 12 (bookworm)",
                  "! Kernel: Linux 6.1.0-13-amd64 #1 SMP x86_64",
                  "! Locale: en_GB (English, United Kingdom)",
                  "! Decimal separator: \".\"",
                  "! Program: " + program.Program() + ", version " + GetOwnFileVersion(true),
                  "! Parameters: 1",
                  "!   1: -debug",
                  "! Command line: " + program.Program() + " -debug",
                  "! Run folder: " + GetCurrentDir(),
                  "! Module name: tockwell",
                  "! Module folder: " + program.dir.Path().string() + "/",
                  "! Module path: " + program.Program(),
                  "! Module version: " + GetOwnFileVersion(true),
                  "! Qt: 6.4.2 (running 6.4.2)",
                  "! Help: " + program.Help() + " (installed)",
                  "! Help pages open in the desktop's web browser: there is no HTML Help, browser "
                  "control or service pack to report.",
                  separator}));
    const std::string stamp = "2026-12-07 09:30:15.000 ";
    const std::vector<std::string> steps(lines.begin() + 20, lines.end());
    EXPECT_EQ(steps, (std::vector<std::string>{
                         stamp + "THookHelpSystem.Create(\"" + program.Help() + "\",\"\", 0)",
                         stamp + "THookHelpSystem.HelpHook([HELP_CONTEXT], 1005)",
                         stamp + "HHHelpContext(\"" + program.Help() + "\", 1005, \"\", 0)",
                         stamp + "ShowContext(\"" + program.Help() + "\", 1005)",
                         stamp + "  returned - 0"}));
    struct stat st {};
    ASSERT_EQ(::stat(logFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u); // the user's own
}

TEST(HelpSystem, TheLogGoesToTheStateFolderAndNeverThroughALink) {
    TempDir home, elsewhere;
    ScopedEnv envHome("HOME", home.Path().c_str());
    {
        ScopedEnv envState("XDG_STATE_HOME", nullptr);
        EXPECT_EQ(DefaultLogFolder(), home.Path().string() + "/.local/state/Tockwell");
    }
    ScopedEnv envState("XDG_STATE_HOME", elsewhere.Path().c_str());
    EXPECT_EQ(DefaultLogFolder(), elsewhere.Path().string() + "/Tockwell");

    // A link in place of the log is not written through.
    const std::string target = elsewhere.File("target.txt");
    WriteFileBytes(target, "keep\n");
    TDLogFile log(home.File("HHDebug.txt"), true);
    ASSERT_EQ(::symlink(target.c_str(), log.FileName().c_str()), 0);
    log.Log("line");
    EXPECT_EQ(ReadFileBytes(target), "keep\n");
    // Nor is a named pipe in its place waited on.
    TNamedPipe pipe(home.File("pipe.txt"));
    TDLogFile piped(pipe.Path(), true);
    piped.Log("line");
    EXPECT_FALSE(pipe.Released());

    // A disabled log touches nothing.
    TDLogFile off(home.File("off.txt"), false);
    off.Start({"! header"});
    off.Log("line");
    EXPECT_FALSE(FileExists(off.FileName()));
}

TEST(HelpSystem, TheDistributionComesFromOsRelease) {
    TempDir dir;
    const std::string file = dir.File("os-release");
    WriteFileBytes(file, "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
                         "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(OsReleaseName(file), "Debian GNU/Linux 12 (bookworm)");
    WriteFileBytes(
        file, "# comment\nNAME='Fedora Linux'\nVERSION=\"39 (Workstation \\\"Edition\\\")\"\n");
    EXPECT_EQ(OsReleaseName(file), "Fedora Linux 39 (Workstation \"Edition\")");
    WriteFileBytes(file, "NAME=Alpine\n");
    EXPECT_EQ(OsReleaseName(file), "Alpine");
    EXPECT_EQ(OsReleaseName(dir.File("missing")), "Linux");
    const TSystemInfo info = ProbeSystemInfo();
    EXPECT_FALSE(info.Distribution.empty());
    EXPECT_EQ(info.Kernel.rfind("Linux ", 0), 0u);
    EXPECT_NE(info.QtVersion.find(qVersion()), std::string::npos);
}

// ---- The main window's help commands --------------------------------------------------------

class MainHelpTest : public MainWindowFixture {};

TEST_F(MainHelpTest, HelpOpensTheContentsOrSaysTheHelpIsMissing) {
    TestProgram program;
    FakeShell shell;
    THelpSystemScope scope({program.Program()}, program.Program(), dir.File("state"));
    auto form = Open();
    form->actHelp->trigger();
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "Can not find help file: " + program.Help());
    EXPECT_EQ(boxes->Boxes[0].type, mtWarning);
    EXPECT_TRUE(shell.Opened.empty());

    program.InstallHelp();
    form->actHelp->trigger();
    EXPECT_EQ(shell.Opened, std::vector<std::string>{PageUrl(program.Help(), "index.html")});
    EXPECT_EQ(boxes->Boxes.size(), 1u);

    // The hook goes with the window.
    form.reset();
    EXPECT_FALSE(ApplicationHelpContext(HelpContextIndex));
}

TEST_F(MainHelpTest, TheDropDownMenuHasTheOnlineLinksBetweenHelpAndAbout) {
    auto form = Open();
    QList<QAction*> items = form->pmnuDownArrow->actions();
    auto at = [&](QAction* a) { return items.indexOf(a); };
    ASSERT_GE(at(form->actHelp), 0);
    EXPECT_EQ(items[at(form->actHelp) + 1]->menu(), form->mnuOnlineLinks);
    EXPECT_EQ(at(form->actAbout), at(form->actHelp) + 2);
    EXPECT_EQ(form->mnuOnlineLinks->actions(),
              (QList<QAction*>{form->actWebSite, form->actCheckForUpdates}));
    for (QAction* a : {form->actHelp, form->actAbout, form->actWebSite, form->actCheckForUpdates})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    // The tray menu has help and about, without the links.
    EXPECT_EQ(form->pmnuTray->actions().indexOf(form->actAbout),
              form->pmnuTray->actions().indexOf(form->actHelp) + 1);
}

TEST_F(MainHelpTest, AboutShowsTheBoxAndTheOnlineLinksGoThroughTheOpenLinkDialog) {
    FakeShell shell;
    auto form = Open();
    form->actAbout->trigger();
    QPointer<TAboutDlg> box = AboutDlg();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(form->isEnabled());
    box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());

    for (auto [action, url] :
         {std::pair{form->actWebSite, "https://tockwell.org/"},
          std::pair{form->actCheckForUpdates, "https://tockwell.org/download/"}}) {
        std::string shown;
        QTimer::singleShot(0, [&] {
            if (auto* dlg = qobject_cast<TfrmOpenURLConfirm*>(QApplication::activeModalWidget())) {
                shown = dlg->memURL().toPlainText().toStdString();
                dlg->accept();
            }
        });
        shell.Opened.clear();
        action->trigger();
        EXPECT_EQ(shell.Opened, std::vector<std::string>{url});
        EXPECT_EQ(shown, url);
    }
}

TEST(HelpSystem, LogErrorShowsTheTextAndLogsItInDebugMode) {
    TestProgram program;
    TempDir state;
    FakeMessageBoxesGuard boxes;
    const TSystemInfo system = SampleSystem();
    THelpSystemScope scope({program.Program(), "/debug"}, program.Program(), state.File("log"),
                           &system);
    LogError("Cannot open %s (%d)", "the page", 7);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "Cannot open the page (7)");
    const std::string text = ReadFileBytes(state.File("log") + "/HHDebug.txt");
    EXPECT_NE(text.find(" Cannot open the page (7)\n"), std::string::npos) << text;
}
