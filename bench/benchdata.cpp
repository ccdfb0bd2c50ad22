#include "bench/benchdata.h"

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>

const char* CorpusName(TBenchCorpus corpus) {
    return corpus == TBenchCorpus::Full ? "full" : "mixed";
}

void GenerateReminders(TTockwellDB& db, int n, uint32_t seed, TBenchCorpus corpus) {
    const bool full = corpus == TBenchCorpus::Full;
    static const char* verbs[] = {"Call", "Pay", "Buy", "Renew", "Book", "Send", "Check", "Water"};
    static const char* things[] = {
        "mother",        "the rent",      "milk and bread", "passport",      "dentist appointment",
        "weekly report", "car insurance", "the plants",     "train tickets", "invoice 2026"};
    static const char* notes[] = {"",
                                  "",
                                  "Bring the documents.",
                                  "Room 4.12, second floor.",
                                  "Ask about last month's invoice & the new contract terms.",
                                  "See <https://example.org/agenda> for the details"};
    std::mt19937 rng(seed);
    auto pick = [&](int k) { return static_cast<int>(rng() % static_cast<uint32_t>(k)); };
    for (int i = 0; i < n; ++i) {
        std::string caption = std::string(verbs[pick(8)]) + " " + things[pick(10)];
        if (pick(3) == 0)
            caption += " " + std::to_string(pick(1000));
        const bool recurring = full || pick(5) < 2;
        TDateTime due = BenchNow - 180 + pick(540 * 96) / 96.0; // quarter hours
        if (due < BenchNow && recurring)
            due = BenchNow + pick(30 * 96) / 96.0; // moved on to its next occurrence
        TTockwellItemPtr item = db.AddNew(caption, due);
        item->Notes = notes[full ? 2 + pick(4) : pick(6)];
        item->Created = std::floor((due - 1 - pick(90)) * SecsPerDay) / SecsPerDay;
        item->Updated = item->Created + pick(86400) / SecsPerDay;

        TReminderItem& r = item->GetReminder();
        // Past reminders fired: dismissed, or waiting to be acknowledged; a few were missed.
        if (due < BenchNow) {
            if (pick(2) == 0)
                r.Dismiss();
            else if (pick(100) != 0)
                r.SetNextAlertDateTime(0);
        }
        for (int kind = 1; kind < AlertKindCount; ++kind)
            r.GetAction(kind).Enabled = full || pick(4) == 0;
        if (r.GetAction(akSendEmail).Enabled)
            r.Action<TAlertActSendEmail>().Emails = "someone@example.org, other@example.org";
        if (r.GetAction(akRunApp).Enabled)
            r.Action<TAlertActRunApp>().AppPath = "/usr/bin/notify-send \"Reminder\"";
        if (full || pick(3) == 0)
            r.Action<TAlertActPlaySound>().SetStoredAudioFile(full ? "/home/user/Sounds/chime "
                                                                     "and bell.wav"
                                                                   : "chime.wav");
        if (full || pick(4) == 0) {
            r.SetAutoAlert(true, (1 + pick(30)) * OneMinute);
            r.SetLimitAutoAlertCount(pick(2) == 0);
        }
        if (!recurring)
            continue;
        TRecurrencePattern& p = r.RecurrencePattern();
        p.SetPatternStartDay(due);
        if (full) {
            // Every pattern held to a place's hours: weekdays with a lunch break, Saturday
            // mornings.
            TTaskPlaceOpenCloseSchedule& hours = p.GetSchedule();
            hours.SetAllClosed();
            for (int day = 1; day <= 5; ++day) {
                hours.SetRange(day, true, (8 + pick(2)) * OneHour, 12 * OneHour);
                hours.SetRange(day, true, 13 * OneHour, (17 + pick(3) * 0.5) * OneHour);
            }
            hours.SetRange(6, true, 9 * OneHour, 12.5 * OneHour);
        }
        switch (pick(6)) {
        case 0:
            p.SetRecurrenceType(rtDaily);
            p.SetInterval(1 + pick(3));
            break;
        case 1:
            p.SetRecurrenceType(rtWeekly);
            p.SetDayOfWeekMask(static_cast<TDayOfWeekMask>((1 + pick(127)) << 1));
            break;
        case 2:
            p.SetRecurrenceType(rtMonthly);
            p.SetDayOfMonth(1 + pick(28));
            p.SetOccurrences(12);
            break;
        case 3:
            p.SetRecurrenceType(rtMonthNth);
            p.SetDayOfWeekMask(DayOfWeekBit(2 + pick(5)));
            p.SetPatternInstance(1 + pick(5));
            break;
        case 4:
            p.SetRecurrenceType(rtYearly);
            p.SetMonthOfYear(1 + pick(12));
            p.SetDayOfMonth(1 + pick(28));
            p.SetPatternEndDate(due + 3650);
            break;
        default:
            p.SetRecurrenceType(rtHourly);
            p.SetHourlyDelta((1 + pick(4)) * OneHour);
            if (pick(2) == 0) {
                TTaskPlaceOpenCloseSchedule& hours = p.GetSchedule();
                hours.SetAllClosed();
                for (int day = 1; day <= 5; ++day)
                    hours.SetRange(day, true, 9 * OneHour, 17.5 * OneHour);
            }
            break;
        }
    }
    db.SetHoliday(BenchNow + 10);
    db.SetWorkday(BenchNow + 12);
    db.SetDateColor(255, BenchNow + 3);
    db.RebuildIndexes();
}

TTockwellDB& GeneratedDatabase(int n) {
    static std::map<int, std::unique_ptr<TTockwellDB>> dbs;
    auto& db = dbs[n];
    if (!db) {
        db = std::make_unique<TTockwellDB>();
        GenerateReminders(*db, n, static_cast<uint32_t>(n));
    }
    return *db;
}
