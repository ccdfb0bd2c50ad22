#include "core/xmldatafile.h"

#include <string_view>
#include <vector>

#include "core/datafiledates.h"
#include "core/filehelpers.h"
#include "core/fixedformats.h"
#include "platform/memory.h"
#include "platform/sysutils.h"

namespace {

// At most max bytes of text, cut at a character boundary, with "..." when cut.
std::string Shortened(std::string_view text, size_t max) {
    const std::string_view kept = Utf8BytePrefix(text, max);
    return kept.size() < text.size() ? std::string(kept) + "..." : std::string(text);
}

// The values a load could not read: where each was and why.
class TReadProblems {
public:
    void Add(const std::string& where, const std::string& message) {
        if (lines_.size() < MaxListed)
            lines_.push_back(where + ": " + Shortened(message, MaxMessage));
        ++count_;
    }
    // Runs read; an Exception it raises is noted under the place where() names.
    template <class Read, class Where> void Try(Where where, Read read) {
        try {
            read();
        } catch (const Exception& e) {
            Add(where(), e.Message);
        }
    }
    bool Empty() const { return count_ == 0; }
    std::string Message() const {
        std::string text = "Some values of the Tockwell XML file could not be read and were "
                           "skipped; everything else was loaded. ";
        for (size_t i = 0; i < lines_.size(); ++i)
            text += (i > 0 ? "; " : "") + lines_[i];
        if (count_ > lines_.size())
            text += Format("; and %zu more", count_ - lines_.size());
        return text + ".";
    }

private:
    static constexpr size_t MaxListed = 10;
    static constexpr size_t MaxMessage = 160;
    std::vector<std::string> lines_;
    size_t count_ = 0;
};

// A colour value: decimal, signed 32-bit as written, or its unsigned form.
int32_t XmlTextToColor(const std::string& text) {
    int64_t value = 0;
    if (!TryStrToInt64(text, value) || value < INT32_MIN || value > UINT32_MAX)
        throw EConvertError("'" + text + "' is not a valid colour value");
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

void WriteDays(IXMLNode parent, const char* listName, const char* dayName,
               const TSortedDates& days) {
    if (days.Empty())
        return;
    IXMLNode list = parent.AddChild(listName);
    for (int32_t day : days)
        list.AddChild(dayName).SetAttribute("d", DateTimeToXmlText(false, day));
}

// Adds the whole day of each child's "d" (any element name) to days; empty texts and day 0
// are skipped, unreadable ones noted.
void ReadDays(IXMLNode list, const char* what, TSortedDates& days, TReadProblems& problems) {
    if (!list)
        return;
    const int count = list.ChildCount();
    for (int i = 0; i < count; ++i) {
        IXMLNode child = list.Child(i);
        problems.Try([&] { return Format("%s %d", what, i + 1); },
                     [&] {
                         const int32_t day = WholeDay(XmlTextToDateTime(child.Attribute("d")));
                         if (day != 0)
                             days.AddDate(day);
                     });
    }
}

// Where the XML form holds a value of an entry: the name of the element (under the entry) or
// attribute (of "Alerts" or of its "R" child).
struct TXmlPlace {
    enum { Element, Alerts, Pattern } on;
    const char* name;
};

TXmlPlace XmlPlaceOf(TDataFileValue which) {
    switch (which) {
    case TDataFileValue::Created:
        return {TXmlPlace::Element, "Created"};
    case TDataFileValue::Updated:
        return {TXmlPlace::Element, "Updated"};
    case TDataFileValue::AlertTime:
        return {TXmlPlace::Alerts, "ReminderDateTime"};
    case TDataFileValue::NextAlert:
        return {TXmlPlace::Alerts, "NextAlertDateTime"};
    case TDataFileValue::LastAlert:
        return {TXmlPlace::Alerts, "LatestAlertDateTime"};
    case TDataFileValue::RepetitionInterval:
        return {TXmlPlace::Alerts, "AutoAlertDelta"};
    case TDataFileValue::RecurrenceStart:
        return {TXmlPlace::Pattern, "PatternStartDate"};
    case TDataFileValue::RecurrenceEnd:
        return {TXmlPlace::Pattern, "PatternEndDate"};
    case TDataFileValue::HourlyStep:
        return {TXmlPlace::Pattern, "HourlyDelta"};
    case TDataFileValue::HourlyStepRandomTo:
        return {TXmlPlace::Pattern, "HourlyDeltaRandomTo"};
    }
    return {TXmlPlace::Element, ""};
}

// Names a refused value of the entry read from item (null for the default alert settings) and
// alerts (its "Alerts" element, or "DefaultAlertSettings") by the text the file holds for it,
// blanks around it aside; a pattern's by that of the last "R" child that gives it, which the
// reader took. A value the file gives no text for is named by ExactNumberText.
TValueNamer XmlValueText(IXMLNode item, IXMLNode alerts) {
    return [item, alerts](TDataFileValue which, double value) {
        const TXmlPlace place = XmlPlaceOf(which);
        std::string text;
        if (place.on == TXmlPlace::Element) {
            if (IXMLNode element = item ? item.FindChild(place.name) : IXMLNode())
                text = element.Text();
        } else if (place.on == TXmlPlace::Alerts) {
            if (alerts)
                text = alerts.Attribute(place.name);
        } else {
            for (int i = 0; alerts && i < alerts.ChildCount(); ++i) {
                IXMLNode child = alerts.Child(i);
                if (SameText(child.NodeName(), "R") && !Trim(child.Attribute(place.name)).empty())
                    text = child.Attribute(place.name);
            }
        }
        text = Trim(text);
        return text.empty() ? ExactNumberText(value) : text;
    };
}

} // namespace

void TTockwellDB::SaveToXML(IXMLNode root) const {
    DefaultAlertSettings.SaveToXML(root.AddChild("DefaultAlertSettings"));

    IXMLNode days = root.AddChild("HolidaysWorkdays");
    WriteDays(days, "Holidays", "h", Holidays);
    WriteDays(days, "Workdays", "w", Workdays);

    IXMLNode colors = root.AddChild("CustomColors");
    for (const TDateColor& color : CustomColors) {
        IXMLNode cc = colors.AddChild("cc");
        cc.SetAttribute("d", DateTimeToXmlText(false, color.Date));
        cc.SetAttribute("c", IntToStr(color.Color));
    }

    IXMLNode reminders = root.AddChild("Reminders");
    for (const TTockwellItemPtr& item : *items_)
        item->SaveToXML(reminders);

    DBSettings.SaveToXML(root.AddChild("DBSettings"));
    DBSettings.TrySaveRunMinimized();
}

void TTockwellDB::LoadFromXML(IXMLNode root, const TScheduleReadQuery& query) {
    if (root.IsNull() || !SameText(root.NodeName(), XMLDataFileRootName))
        throw ExXMLFormatError();
    Clear();
    TReadProblems problems;

    if (IXMLNode node = root.FindChild("DefaultAlertSettings")) {
        // Replaced as a whole: nothing of the settings before (enabled actions, a pattern)
        // stays behind when the file does not name it.
        TReminderItem settings;
        problems.Try([] { return std::string("Default alert settings"); },
                     [&] { settings.LoadFromXML(node, query); });
        for (const std::string& dropped :
             DropValuesOutOfRange(settings, XmlValueText(IXMLNode(), node)))
            problems.Add("Default alert settings", dropped);
        problems.Try([] { return std::string("Default alert settings"); },
                     [&] { DefaultAlertSettings.Assign(settings, false); });
    }

    if (IXMLNode node = root.FindChild("HolidaysWorkdays")) {
        ClearHolidaysWorkdays();
        ReadDays(node.FindChild("Holidays"), "Holiday", Holidays, problems);
        ReadDays(node.FindChild("Workdays"), "Workday", Workdays, problems);
    }

    if (IXMLNode node = root.FindChild("CustomColors")) {
        ClearDateColors();
        const int count = node.ChildCount();
        for (int i = 0; i < count; ++i) {
            IXMLNode child = node.Child(i);
            const std::string day = Trim(child.Attribute("d"));
            const std::string value = Trim(child.Attribute("c"));
            if (day.empty() || value.empty())
                continue; // an incomplete entry names no colour
            problems.Try([&] { return Format("Custom colour %d", i + 1); },
                         [&] {
                             const TDateTime date = XmlTextToDateTime(day);
                             // A day that has a colour already keeps its first one.
                             CustomColors.Add(TDateColor(date, XmlTextToColor(value)));
                         });
        }
    }

    if (IXMLNode node = root.FindChild("Reminders")) {
        const int count = node.ChildCount();
        int number = 0;
        for (int i = 0; i < count; ++i) {
            IXMLNode child = node.Child(i);
            if (!SameText(child.NodeName(), "ReminderItem"))
                continue;
            ++number;
            const TTockwellItemPtr item = AddNew(std::string(), 0);
            const auto where = [&] { return DataFileEntryPlace(number, item->Caption); };
            problems.Try(where, [&] { item->LoadFromXML(child, query); });
            const TValueNamer name = XmlValueText(child, child.FindChild("Alerts"));
            for (const std::string& dropped : DropValuesOutOfRange(*item, name))
                problems.Add(where(), dropped);
        }
    }

    if (IXMLNode node = root.FindChild("DBSettings"))
        problems.Try([] { return std::string("Options"); }, [&] { DBSettings.LoadFromXML(node); });

    DBSettings.LoadRunMinimized();
    RebuildIndexes();
    if (!problems.Empty())
        throw ExXMLFormatError(problems.Message());
}

void BuildXMLDataFile(const TTockwellDB& db, TXMLDocument& doc) {
    IXMLNode root = doc.CreateRoot(XMLDataFileRootName);
    root.SetAttribute("ver", XMLDataFileVersion);
    db.SaveToXML(root);
}

void SaveXMLDataFile(const TTockwellDB& db, const std::string& fileName) {
    TXMLDocument doc;
    BuildXMLDataFile(db, doc);
    SafeWriteFile(fileName, [&](const std::string& tempFile) { doc.SaveToFile(tempFile); });
}

void LoadXMLDataFile(TTockwellDB& db, const std::string& fileName,
                     const TScheduleReadQuery& query) {
    // The document is many times the size of the database it fills: once it is gone its
    // pages go back to the system, also when the load fails.
    struct TReleaseAfterwards {
        ~TReleaseAfterwards() { ReleaseFreeMemory(); }
    } release;
    TXMLDocument doc;
    doc.LoadFromFile(fileName);
    db.LoadFromXML(doc.DocumentElement(), query);
}
