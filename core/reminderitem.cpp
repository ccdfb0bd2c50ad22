#include "core/reminderitem.h"

#include <climits>

#include "core/datafiledates.h"
#include "core/fixedformats.h"
#include "core/productinfo.h"
#include "platform/sysutils.h"

namespace {

// A next alert that a data file could not hold (past the year 9999) is none: the reminder
// alerts no more.
TDateTime NextAlertWithin(TDateTime next) {
    return IsDataFileDate(next) ? next : 0;
}

} // namespace

TReminderItem::TReminderItem() {
    for (int kind = 0; kind < AlertKindCount; ++kind)
        actions_.Add(CreateAlertAction(kind));
}

TReminderItem::~TReminderItem() = default;

// ---- Actions ------------------------------------------------------------------------------

TAlertAction& TReminderItem::GetAction(int kind) {
    if (kind < 0 || kind >= AlertKindCount)
        throw Exception("Internal error. New action has not been added");
    for (int i = 0; i < actions_.Count(); ++i)
        if (actions_.Items(i).ActionKind() == kind)
            return actions_.Items(i);
    actions_.Add(CreateAlertAction(kind));
    return actions_.Items(actions_.Count() - 1);
}

std::string TReminderItem::GetActionsText() const {
    std::string text;
    for (int i = 0; i < actions_.Count(); ++i) {
        const TAlertAction& action = actions_.Items(i);
        if (!action.Enabled)
            continue;
        if (!text.empty())
            text += "; ";
        text += action.GetDescription();
    }
    if (isAutoAlertEnabled_)
        text += "; Repeat Alert actions";
    return text;
}

TRecurrencePattern& TReminderItem::RecurrencePattern() {
    if (!pattern_)
        pattern_ = std::make_unique<TRecurrencePattern>();
    return *pattern_;
}

// ---- Timing and state ---------------------------------------------------------------------

void TReminderItem::SetReminderDateTime(bool activate, TDateTime dt) {
    reminderDateTime_ = dt;
    SetNext(dt);
    if (activate) {
        autoAlertIndex_ = 0;
        reminderState_ = rsActive;
    }
}

void TReminderItem::SetNextAlertDateTime(TDateTime value) {
    SetNext(value);
}

void TReminderItem::SetNext(TDateTime value) {
    // NaN differs even from itself: one more notice than needed, never one too few.
    if (nextAlertDateTime_ == value)
        return;
    nextAlertDateTime_ = value;
    if (nextAlertListener_)
        nextAlertListener_->NextAlertMoved();
}

void TReminderItem::SetReminderDateTimeIfChanged(TDateTime dt) {
    if (dt == reminderDateTime_ && reminderState_ == rsActive)
        return;
    SetReminderDateTime(true, dt);
}

void TReminderItem::SetReminderState(uint8_t state) {
    const uint8_t old = reminderState_;
    reminderState_ = state;
    if (state == rsInactive || state == rsDismissed) {
        SetNext(0);
        StopAlertSound();
        AdvanceByRecurrence();
    }
    if (OnStateChange && reminderState_ != old)
        OnStateChange(*this, old);
}

void TReminderItem::Snooze(TDateTime delta) {
    const TDateTime next = NextAlertWithin(Now() + delta);
    SetNext(next);
    snoozed_ = next != 0;
    StopAlertSound();
}

void TReminderItem::StopAlertSound() {
    auto& sound = static_cast<TAlertActPlaySound&>(GetAction(akPlaySound));
    if (!sound.Enabled)
        return;
    if (auto window = RemindersWindow())
        window->StopReminderSound(sound.FullSoundPath());
}

void TReminderItem::AdvanceByRecurrence() {
    if (!pattern_ || pattern_->IsStartDateEmpty())
        return;
    const TDateTime next =
        NextAlertWithin(pattern_->NextOccurrence(true, true, reminderDateTime_, Now(), 1));
    if (next != 0)
        SetReminderDateTimeIfChanged(next);
}

bool TReminderItem::CheckAlert(const IReminderAwareItemPtr& item, TDateTime now) {
    if (reminderState_ != rsActive || nextAlertDateTime_ == 0 || now < nextAlertDateTime_)
        return false;
    latestAlertDateTime_ = nextAlertDateTime_;
    if (isAutoAlertEnabled_ && autoAlertDelta_ > 0) {
        if (autoAlertIndex_ < INT_MAX)
            ++autoAlertIndex_;
        SetNext(limitAutoAlertCount_ && autoAlertIndex_ >= maxAutoAlertCount_
                    ? 0
                    : NextAlertWithin(now + autoAlertDelta_));
    } else {
        SetNext(0);
    }
    snoozed_ = false;

    auto window = RemindersWindow();
    if (window)
        for (int i = 0; i < actions_.Count(); ++i)
            window->PostAlertAction({item, actions_.Items(i).ActionKind()});
    if (nextAlertDateTime_ == 0 && !GetAction(akActivateReminderWnd).Enabled && window)
        window->DismissIfNotListed(item);
    return true;
}

void TReminderItem::Assign(const TReminderItem& source, bool keepState) {
    if (&source == this)
        return;
    if (!keepState) {
        reminderDateTime_ = source.reminderDateTime_;
        SetNext(source.nextAlertDateTime_);
        snoozed_ = source.snoozed_;
        autoAlertIndex_ = source.autoAlertIndex_;
        reminderState_ = source.reminderState_;
    }
    if (source.pattern_)
        RecurrencePattern().Assign(*source.pattern_);
    else
        pattern_.reset();
    isAutoAlertEnabled_ = source.isAutoAlertEnabled_;
    autoAlertDelta_ = source.autoAlertDelta_;
    limitAutoAlertCount_ = source.limitAutoAlertCount_;
    maxAutoAlertCount_ = source.maxAutoAlertCount_;
    for (int i = 0; i < actions_.Count() && i < source.actions_.Count(); ++i)
        actions_.Items(i).Assign(source.actions_.Items(i));
    DropInvalidRepetition();
}

// ---- Fields -------------------------------------------------------------------------------

void TReminderItem::SetAutoAlertDelta(TDateTime value) {
    SetAutoAlert(isAutoAlertEnabled_, value);
}

void TReminderItem::SetIsAutoAlertEnabled(bool value) {
    SetAutoAlert(value, autoAlertDelta_);
}

void TReminderItem::SetAutoAlert(bool enabled, TDateTime delta) {
    if (enabled && !(delta > 0))
        throw Exception(InvalidAutoAlertDeltaMessage);
    isAutoAlertEnabled_ = enabled;
    autoAlertDelta_ = delta;
}

void TReminderItem::DropInvalidRepetition() {
    if (isAutoAlertEnabled_ && !(autoAlertDelta_ > 0))
        isAutoAlertEnabled_ = false;
}

// ---- Stream record ------------------------------------------------------------------------

void TReminderItem::SaveToStream(TStream& stream) const {
    stream.WriteValue<int32_t>(ReminderItemVersion);
    stream.WriteValue<double>(reminderDateTime_);
    stream.WriteValue<double>(nextAlertDateTime_);
    stream.WriteValue<uint8_t>(snoozed_);
    stream.WriteValue<uint8_t>(isAutoAlertEnabled_);
    stream.WriteValue<double>(autoAlertDelta_);
    stream.WriteValue<uint8_t>(limitAutoAlertCount_);
    stream.WriteValue<int32_t>(maxAutoAlertCount_);
    stream.WriteValue<int32_t>(autoAlertIndex_);
    stream.WriteValue<int32_t>(reminderState_);
    for (int i = 0; i < actions_.Count(); ++i)
        actions_.Items(i).SaveToStream(stream);
    stream.WriteValue<uint8_t>(placedToReminderWnd_);
    stream.WriteValue<double>(latestAlertDateTime_);
    stream.WriteValue<uint8_t>(pattern_ != nullptr);
    if (pattern_)
        pattern_->WriteToStream(stream);
}

void TReminderItem::LoadFromStream(TStream& stream) {
    const int32_t version = stream.ReadValue<int32_t>();
    if (version > ReminderItemVersion)
        throw Exception(NewerVersionMessage());
    try {
        reminderDateTime_ = stream.ReadValue<double>();
        SetNext(stream.ReadValue<double>());
        snoozed_ = stream.ReadValue<uint8_t>() != 0;
        isAutoAlertEnabled_ = stream.ReadValue<uint8_t>() != 0;
        autoAlertDelta_ = HeldInterval(stream.ReadValue<double>());
        limitAutoAlertCount_ = stream.ReadValue<uint8_t>() != 0;
        maxAutoAlertCount_ = stream.ReadValue<int32_t>();
        autoAlertIndex_ = stream.ReadValue<int32_t>();
        reminderState_ = static_cast<uint8_t>(stream.ReadValue<int32_t>());
    } catch (...) {
        DropInvalidRepetition(); // what was read stays, a repetition without interval not
        throw;
    }
    DropInvalidRepetition();
    for (int kind = 0; kind < AlertKindCount; ++kind)
        GetAction(kind).LoadFromStream(stream);
    if (version < 2)
        return;
    placedToReminderWnd_ = stream.ReadValue<uint8_t>() != 0;
    latestAlertDateTime_ = stream.ReadValue<double>();
    if (stream.ReadValue<uint8_t>() != 0)
        RecurrencePattern().ReadFromStream(stream);
    else
        pattern_.reset();
}

// ---- XML form -----------------------------------------------------------------------------

void TReminderItem::SaveToXML(IXMLNode node) const {
    node.SetAttribute("ReminderDateTime", FloatToXmlText(reminderDateTime_));
    node.SetAttribute("NextAlertDateTime", FloatToXmlText(nextAlertDateTime_));
    node.SetAttribute("Snoozed", BoolToXmlText(snoozed_));
    node.SetAttribute("IsAutoAlertEnabled", BoolToXmlText(isAutoAlertEnabled_));
    node.SetAttribute("AutoAlertDelta", FloatToXmlText(autoAlertDelta_));
    node.SetAttribute("LimitAutoAlertCount", BoolToXmlText(limitAutoAlertCount_));
    node.SetAttribute("MaxAutoAlertCount", IntToStr(maxAutoAlertCount_));
    node.SetAttribute("AutoAlertIndex", IntToStr(autoAlertIndex_));
    node.SetAttribute("ReminderState", IntToStr(reminderState_));
    if (placedToReminderWnd_) {
        node.SetAttribute("PlacedToReminderWnd", BoolToXmlText(true));
        if (latestAlertDateTime_ != 0)
            node.SetAttribute("LatestAlertDateTime", FloatToXmlText(latestAlertDateTime_));
    }
    for (int i = 0; i < actions_.Count(); ++i)
        actions_.Items(i).SaveToXML(node);
    if (pattern_)
        pattern_->WriteXml(node.AddChild("R"));
}

void TReminderItem::LoadFromXML(IXMLNode node, const TScheduleReadQuery& query) {
    auto text = [&](const char* name) { return Trim(node.Attribute(name)); };
    auto readFloat = [&](const char* name, TDateTime& field) {
        const std::string t = text(name);
        if (!t.empty())
            field = XmlTextToFloatChecked(t);
    };
    auto readBool = [&](const char* name, bool& field) {
        const std::string t = text(name);
        if (!t.empty())
            field = XmlTextToBool(t);
    };
    auto readInt = [&](const char* name, int& field) {
        const std::string t = text(name);
        if (!t.empty())
            field = StrToInt(t);
    };

    try {
        readFloat("ReminderDateTime", reminderDateTime_);
        TDateTime next = nextAlertDateTime_;
        readFloat("NextAlertDateTime", next);
        SetNext(next);
        readBool("Snoozed", snoozed_);
        readBool("IsAutoAlertEnabled", isAutoAlertEnabled_);
        readFloat("AutoAlertDelta", autoAlertDelta_);
        autoAlertDelta_ = HeldInterval(autoAlertDelta_);
        readBool("LimitAutoAlertCount", limitAutoAlertCount_);
        readInt("MaxAutoAlertCount", maxAutoAlertCount_);
        readInt("AutoAlertIndex", autoAlertIndex_);
        int state = reminderState_;
        readInt("ReminderState", state);
        reminderState_ = static_cast<uint8_t>(state);
        readBool("PlacedToReminderWnd", placedToReminderWnd_);
        readFloat("LatestAlertDateTime", latestAlertDateTime_);
    } catch (...) {
        DropInvalidRepetition(); // what was read stays, a repetition without interval not
        throw;
    }
    DropInvalidRepetition();

    GetAction(akActivateReminderWnd).Enabled = false;
    for (int i = 0; i < node.ChildCount(); ++i) {
        IXMLNode child = node.Child(i);
        const std::string name = child.NodeName();
        if (SameText(name, "R"))
            RecurrencePattern().ReadXml(child, query);
        else if (SameText(name, "Alert"))
            GetAction(StrToInt(Trim(child.Attribute("AlertType")))).LoadFromXML(child);
    }
}
