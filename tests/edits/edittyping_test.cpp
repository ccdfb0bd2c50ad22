// The typing rules, case by case, without a window. States are written with the caret as '|'
// and a selection as "[...]" (caret at its end).
#include <gtest/gtest.h>

#include <QProcess>
#include <clocale>
#include <cmath>

#include "controls/edits/edittyping.h"
#include "platform/sysutils.h"
#include "testutil.h"

namespace {

TEditState Parse(const std::string& marked) {
    QString m = QString::fromStdString(marked);
    TEditState st;
    int bar = m.indexOf('|');
    int open = m.indexOf('[');
    if (open >= 0) {
        int close = m.indexOf(']');
        st.Text = m.left(open) + m.mid(open + 1, close - open - 1) + m.mid(close + 1);
        st.SelStart = open;
        st.SelLength = close - open - 1;
        st.Caret = open + st.SelLength;
    } else {
        st.Text = m.left(bar) + m.mid(bar + 1);
        st.Caret = st.SelStart = bar;
    }
    return st;
}

std::string Show(const TEditState& st) {
    QString t = st.Text;
    if (st.SelLength > 0) {
        t.insert(st.SelStart + st.SelLength, ']');
        t.insert(st.SelStart, '[');
    } else {
        t.insert(st.Caret, '|');
    }
    return t.toStdString();
}

std::string Type(const TTypingSettings& s, const std::string& before, QChar ch, bool ctrl = false) {
    TTypeResult r = TypeChar(Parse(before), {ch, ctrl, false}, s);
    return r.Action == taDrop ? "dropped" : Show(r.State);
}

TTypingSettings Of(TEnhEditType t) {
    TTypingSettings s;
    s.EditType = t;
    return s;
}

struct Case {
    const char* before;
    char16_t ch;
    const char* after;
};

void Check(const TTypingSettings& s, std::initializer_list<Case> cases, const char* what) {
    for (const Case& c : cases)
        EXPECT_EQ(Type(s, c.before, QChar(c.ch)), c.after)
            << what << ": typing '" << QString(QChar(c.ch)).toStdString() << "' into " << c.before;
}

} // namespace

TEST(EditTyping, NumericAcceptsDigitsAndTogglesTheSign) {
    TTypingSettings s = Of(etNumeric);
    Check(s,
          {{"12|", '3', "123|"},
           {"12|", 'a', "dropped"},
           {"12|", '.', "dropped"},
           {"12|", '-', "dropped"}, // unsigned
           {"1|2", chBackspace, "|2"},
           {"[12]", '7', "7|"}},
          "unsigned");
    s.Signed = true;
    Check(s, {{"12|", '-', "-12|"}, {"-1|2", '-', "1|2"}, {"|", '-', "-|"}}, "signed");
    // Other characters only with Ctrl held.
    EXPECT_EQ(Type(s, "1|", 'x', true), "1x|");
}

TEST(EditTyping, FloatDecimalSeparatorAndPrecision) {
    TTypingSettings s = Of(etFloat);
    s.Precision = 2;
    Check(s,
          {{"3|", '.', "3.|"},
           {"3.1|4", '.', "3.|14"},   // a second separator jumps behind the first
           {"3.14|", '5', "dropped"}, // precision reached
           {"3|.14", '5', "35|.14"},  // the integer part still takes digits
           {"[3.14]", '.', ".|"},     // the selection held the only separator
           {"|", '.', "0.|"},         // a zero goes in front of a leading separator
           {"3|", ',', "3,|"},        // the thousand separator is a float character
           {"3|", ';', "dropped"}},
          "precision 2");
    // A selection holding the separator may be replaced by it.
    EXPECT_EQ(Type(s, "3[.1]4", '.'), "3.|4");
    s.Precision = 0;
    EXPECT_EQ(Type(s, "3|", '.'), "dropped");
    // Digits that would break the groups of three are refused.
    s.Precision = 2;
    EXPECT_EQ(Type(s, "1,23|4", '5'), "dropped");
    EXPECT_EQ(Type(s, "1,234|", '5'), "dropped");
    EXPECT_EQ(Type(s, "1|,234", '5'), "15|,234");
}

TEST(EditTyping, FloatWithCommaAsDecimalSeparator) {
    TTypingSettings s = Of(etFloat);
    s.Precision = 2;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    Check(s, {{"3|", ',', "3,|"}, {"3,5|", ',', "3,|5"}, {"3,50|", '1', "dropped"}},
          "comma locale");
}

TEST(EditTyping, MoneyRegroupsAfterEveryDigit) {
    TTypingSettings s = Of(etMoney);
    s.Precision = 2;
    std::string st = "|";
    for (char c : std::string("1234567"))
        st = Type(s, st, QChar(c));
    EXPECT_EQ(st, "1,234,567|");
    EXPECT_EQ(Type(s, "1,234,567|", '.'), "1,234,567.|");
    EXPECT_EQ(Type(s, "12|", '.'), "12.|");
    // Deleting a digit regroups as well.
    EXPECT_EQ(Type(s, "1,23|4", chBackspace), "12|4");
    s.AutoThousandSeparator = false;
    EXPECT_EQ(Type(s, "123|", '4'), "1234|");
}

TEST(EditTyping, CaseTypes) {
    Check(Of(etUppercase), {{"ab|", 'c', "abC|"}, {"|", QChar(0xE9).unicode(), "\xC3\x89|"}},
          "upper");
    Check(Of(etLowerCase), {{"AB|", 'C', "ABc|"}}, "lower");
    Check(Of(etMixedCase),
          {{"john|", ' ', "John |"}, {"john |", 's', "John S|"}, {"JOH|", 'N', "John|"}}, "mixed");
    EXPECT_EQ(MixedCase("mcdonald"), "McDonald");
    EXPECT_EQ(MixedCase("macarthur"), "MacArthur");
    EXPECT_EQ(MixedCase("henry viii"), "Henry Viii"); // no " I" among the last three
    EXPECT_EQ(MixedCase("john smith ii"), "John Smith II");
    EXPECT_EQ(MixedCase("o'neil-smith (jr.)"), "O'neil-Smith (Jr.)");
}

TEST(EditTyping, RangeHexAlphaNumericValidChars) {
    Check(Of(etRange),
          {{"1|", '-', "1-|"},
           {"|", ',', "dropped"},   // not at the start
           {"1-|", ';', "dropped"}, // not next to another mark
           {"1|;2", ',', "dropped"},
           {"1|", 'x', "dropped"}},
          "range");
    Check(Of(etHex), {{"|", 'f', "f|"}, {"A|", 'g', "dropped"}, {"|", '-', "-|"}}, "hex");
    Check(Of(etAlphaNumeric), {{"a|", '1', "a1|"}, {"a|", '-', "dropped"}, {"a|", ' ', "dropped"}},
          "alphanumeric");
    TTypingSettings v = Of(etValidChars);
    v.ValidChars = "xyz";
    Check(v, {{"|", 'x', "x|"}, {"x|", 'a', "dropped"}, {"x|", chBackspace, "|"}}, "valid chars");
}

TEST(EditTyping, PrefixAndSuffixGuardTheValue) {
    TTypingSettings s = Of(etNumeric);
    s.Prefix = "$";
    s.Suffix = " kg";
    EXPECT_EQ(Type(s, "$|12 kg", chBackspace), "dropped");
    EXPECT_EQ(Type(s, "$1|2 kg", chBackspace), "$|2 kg");
    EXPECT_EQ(ValueOf("$12 kg", s), "12");
    s.Signed = true;
    EXPECT_EQ(Type(s, "$12| kg", '-'), "$-12| kg");
}

TEST(EditTyping, LengthLimitAndTabOnFullLength) {
    TTypingSettings s = Of(etFloat);
    s.Precision = 2;
    s.LengthLimit = 3;
    Check(s,
          {{"123|", '4', "dropped"},
           {"123|", '.', "123.|"},
           {"123.|", '4', "123.4|"},
           {"12|", '3', "123|"},
           {"12,345|", chBackspace, "dropped"}, // still longer than the limit afterwards
           {"1,234|", chBackspace, "1,23|"}},
          "limit 3");
    s.TabOnFullLength = true;
    TTypeResult r = TypeChar(Parse("12|"), {'3'}, s);
    EXPECT_TRUE(r.PostTab);
    EXPECT_FALSE(TypeChar(Parse("1|"), {'2'}, s).PostTab);
}

TEST(EditTyping, MaxLengthTakesTheLastCharacterExactly) {
    TTypingSettings s = Of(etString);
    s.MaxLength = 3;
    Check(s,
          {{"ab|", 'c', "abc|"},
           {"abc|", 'd', "dropped"},
           {"a[bc]", 'd', "ad|"}, // replacing a selection does not grow the text
           {"abc|", chBackspace, "ab|"}},
          "max length 3");
    // The decimal separator typed where the value has one only moves the caret.
    TTypingSettings f = Of(etFloat);
    f.Precision = 2;
    TTypeResult r = TypeChar(Parse("3|.14"), {'.'}, f);
    EXPECT_EQ(Show(r.State), "3.|14");
    EXPECT_FALSE(r.Modified);
}

TEST(EditTyping, MaxLengthLimitsTheTypedCharacterNotTheFormat) {
    TTypingSettings m = Of(etMoney);
    m.Signed = true;
    m.MaxLength = 5;
    Check(m,
          {{"123|", '4', "1,234|"},    // four typed characters, five once grouped
           {"1,234|", '5', "dropped"}, // the platform edit has no room for it
           {"12|", '3', "123|"},
           {"1,234|", '-', "-1,234|"}},
          "money, max length 5");
    TTypingSettings f = Of(etFloat);
    f.Precision = 2;
    f.Signed = true;
    f.MaxLength = 1;
    Check(f, {{"|", '.', "0.|"}, {"7|", '-', "-7|"}}, "float, max length 1");
}

TEST(EditTyping, ExcelStyleKeypadDecimal) {
    TTypingSettings s = Of(etFloat);
    s.Precision = 2;
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    s.ExcelStyleDecimalSeparator = true;
    TTypeResult r = TypeChar(Parse("3|"), {'.', false, true}, s);
    EXPECT_EQ(Show(r.State), "3,|");
    // Off the keypad '.' is the thousand separator.
    EXPECT_EQ(Show(TypeChar(Parse("3|"), {'.', false, false}, s).State), "3.|");
}

TEST(EditTyping, ClassifyValues) {
    TTypingSettings s;
    EXPECT_EQ(ClassifyValue("-123", s), vkInteger);
    EXPECT_EQ(ClassifyValue("1,234.5", s), vkFloat);
    EXPECT_EQ(ClassifyValue(",234", s), vkOther); // separator first: no float, not hex
    EXPECT_EQ(ClassifyValue("1,23,4", s), vkOther);
    EXPECT_EQ(ClassifyValue("1F", s), vkHex);
    EXPECT_EQ(ClassifyValue("1.2.3", s), vkOther);
    EXPECT_EQ(ClassifyValue("--1", s), vkOther);
    EXPECT_EQ(ClassifyValue("", s), vkOther);
}

TEST(EditTyping, PasteRulesByType) {
    TTypingSettings s = Of(etNumeric);
    EXPECT_FALSE(PasteValue("12a", "2a", s));
    EXPECT_FALSE(PasteValue("-12", "-1", s));
    EXPECT_EQ(*PasteValue("123", "3", s), "123");
    EXPECT_FALSE(PasteValue("ab-c", "-", Of(etAlphaNumeric)));
    EXPECT_EQ(*PasteValue("any thing!", "x", Of(etString)), "any thing!");
    EXPECT_EQ(*PasteValue("big mac", "x", Of(etMixedCase)), "Big Mac");
    TTypingSettings f = Of(etFloat);
    EXPECT_FALSE(PasteValue("1.5", "1.5", f)); // Precision 0 takes no decimal separator
    f.Precision = 2;
    EXPECT_EQ(*PasteValue("1.5", "1.5", f), "1.50");
    TTypingSettings m = Of(etMoney);
    m.Precision = 2;
    EXPECT_EQ(*PasteValue("1234567", "1234567", m), "1,234,567.00");
}

TEST(EditTyping, NumbersAndValues) {
    TTypingSettings s = Of(etMoney);
    EXPECT_DOUBLE_EQ(NumberOfText("1,234.5", s), 1234.5);
    EXPECT_THROW(NumberOfText("12x", s), EConvertError);
    EXPECT_THROW(NumberOfText("", s), EConvertError);
    EXPECT_DOUBLE_EQ(LeadingNumber("12.5 apples"), 12.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("apples"), 0);
    EXPECT_EQ(GroupThousands("0001234", ','), "1,234");
    EXPECT_EQ(NormalizeValue("", Of(etNumeric)), "0");
    EXPECT_EQ(NormalizeValue("", Of(etString)), "");
    EXPECT_EQ(NormalizeValue("ff", Of(etHex)), "FF");
    TTypingSettings f = Of(etFloat);
    f.Precision = 2;
    EXPECT_EQ(NormalizeValue("3", f), "3.00");
    s.Precision = 2;
    EXPECT_EQ(NormalizeValue("1234.5", s), "1,234.50");
}

// Sets LC_NUMERIC, for its lifetime, to a locale with ',' as decimal point that localedef
// compiles from an ASCII charmap and an LC_NUMERIC section of its own, so that neither
// installed locales nor locale sources are needed.
class CommaDecimalNumbers {
public:
    CommaDecimalNumbers() {
        std::string charmap = "<code_set_name> ANSI_X3.4-1968\n<escape_char> /\nCHARMAP\n";
        for (int c = 0; c < 128; ++c)
            charmap += Format("<U%04X> /x%02x\n", c, c);
        WriteFileBytes(dir_.File("charmap"), charmap + "END CHARMAP\n");
        WriteFileBytes(dir_.File("source"), "LC_NUMERIC\ndecimal_point \"<U002C>\"\n"
                                            "thousands_sep \"<U002E>\"\ngrouping 3\n"
                                            "END LC_NUMERIC\n");
        // It warns of the categories left out and ends with 1; the locale is written all the same.
        QProcess localedef;
        localedef.start("localedef", {"-f", QString::fromStdString(dir_.File("charmap")), "-i",
                                      QString::fromStdString(dir_.File("source")),
                                      QString::fromStdString(dir_.File("comma"))});
        localedef.waitForFinished();
        saved_ = std::setlocale(LC_NUMERIC, nullptr);
        ScopedEnv path("LOCPATH", dir_.Path().c_str());
        active_ = std::setlocale(LC_NUMERIC, "comma") && *std::localeconv()->decimal_point == ',';
    }
    ~CommaDecimalNumbers() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    bool Active() const { return active_; }

private:
    TempDir dir_;
    std::string saved_;
    bool active_ = false;
};

TEST(EditTyping, LeadingNumberIgnoresTheCLocale) {
    CommaDecimalNumbers comma;
    if (!comma.Active())
        GTEST_SKIP() << "localedef could not make a locale with ',' as decimal point";
    EXPECT_DOUBLE_EQ(LeadingNumber(" 3.5 apples"), 3.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("-1.25e2kg"), -125);
    EXPECT_DOUBLE_EQ(LeadingNumber("3,5"), 3);
}

TEST(EditTyping, LeadingNumberTakesDecimalNumbersOnly) {
    EXPECT_DOUBLE_EQ(LeadingNumber("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("0x1A"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("information"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("nan"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("-1e999"), -HUGE_VAL);
    EXPECT_EQ(LeadingNumber("0.5e309"), HUGE_VAL);
    EXPECT_EQ(LeadingNumber("1e-999"), 0);
    EXPECT_EQ(LeadingNumber("0.0001e-320"), 0);
}

TEST(EditTyping, AddressTest) {
    EXPECT_TRUE(IsURL("http://example.org"));
    EXPECT_TRUE(IsURL("mailto:someone@example.org"));
    EXPECT_TRUE(IsURL("WWW.example.org"));
    EXPECT_FALSE(IsURL("@home"));
    EXPECT_FALSE(IsURL("plain text"));
}
