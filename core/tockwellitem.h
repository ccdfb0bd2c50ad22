#pragma once
// One reminder entry of the database: caption, notes, creation and update times and the
// reminder record (created on first use). Shared by reference (std::shared_ptr); create
// entries with std::make_shared or TTockwellDB::NewItem.

#include <memory>
#include <string>

#include "core/reminderaware.h"
#include "core/reminderitem.h"
#include "platform/classes.h"
#include "platform/datetime.h"
#include "platform/xmldom.h"

class TTockwellDB;

class TTockwellItem : public IReminderAwareItem,
                      public std::enable_shared_from_this<TTockwellItem> {
    // First, so that a walk over many entries finds them in the cache line it reads anyway.
    std::unique_ptr<TReminderItem> reminder_;
    TTockwellDB* owner_ = nullptr;
    bool removed_ = false;

public:
    // Created and Updated := Now(); no reminder yet.
    TTockwellItem();
    ~TTockwellItem() override;
    TTockwellItem(const TTockwellItem&) = delete;
    TTockwellItem& operator=(const TTockwellItem&) = delete;

    // ---- IReminderAwareItem -------------------------------------------------------------
    TTockwellItem* GetObject() override { return this; }
    // Raises OnDelete with this entry when assigned (the database then removes it).
    void Delete() override;
    std::string GetCaption() const override { return Caption; }
    void SetCaption(const std::string& value) override { Caption = value; }
    std::string GetNotes() const override { return Notes; }
    void SetNotes(const std::string& value) override { Notes = value; }
    bool HasReminder() const override { return reminder_ != nullptr; }
    // Created on first use; a change of its next alert is passed on to the database that holds
    // the entry (its alert index then needs a rebuild).
    TReminderItem& GetReminder() override;
    bool IsRemoved() const override { return removed_; }

    // The reminder when it exists, else nullptr (never creates it).
    const TReminderItem* FindReminder() const { return reminder_.get(); }
    // NextAlertDateTime of the reminder; 0 without one.
    TDateTime NextAlertDateTime() const;

    // The database that holds the entry, or nullptr.
    const TTockwellDB* Owner() const { return owner_; }

    // ---- Persistent forms ---------------------------------------------------------------
    // Caption and Notes (int32 length + bytes each), Created and Updated (8-byte floats),
    // then the reminder record (a default one is created first when missing). Reading
    // mirrors it; EReadError on a short stream, the reminder's newer-version error passes on.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);
    // Appends <ReminderItem> to reminders with "Caption", "Notes" (when not empty),
    // "Created", "Updated" and "Alerts" (the reminder's XML form).
    IXMLNode SaveToXML(IXMLNode reminders) const;
    // Reads a "ReminderItem" element that has child elements: Caption and Notes from their
    // elements ("" when absent), Created and Updated from non-empty texts (EConvertError on
    // a bad date), "Alerts" into the reminder. An element without children changes nothing.
    void LoadFromXML(IXMLNode node, const TScheduleReadQuery& query = {});

    TDateTime Created;
    std::string Notes;
    std::string Caption;
    TDateTime Updated;
    TReminderItemEvent OnDelete;

private:
    friend class TTockwellDB;
    // Called by the database when the entry joins it, and when it leaves (deleted, cleared,
    // database freed): OnDelete is cleared and IsRemoved() is true until it is added again.
    void MarkAdded(TTockwellDB* owner);
    void MarkRemoved();
};

using TTockwellItemPtr = std::shared_ptr<TTockwellItem>;
