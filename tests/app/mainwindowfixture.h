#pragma once
// The main window under test: its protected steps opened up, the window's activity and the
// colour dialog's answer set by the test, and a fixture with a private settings store, data
// file, fake alert windows and message boxes, and a fixed clock; a sound player that plays
// nothing.

#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

#include "app/frmmain.h"
#include "app/simpletimer.h"
#include "controls/calendar/calendargroup.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "fakealertwindows.h"
#include "fakemessageboxes.h"
#include "platform/gui/soundplayer.h"
#include "testutil.h"

// Plays nothing; "plays" its last file until stopped.
class TSilentPlayer : public ISoundPlayer {
public:
    void Play(const std::string& fileName) override {
        file_ = fileName;
        playing_ = true;
    }
    bool Playing() const override { return playing_; }
    void Stop() override { playing_ = false; }
    std::string FileName() const override { return file_; }

private:
    bool playing_ = false;
    std::string file_;
};

class TOpenMain : public TfrmMain {
public:
    using TfrmMain::CaptionBlinkTimer;
    using TfrmMain::RefreshAll;
    using TfrmMain::TfrmMain;
    using TfrmMain::tmCaptionBlinkTimer;
    using TfrmMain::tmTodayIndicatorTimer;
    using TfrmMain::TodayIndicatorTimer;

    bool Active = true;                // what WindowIsActive answers
    std::optional<TColor> DialogColor; // the colour dialog's choice; none: cancelled
    int DialogCount = 0;

protected:
    bool WindowIsActive() const override { return Active; }
    bool ChooseDayColor(TColor& color) override {
        ++DialogCount;
        if (!DialogColor)
            return false;
        color = *DialogColor;
        return true;
    }
};

class MainWindowFixture : public ::testing::Test {
protected:
    // The window (a Form) on the fixture's data file (written from db first when given), its
    // timer stopped so that only Tick moves it.
    template <class Form = TOpenMain> std::unique_ptr<Form> Open(const TTockwellDB* db = nullptr) {
        if (db)
            SaveXMLDataFile(*db, file);
        auto form = std::make_unique<Form>(QStringList{QString::fromStdString(file)});
        form->SystemTimer().stop();
        // The file is read after the first paint; the tests start with it read.
        form->OpenPendingDataFile();
        if constexpr (requires { form->Log.clear(); })
            form->Log.clear();
        return form;
    }
    // The data file as saved last.
    std::unique_ptr<TTockwellDB> Saved() {
        auto db = std::make_unique<TTockwellDB>();
        LoadXMLDataFile(*db, file);
        return db;
    }
    // Ticks n times, moving the clock 2 seconds before each.
    void Tick(TfrmMain& form, int n) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(2 * OneSecond);
            form.tmTockwellSystemTimerTimer();
        }
    }

    TempRegistry registry;
    TempDir dir;
    FakeAlertEnvironment env;
    FakeMessageBoxesGuard boxes;
    // Thursday, 14 March 2024, noon.
    FixedClock clock{EncodeDateTime(2024, 3, 14, 12, 0, 0, 0)};
    std::string file = dir.File("db.tock");
};
