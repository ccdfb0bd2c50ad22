#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/gui/soundplayer.h"
#include "platform/sysutils.h"
#include "testutil.h"

TEST(SoundPlayer, MissingFileIsReported) {
    TQtSoundPlayer player;
    try {
        player.Play("/nonexistent/ring.wav");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message,
                  "Can not play reminder sound: the file \"/nonexistent/ring.wav\" does not exist");
    }
    EXPECT_FALSE(player.Playing());
    EXPECT_EQ(player.FileName(), "/nonexistent/ring.wav");
}

TEST(SoundPlayer, AFolderOrNamedPipeIsRefusedWithItsReason) {
    TempDir dir;
    TNamedPipe pipe(dir.File("ring.wav"));
    TQtSoundPlayer player;
    for (const auto& [name, reason] : {std::pair{pipe.Path(), "Is a named pipe"},
                                       std::pair{dir.Path().string(), "Is a directory"}})
        EXPECT_EQ(MessageOf([&] { player.Play(name); }),
                  "Can not play reminder sound: the file \"" + name + "\" cannot be opened. " +
                      reason);
    EXPECT_FALSE(pipe.Released());
}

TEST(SoundPlayer, PlaysTheDefaultSoundAndStops) {
    TQtSoundPlayer player;
    std::string error;
    player.OnError = [&](const std::string& m) { error = m; };
    std::string wav = SourcePath("resources/Tockwell.wav");
    try {
        player.Play(wav);
    } catch (const Exception& e) {
        GTEST_SKIP() << "no sound output here: " << e.Message;
    }
    // Give the back end a moment to start or to fail.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300 && error.empty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!error.empty())
        GTEST_SKIP() << error;
    EXPECT_EQ(player.FileName(), wav);
    EXPECT_TRUE(player.Playing());
    player.Stop();
    EXPECT_FALSE(player.Playing());
}

TEST(SoundPlayer, AnUnreadableFileFails) {
    TempDir dir;
    std::string bogus = dir.File("noise.wav");
    WriteFileBytes(bogus, "this is not a sound");
    TQtSoundPlayer player;
    std::string error;
    player.OnError = [&](const std::string& m) { error = m; };
    try {
        player.Play(bogus);
    } catch (const Exception& e) {
        error = e.Message;
    }
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000 && error.empty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(error.rfind("Can not play reminder sound: ", 0), 0u) << error;
    EXPECT_FALSE(player.Playing());
}

TEST(SoundPlayer, AFileThatIsNoSoundFailsOnceAtEachPlay) {
    TempDir dir;
    const std::string bogus = dir.File("noise.wav");
    WriteFileBytes(bogus, "this is not a sound either");
    TQtSoundPlayer player;
    std::vector<std::string> errors; // late ones and those raised by Play
    player.OnError = [&](const std::string& m) { errors.push_back(m); };
    for (size_t play = 1; play <= 2; ++play) {
        try {
            player.Play(bogus);
        } catch (const Exception& e) {
            if (play == 1)
                GTEST_SKIP() << "fails at once here: " << e.Message;
            errors.push_back(e.Message);
        }
        // The back end may raise more than one error for the file; wait for all of them.
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(errors.size(), play) << testing::PrintToString(errors);
        EXPECT_FALSE(player.Playing());
    }
}
