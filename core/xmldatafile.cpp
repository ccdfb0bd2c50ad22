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
        for (const std::string& dropped : DropValuesOutOfRange(settings))
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
            for (const std::string& dropped : DropValuesOutOfRange(*item))
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
