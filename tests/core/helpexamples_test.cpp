// The help pages' examples of what to type, read from the pages and run through the parser in
// each date order: a console phrase gives a date ahead and the caption its table row names; a
// date form gives a date and leaves no caption.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "core/dateparser.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "datetestsettings.h"
#include "fakealertwindows.h"
#include "testutil.h"

namespace {

// Group 1 (and 2, when the pattern has it) of every match in the page, with white space as a
// browser shows it.
std::vector<std::pair<std::string, std::string>> Matches(const char* page, const char* pattern) {
    const std::string html = ReadFileBytes(SourcePath(std::string("resources/help/") + page));
    const std::regex re(pattern), space(R"(\s+)");
    std::vector<std::pair<std::string, std::string>> out;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), re); it != std::sregex_iterator();
         ++it)
        out.emplace_back(std::regex_replace((*it)[1].str(), space, " "),
                         it->size() > 2 ? std::regex_replace((*it)[2].str(), space, " ") : "");
    return out;
}

} // namespace

TEST(HelpExamples, PhrasesGiveTheirCaptionAndDateFormsADate) {
    std::map<std::string, std::string> captions;
    for (const auto& [text, caption] :
         Matches("index.html",
                 R"re(<tr><td><code class="phrase">([^<]*)</code></td><td>([^<]*)</td>)re"))
        captions[text] = caption;
    ASSERT_GE(captions.size(), 2u);
    // The examples in the running text are rows of the table too, so their captions are known.
    for (const auto& [text, none] : Matches("index.html", R"re(<code class="phrase">([^<]*)<)re"))
        EXPECT_TRUE(captions.count(text)) << text;
    std::vector<std::string> forms;
    for (const char* page : {"index.html", "remindersetup.html"})
        for (const auto& [form, none] : Matches(page, R"re(<code class="when">([^<]*)<)re"))
            forms.push_back(form);
    ASSERT_GE(forms.size(), 4u);

    const TDateTime base = At(2026, 6, 10, 14); // a Wednesday afternoon
    for (const TFormatSettings& settings : {UsSettings(), GbSettings(), IsoSettings()}) {
        const TDateKeywordTable keywords = BuildDateKeywords(settings, &EnglishFormatSettings());
        const std::string order = settings.ShortDateFormat + " ";
        for (const auto& [text, caption] : captions) {
            const TParsedPhrase parsed = ParsePhrase(text, base, keywords);
            EXPECT_EQ(parsed.Title, caption) << order << text;
            EXPECT_GT(parsed.FirstDate, base) << order << text;
        }
        for (const std::string& form : forms) {
            const TParsedPhrase parsed = ParsePhrase(form, base, keywords);
            EXPECT_EQ(parsed.Title, "") << order << form;
            EXPECT_NE(parsed.FirstDate, 0) << order << form;
        }
    }
}

// The page says how often reminders are checked: the main window's 2-second timer with passes
// at least 9 s apart, as the manager counts them over ten minutes.
TEST(HelpExamples, ThePageSaysHowOftenRemindersAreChecked) {
    const auto said =
        Matches("index.html", R"re(checks your reminders (?:about )?every (\w+) seconds)re");
    ASSERT_EQ(said.size(), 1u);
    const std::map<std::string, int> numbers = {{"two", 2}, {"five", 5}, {"nine", 9}, {"ten", 10}};
    ASSERT_TRUE(numbers.count(said[0].first)) << said[0].first;

    FakeAlertEnvironment env;
    const TDateTime start = At(2026, 6, 10, 14);
    FixedClock clock(start);
    TTockwellDB db;
    TReminderManager manager;
    manager.SetCheckEveryNSeconds(9);
    int passes = 0;
    for (int second = 0; second < 600; second += 2) {
        clock.Set(start + second * OneSecond);
        const TDateTime before = manager.GetLastProcess();
        manager.CheckReminders(db);
        passes += manager.GetLastProcess() != before ? 1 : 0;
    }
    EXPECT_EQ(600 / passes, numbers.at(said[0].first));
}
