#include "core/tockwellitem.h"

#include "core/fixedformats.h"
#include "core/taggedstream.h"
#include "core/tockwelldb.h"
#include "platform/sysutils.h"

TTockwellItem::TTockwellItem() : Created(Now()), Updated(Created) {}

TTockwellItem::~TTockwellItem() = default;

void TTockwellItem::Delete() {
    if (!OnDelete)
        return;
    // The handler may clear OnDelete (the database does): call a copy.
    const TReminderItemEvent handler = OnDelete;
    if (IReminderAwareItemPtr self = weak_from_this().lock())
        handler(self);
}

TReminderItem& TTockwellItem::GetReminder() {
    if (!reminder_) {
        reminder_ = std::make_unique<TReminderItem>();
        reminder_->SetNextAlertListener(owner_);
    }
    return *reminder_;
}

TDateTime TTockwellItem::NextAlertDateTime() const {
    return reminder_ ? reminder_->GetNextAlertDateTime() : 0;
}

void TTockwellItem::MarkAdded(TTockwellDB* owner) {
    owner_ = owner;
    removed_ = false;
    if (reminder_)
        reminder_->SetNextAlertListener(owner);
}

void TTockwellItem::MarkRemoved() {
    owner_ = nullptr;
    if (reminder_)
        reminder_->SetNextAlertListener(nullptr);
    removed_ = true;
    OnDelete = nullptr;
}

void TTockwellItem::SaveToStream(TStream& stream) const {
    WriteStreamString(stream, Caption);
    WriteStreamString(stream, Notes);
    stream.WriteValue<double>(Created);
    stream.WriteValue<double>(Updated);
    if (reminder_)
        reminder_->SaveToStream(stream);
    else
        TReminderItem().SaveToStream(stream);
}

void TTockwellItem::LoadFromStream(TStream& stream) {
    Caption = ReadStreamString(stream);
    Notes = ReadStreamString(stream);
    Created = stream.ReadValue<double>();
    Updated = stream.ReadValue<double>();
    GetReminder().LoadFromStream(stream);
}

IXMLNode TTockwellItem::SaveToXML(IXMLNode reminders) const {
    IXMLNode node = reminders.AddChild("ReminderItem");
    node.AddChild("Caption").SetText(Caption);
    if (!Notes.empty())
        node.AddChild("Notes").SetText(Notes);
    node.AddChild("Created").SetText(DateTimeToXmlText(false, Created));
    node.AddChild("Updated").SetText(DateTimeToXmlText(false, Updated));
    IXMLNode alerts = node.AddChild("Alerts");
    if (reminder_)
        reminder_->SaveToXML(alerts);
    else
        TReminderItem().SaveToXML(alerts);
    return node;
}

void TTockwellItem::LoadFromXML(IXMLNode node, const TScheduleReadQuery& query) {
    if (node.ChildCount() == 0)
        return;
    IXMLNode caption = node.FindChild("Caption");
    Caption = caption ? caption.Text() : std::string();
    IXMLNode notes = node.FindChild("Notes");
    Notes = notes ? notes.Text() : std::string();
    if (IXMLNode created = node.FindChild("Created"); created && !created.Text().empty())
        Created = XmlTextToDateTime(created.Text());
    if (IXMLNode updated = node.FindChild("Updated"); updated && !updated.Text().empty())
        Updated = XmlTextToDateTime(updated.Text());
    if (IXMLNode alerts = node.FindChild("Alerts"))
        GetReminder().LoadFromXML(alerts, query);
}
