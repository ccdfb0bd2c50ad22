// The program itself with a reminder of a 10 MB caption: the other reminders fire on time,
// the reminders window paints, and "--quit" ends it without the exit watchdog.
#include <QProcess>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <xcb/xcb.h>

#include "core/alertactions.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "windowmanagersession.h"

namespace {

// The number of colours among window's pixels on display; 0 when they cannot be read.
size_t ColoursOf(const QString& display, unsigned long window) {
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c(
        xcb_connect(display.toLocal8Bit().constData(), nullptr), xcb_disconnect);
    if (xcb_connection_has_error(c.get()))
        return 0;
    const std::unique_ptr<xcb_get_geometry_reply_t, void (*)(void*)> box(
        xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), xcb_window_t(window)), nullptr),
        free);
    if (!box)
        return 0;
    const std::unique_ptr<xcb_get_image_reply_t, void (*)(void*)> image(
        xcb_get_image_reply(c.get(),
                            xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window),
                                          0, 0, box->width, box->height, ~0u),
                            nullptr),
        free);
    if (!image || image->depth != 24)
        return 0;
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image.get()));
    const std::set<uint32_t> colours(pixels, pixels + xcb_get_image_data_length(image.get()) / 4);
    return colours.size();
}

class ProgramHugeCaption : public WindowManager {};

} // namespace

TEST_F(ProgramHugeCaption, OtherRemindersFireOnTimeTheWindowPaintsAndQuitEndsIt) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    const std::string home = dir.File("home"), file = dir.File("huge.tock"), ran = dir.File("ran"),
                      errors = dir.File("errors");
    std::string caption;
    while (caption.size() < 10'000'000)
        caption += "Meeting notes ";
    // Due at once in the reminders window; beside it a reminder that runs a program later.
    const TDateTime tickDue = Now() + 10 * OneSecond;
    {
        TTockwellDB db;
        db.AddNew(caption, Now() - OneMinute);
        TReminderItem& tick = db.AddNew("Tick", tickDue)->GetReminder();
        tick.GetAction(akActivateReminderWnd).Enabled = false;
        tick.Action<TAlertActRunApp>().Enabled = true;
        tick.Action<TAlertActRunApp>().AppPath = "/usr/bin/touch " + ran;
        SaveXMLDataFile(db, file);
    }
    ForceDirectories(home + "/.config");
    const QProcessEnvironment env = session.ProgramEnv(home);
    QProcess program;
    Stopper stop{program};
    program.setProcessEnvironment(env);
    program.setStandardErrorFile(QString::fromStdString(errors));
    program.start(QString::fromStdString(kProgram), {QString::fromStdString(file)});

    const unsigned long reminders = WaitForWindow(program, "^Tockwell - Reminders$");
    ASSERT_NE(reminders, 0u);
    EXPECT_TRUE(WaitFor([&] { return ColoursOf(env.value("DISPLAY"), reminders) >= 4; }, 10000))
        << "the reminders window shows " << ColoursOf(env.value("DISPLAY"), reminders)
        << " colours";
    // Run at the pass after its time (at the first one when a busy machine started the
    // program late).
    const int untilDue = std::max(0, int((tickDue - Now()) / OneSecond * 1000));
    EXPECT_TRUE(WaitFor([&] { return FileExists(ran); }, untilDue + 20000));

    ASSERT_EQ(AskToQuit(env, kAnswerDeadlineMs), 0);
    ASSERT_TRUE(program.waitForFinished(kAnswerDeadlineMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadFileBytes(errors).find("did not end in time"), std::string::npos)
        << ReadFileBytes(errors);
}
