#pragma once
// The reminder database: the entries, the default alert settings new reminders copy, the
// user's holidays and workdays, custom day colours and the display options, with two derived
// indexes for the calendar and the caption (the days that carry a next alert, and the
// entries ordered by next alert). The data file readers and writers fill and read it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/reminderaware.h"
#include "core/reminderitem.h"
#include "core/sortedlists.h"
#include "core/tockwellitem.h"
#include "core/tockwelloptions.h"
#include "platform/datetime.h"

// One alert index entry: an entry with its sort key as it was when it joined the index, and
// its position in the database list at the last index build. Holds no reference: the
// database takes an entry out of its indexes when the entry leaves it.
struct TAlertIndexEntry {
    TAlertIndexEntry() = default;
    // Key := TSortedTockwelDB::Key(*item); item must not be null.
    TAlertIndexEntry(const TTockwellItemPtr& item); // implicit: Add(item) takes an entry
    TAlertIndexEntry(TDateTime key, TTockwellItem* item, uint32_t order, bool hasReminder)
        : Key(key), Item(item), Order(order), HasReminder(hasReminder) {}
    TTockwellItem* operator->() const { return Item; }

    TDateTime Key = 0;
    TTockwellItem* Item = nullptr;
    uint32_t Order = 0;
    bool HasReminder = false; // the entry had a reminder when it joined
};

// Entries in ascending order of their reminder's NextAlertDateTime, as it was when they were
// added; an entry without a reminder counts as having none (0), so it sorts with the entries
// without a next alert. Equal keys are all kept, the one added last first.
class TSortedTockwelDB : public TListSorted<TAlertIndexEntry> {
public:
    TSortedTockwelDB() { Duplicates = dupAccept; }
    // The sort key: the reminder's next alert; 0 without a reminder or for a value that is
    // not a number.
    static TDateTime Key(const TTockwellItem& item);
    // Orders entries as the index keeps them: by Key, a later Order (added later) first.
    static bool Before(const TAlertIndexEntry& a, const TAlertIndexEntry& b) {
        return a.Key < b.Key || (a.Key == b.Key && a.Order > b.Order);
    }
    // Replaces the content with items in the order Add would give them one by one, in
    // O(n log n); Order is each item's position in items.
    void Assign(const std::vector<TTockwellItemPtr>& items);
    // The index of the first entry whose next alert is at or after t (Count() when none).
    int FindFirstAtOrAfter(TDateTime t) const;
    // Deletes the entry by identity; true when it was there.
    bool Remove(const TTockwellItem* item);

protected:
    int Compare(const TAlertIndexEntry& a, const TAlertIndexEntry& b) const override;
};

class TTockwellDB : public IReminderAwareDatabase, private INextAlertListener {
public:
    TTockwellDB();
    // Every entry still held elsewhere is marked removed.
    ~TTockwellDB() override;
    TTockwellDB(const TTockwellDB&) = delete;
    TTockwellDB& operator=(const TTockwellDB&) = delete;

    // ---- Entries ------------------------------------------------------------------------
    // A new entry with the caption whose reminder gets SetReminderDateTimeIfChanged(date) and,
    // when date is not 0, SetReminderState(active). Not added.
    static TTockwellItemPtr NewItem(const std::string& caption, TDateTime date);
    // Appends the entry (no longer IsRemoved) and sets its OnDelete to remove it again. An
    // entry already in this database is not added twice; one held by another database
    // raises Exception.
    void Add(const TTockwellItemPtr& item);
    // NewItem followed by Add.
    TTockwellItemPtr AddNew(const std::string& caption, TDateTime date);
    int Count() const { return static_cast<int>(items_->size()); }
    // index 0 .. Count() - 1, else std::out_of_range. The reference lasts until the next
    // change of the list.
    const TTockwellItemPtr& GetItem(int index) const { return items_->at(index); }
    IReminderAwareItemPtr GetItemIntf(int index) const { return items_->at(index); }
    // The entries as they are now, kept so while the result is held (a change of the
    // database meanwhile makes it a list of its own); it keeps every entry in it alive.
    std::shared_ptr<const std::vector<TTockwellItemPtr>> ItemList() const { return items_; }
    int IndexOf(const IReminderAwareItemPtr& item) const;
    // Takes the entry out of the list and of both entry indexes and marks it removed; true
    // when it was there. The entry's own Delete() ends here.
    bool Remove(const IReminderAwareItemPtr& item);
    // Calls proc with each entry present when the walk began, skipping those removed since.
    // The walk holds the list it began with; a change during the walk gives the database a
    // copy of its own, so walks cost no copy unless the list changes meanwhile.
    void ForEachItem(const TReminderItemEvent& proc) override;
    // Empties the entry list (entries marked removed) and the indexes. Holidays, workdays,
    // colours, default alert settings and options stay.
    void Clear();

    // ---- Indexes ------------------------------------------------------------------------
    // ReminderDays := the whole day of each reminder's next alert (day 0 for none);
    // AlertIndex := every entry by next alert. Call after any change that may move one
    // (entries added or deleted are noticed without). One pass reads every entry's next
    // alert; the index changes only when a next alert or the list changed since the last
    // build: a few moved entries are merged in, more have it sorted anew. True when it changed.
    bool RebuildIndexes();
    // The reminder manager's short list: appends to out, in list order, every entry whose
    // next alert is not 0 and at or before horizon. Taken from the alert index, rebuilt first
    // when entries were added or deleted or a next alert changed since the last build.
    void CollectDue(TDateTime horizon, std::vector<IReminderAwareItemPtr>& out) override;
    // The entry with the earliest next alert that is not 0; null when there is none.
    TTockwellItemPtr GetNextAlertItem() const;
    // DayItems := the entries of AlertIndex whose next alert falls on day.
    void CollectDayItems(TDateTime day);
    // False when no reminder falls on the day. Otherwise hint := up to maxLines lines
    // "<short time> - <caption, cut to 30 characters plus "...">" separated by "\n\r",
    // then "\n\r..." when more entries fall on the day; true.
    bool GetDayHint(TDateTime date, std::string& hint, int maxLines);

    // ---- Days and colours (every date is reduced to its whole day) ----------------------
    void SetHoliday(TDateTime date); // also leaves Workdays
    void SetWorkday(TDateTime date); // also leaves Holidays
    void RemoveHoliday(TDateTime date) { Holidays.RemoveDate(date); }
    void RemoveWorkday(TDateTime date) { Workdays.RemoveDate(date); }
    void ClearHolidaysWorkdays();
    // In Holidays, or weekendIsHoliday and a Saturday or Sunday.
    bool IsHoliday(TDateTime date, bool weekendIsHoliday) const;
    // In Workdays, or weekdayIsWorkday and Monday to Friday.
    bool IsWorkday(TDateTime date, bool weekdayIsWorkday) const;
    bool HasRemindersOnDay(TDateTime date) const { return ReminderDays.HasDate(date); }
    void SetDateColor(int32_t color, TDateTime date); // replaces or adds
    bool GetDateColor(int32_t& color, TDateTime date) const;
    void RemoveDateColor(TDateTime date);
    void ClearDateColors() { CustomColors.Clear(); }

    // ---- XML data file (xmldatafile.cpp) ------------------------------------------------
    // Appends "DefaultAlertSettings", "HolidaysWorkdays", "CustomColors", "Reminders" and
    // "DBSettings" to root, then stores RunMinimized in the settings store when it can
    // (TrySaveRunMinimized: a store that cannot be written does not fail the save).
    void SaveToXML(IXMLNode root) const;
    // Reads a document written by SaveToXML. A root not named "Tockwell-xml" (letter case
    // ignored) raises ExXMLFormatError "Invalid Tockwell XML format." and changes nothing.
    // Otherwise the entries are cleared and each section present is read: the default alert
    // settings and the day and colour lists are replaced, the entries appended, the options
    // applied; RunMinimized comes from the settings store and the indexes are rebuilt. A value
    // that cannot be read costs only its own day, colour, entry field or option: the rest is
    // read on, and at the end ExXMLFormatError names what could not be read. query answers
    // a bad open-hours element of a place schedule (none: it counts as such a value).
    void LoadFromXML(IXMLNode root, const TScheduleReadQuery& query = {});

    // ---- Binary data file (core/binarydatafile.h) ---------------------------------------
    // Writes the binary form at stream's position, zipped with password (empty: none) and
    // headed by version; then stores RunMinimized in the settings store when it can
    // (TrySaveRunMinimized).
    void SaveToStream(TStream& stream, const std::string& password, int32_t version) const;
    // Reads the binary form from stream's position. The entries are appended to the list;
    // the default alert settings and both day lists are replaced; each colour of the file is
    // set as SetDateColor does, other days keep theirs (a payload with fewer segments leaves
    // the rest as it was); then RunMinimized is read from the
    // registry and the indexes are rebuilt. The header and the container are checked before
    // the database changes; then each part is taken in once read whole (the default alert
    // settings, each entry, each day list, the colours), so a failure keeps the parts read
    // before it, never a half-read entry, and the indexes are rebuilt. Raises
    // ExInvalidFileFormat (not the magic, or a damaged payload), ExNewerVersionOfFile (version 2
    // or higher), ExPasswordNeeded (protected, no password), EReadError (short or inconsistent
    // data), Exception (a bad option tag, a newer reminder or recurrence record).
    void LoadFromStream(TStream& stream, const std::string& password);

    TSortedDates Holidays;
    TSortedDates Workdays;
    TSortedDates ReminderDays;   // derived (RebuildIndexes)
    TSortedTockwelDB AlertIndex; // derived (RebuildIndexes)
    TCustomDateColorList CustomColors;
    TReminderItem DefaultAlertSettings;
    TSortedTockwelDB DayItems; // filled by CollectDayItems
    TTockwellOptions DBSettings;

private:
    friend class TTockwellItem;
    // An entry's next alert changed: the alert index no longer holds its key.
    void NextAlertMoved() override { keysMoved_ = true; }

    using TItemList = std::vector<TTockwellItemPtr>;
    // The list to change: copied first while a walk holds it.
    TItemList& MutableItems();

    std::shared_ptr<TItemList> items_ = std::make_shared<TItemList>();
    // Counts additions and removals, so that an index build can tell whether the list moved.
    uint64_t listVersion_ = 0;
    // Set when an entry's next alert changed after the last index build.
    bool keysMoved_ = false;
    // What the last index build saw: the list version and each entry's key by list position.
    uint64_t indexedVersion_ = UINT64_MAX;
    std::vector<TDateTime> indexedKeys_;
    std::vector<uint8_t> indexedHasReminder_;
};
