#pragma once
// The timing and state of one reminder: when it is due, when it alerts next, whether the
// alert repeats, whether it was snoozed or dismissed, its seven alert actions and an optional
// recurrence pattern. The manager asks it on every pass whether it is due (CheckAlert); the
// reminders window snoozes and dismisses it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/alertactions.h"
#include "core/recurrencepattern.h"
#include "core/reminderaware.h"
#include "platform/classes.h"
#include "platform/datetime.h"
#include "platform/xmldom.h"

enum TReminderState : uint8_t {
    rsInactive = 0,  // never activated
    rsActive = 1,    // an alert is pending or waits to be acknowledged
    rsDismissed = 2, // acknowledged
};

// The stream record's version written.
constexpr int ReminderItemVersion = 2;

class TReminderItem;
// Told when a reminder's next alert takes another value.
class INextAlertListener {
public:
    virtual void NextAlertMoved() = 0;

protected:
    ~INextAlertListener() = default;
};

// Raised after SetReminderState changed the state, with the state before.
using TReminderStateChangeEvent = std::function<void(TReminderItem& sender, uint8_t oldState)>;

class TReminderItem {
public:
    // Seven actions in kind order (only kind 0 enabled), inactive, no dates, repetition off
    // with a limit of 3 alerts, no pattern.
    TReminderItem();
    ~TReminderItem();
    TReminderItem(const TReminderItem&) = delete; // copies go through Assign
    TReminderItem& operator=(const TReminderItem&) = delete;

    // ---- Actions ------------------------------------------------------------------------
    TAlertActionList& Actions() { return actions_; }
    const TAlertActionList& Actions() const { return actions_; }
    // The action of that kind (appended when missing). A kind outside 0..6 raises Exception
    // "Internal error. New action has not been added".
    TAlertAction& GetAction(int kind);
    template <class T> T& Action() { return static_cast<T&>(GetAction(T::Kind)); }
    // The enabled actions' descriptions in kind order joined by "; ", then "; Repeat Alert
    // actions" when repetition is on.
    std::string GetActionsText() const;

    // ---- Recurrence ---------------------------------------------------------------------
    TRecurrencePattern& RecurrencePattern(); // created on first use
    bool HasRecurrencePattern() const { return pattern_ != nullptr; }
    void ClearRecurrencePattern() { pattern_.reset(); }

    // ---- Timing and state ---------------------------------------------------------------
    // ReminderDateTime and NextAlertDateTime become dt; with activate, AutoAlertIndex becomes
    // 0 and the state active, without OnStateChange.
    void SetReminderDateTime(bool activate, TDateTime dt);
    // Nothing when dt equals ReminderDateTime and the state is active; otherwise
    // SetReminderDateTime(true, dt).
    void SetReminderDateTimeIfChanged(TDateTime dt);
    // Stores the state. Inactive and dismissed clear NextAlertDateTime, stop the alert sound
    // and advance a recurring reminder to its next occurrence (active again). OnStateChange
    // follows when the state differs from the old one. Pattern errors (TExRecurrencePattern)
    // pass on, with the new state stored.
    void SetReminderState(uint8_t state);
    void Dismiss() { SetReminderState(rsDismissed); }
    // Next alert at Now() + delta (days), Snoozed set, alert sound stopped; the state stays.
    // A next alert past the year 9999 is none (0), and Snoozed is then cleared.
    void Snooze(TDateTime delta);
    // When active with a next alert at or before now: records the alert time, moves the next
    // alert (repetition; none when it would lie past the year 9999) or clears it, clears
    // Snoozed, posts all seven actions of item to the reminders window in kind order, and, when
    // no alert follows and kind 0 is disabled, has the window dismiss it unless listed. True
    // when it fired.
    bool CheckAlert(const IReminderAwareItemPtr& item, TDateTime now);

    // Copies the settings; unless keepState also the dates, Snoozed, AutoAlertIndex and the
    // state. PlacedToReminderWnd, LatestAlertDateTime, the event and the listener are never copied.
    void Assign(const TReminderItem& source, bool keepState);

    // ---- Persistent forms ---------------------------------------------------------------
    // The record, version 2. Reading refuses a version above 2 with Exception
    // (NewerVersionMessage), keeping what it read before; a version below 2 ends after the
    // actions. EReadError on a short stream. Repetition read with an interval not above 0
    // is switched off, also when reading stops early.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);
    // Attributes, one "Alert" child per enabled action, and "R" for the pattern, into node
    // (the "Alerts" or "DefaultAlertSettings" element).
    void SaveToXML(IXMLNode node) const;
    // Applies the attributes present, disables kind 0, then loads "R" and each "Alert" child
    // (names without regard to case). A bad number or Boolean raises EConvertError, keeping
    // what was read before; an "AlertType" outside 0..6 raises as GetAction does. Repetition
    // with an interval not above 0 is switched off, also when reading stops early.
    void LoadFromXML(IXMLNode node, const TScheduleReadQuery& query = {});

    // ---- Fields -------------------------------------------------------------------------
    int GetMaxAutoAlertCount() const { return maxAutoAlertCount_; }
    void SetMaxAutoAlertCount(int value) { maxAutoAlertCount_ = value; }
    int GetAutoAlertIndex() const { return autoAlertIndex_; }
    void SetAutoAlertIndex(int value) { autoAlertIndex_ = value; }
    // The repetition interval in days. A value not above 0 while repetition is on raises
    // Exception (InvalidAutoAlertDeltaMessage) and changes nothing.
    TDateTime GetAutoAlertDelta() const { return autoAlertDelta_; }
    void SetAutoAlertDelta(TDateTime value);
    TDateTime GetReminderDateTime() const { return reminderDateTime_; }
    void SetReminderDateTimeValue(TDateTime value) { reminderDateTime_ = value; }
    // 0 = no further alert.
    TDateTime GetNextAlertDateTime() const { return nextAlertDateTime_; }
    // Where the next alert is held, for prefetching in walks over many reminders.
    const TDateTime& NextAlertDateTimeRef() const { return nextAlertDateTime_; }
    void SetNextAlertDateTime(TDateTime value);
    bool GetLimitAutoAlertCount() const { return limitAutoAlertCount_; }
    void SetLimitAutoAlertCount(bool value) { limitAutoAlertCount_ = value; }
    // Switching repetition on while the interval is not above 0 raises Exception
    // (InvalidAutoAlertDeltaMessage) and changes nothing.
    bool GetIsAutoAlertEnabled() const { return isAutoAlertEnabled_; }
    void SetIsAutoAlertEnabled(bool value);
    // Both at once, checked together (for editors that change both).
    void SetAutoAlert(bool enabled, TDateTime delta);
    // The state as stored (any byte a file held; only 0..2 are named).
    uint8_t GetReminderState() const { return reminderState_; }
    bool IsActive() const { return reminderState_ == rsActive; }
    bool GetSnoozed() const { return snoozed_; }
    void SetSnoozed(bool value) { snoozed_ = value; }
    bool GetPlacedToReminderWnd() const { return placedToReminderWnd_; }
    void SetPlacedToReminderWnd(bool value) { placedToReminderWnd_ = value; }
    TDateTime GetLatestAlertDateTime() const { return latestAlertDateTime_; }
    void SetLatestAlertDateTime(TDateTime value) { latestAlertDateTime_ = value; }

    TReminderStateChangeEvent OnStateChange;
    // listener (null: none) is told whenever NextAlertDateTime takes another value, whatever
    // changed it (a setter, a fire, a snooze, a state change, Assign, a load). Not owned, never
    // copied: it is cleared or set anew before it goes.
    void SetNextAlertListener(INextAlertListener* listener) { nextAlertListener_ = listener; }

private:
    // Stores the next alert; tells the listener when it differs.
    void SetNext(TDateTime value);
    void StopAlertSound();
    void AdvanceByRecurrence();
    void DropInvalidRepetition();

    int maxAutoAlertCount_ = 3;
    int autoAlertIndex_ = 0;
    TAlertActionList actions_;
    TDateTime autoAlertDelta_ = 0;
    TDateTime reminderDateTime_ = 0;
    TDateTime nextAlertDateTime_ = 0;
    bool limitAutoAlertCount_ = true;
    bool isAutoAlertEnabled_ = false;
    uint8_t reminderState_ = rsInactive;
    bool snoozed_ = false;
    bool placedToReminderWnd_ = false;
    std::unique_ptr<TRecurrencePattern> pattern_;
    TDateTime latestAlertDateTime_ = 0;
    // Last, so that the fields that walks over many reminders read stay where they were.
    INextAlertListener* nextAlertListener_ = nullptr;
};

// "Repeated alerts need an interval greater than zero."
inline constexpr const char* InvalidAutoAlertDeltaMessage =
    "Repeated alerts need an interval greater than zero.";
