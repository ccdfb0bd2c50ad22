#include <QApplication>
#include <QFontMetrics>
#include <QTextLayout>
#include <gtest/gtest.h>

#include "guardedtext.h"
#include "platform/gui/textfit.h"
#include "platform/sysutils.h"

TEST(TextFit, MeasuresAndReadsNoMoreThanCanShow) {
    const TGuardedText huge(64 * 1024);
    qsizetype measured = 0;
    const TTextWidth counted = [&](QStringView s) {
        measured += s.size();
        return int(s.size() - s.count(u'z')) * 7; // 'z' has no width
    };
    const QString kept(39, 'x'); // 300 px less 21 for "..."
    EXPECT_EQ(FirstLineToWidth(counted, {huge.View()}, 300), kept + "...");
    EXPECT_EQ(FirstLineToWidth(counted, {"in 9 min: ", huge.View()}, 300),
              "in 9 min: " + QString(29, 'x') + "...");
    const QString line(42, 'x');
    EXPECT_EQ(WrapToLines(counted, huge.View(), 300, 3), QStringList({line, line, kept + "..."}));
    EXPECT_EQ(LimitHintLines(huge.View()), std::string(HintMaxLineChars, 'x') + "...");
    EXPECT_EQ(Utf8Prefix(huge.View(), 5), "xxxxx");
    const QString wide(10'000'000, 'x');
    EXPECT_EQ(ElideToWidth(counted, wide, 300), kept + "...");
    EXPECT_EQ(ElideToWidth(counted, wide, 300, true), "..." + kept);
    EXPECT_LT(measured, 20'000);
    // Widths up to a limit measure a few hundred of the ten million characters.
    measured = 0;
    EXPECT_GT(MeasureUpTo(counted, wide, 300).Width, 300);
    EXPECT_GT(MeasureUpTo(counted, wide, 300, true).Width, 300);
    EXPECT_EQ(TextWidthUpTo(counted, wide, 1000), 1000);
    EXPECT_LT(measured, 3'000);
    const QFontMetrics fm(QApplication::font());
    const std::string cut = FirstLineToWidth(TextWidthOf(fm), {huge.View()}, 200).toStdString();
    EXPECT_EQ(cut.substr(cut.size() - 4), "x...");

    // Characters of no width: the part measured doubles until the rest shows.
    const QString zeros(1000, 'z');
    EXPECT_EQ(ElideToWidth(counted, zeros + "xxxx", 28), zeros + "xxxx");
    EXPECT_EQ(FirstLineToWidth(counted, {(zeros + "xxxxxx").toStdString()}, 35), zeros + "xx...");
    EXPECT_EQ(ElideToWidth(counted, "xxxxxx" + zeros, 35, true), "...xx" + zeros);
    EXPECT_EQ(FirstLineToWidth(counted, {""}, 0), "");
    EXPECT_EQ(FirstLineToWidth(counted, {"x"}, -1), "...");
}

TEST(TextFit, CutsBetweenCharactersAtLineBreaksAndBlanks) {
    const TTextWidth w = [](QStringView s) { return int(s.size()) * 7; };
    // An accent with its letter, a character outside the basic plane (a surrogate pair).
    EXPECT_EQ(FirstLineToWidth(w, {"ab\u0301cdef"}, 40), "a...");
    EXPECT_EQ(FirstLineToWidth(w, {"x\U0001F600yzw"}, 35), "x...");
    EXPECT_EQ(ElideToWidth(w, u"wzy\U0001F600x", 35, true), "...x");
    // One line: its line break ends it.
    EXPECT_EQ(FirstLineToWidth(w, {"Buy milk\nand bread"}, 1000), "Buy milk...");
    EXPECT_EQ(FirstLineToWidth(w, {"Buy milk\r\n"}, 1000), "Buy milk");

    // Lines of 10 characters: at blanks, inside words longer than a line, at line breaks.
    EXPECT_EQ(WrapToLines(w, "The quick brown fox jumps", 70, 3),
              QStringList({"The quick", "brown fox", "jumps"}));
    EXPECT_EQ(WrapToLines(w, "The quick brown fox jumps", 70, 2),
              QStringList({"The quick", "brown f..."}));
    EXPECT_EQ(WrapToLines(w, "abcdefghijkl", 35, 3), QStringList({"abcde", "fghij", "kl"}));
    EXPECT_EQ(WrapToLines(w, "one\ntwo\nthree\nfour", 70, 3),
              QStringList({"one", "two", "three..."}));

    // Hints: so many lines, so many characters a line.
    EXPECT_EQ(LimitHintLines("a\n\rb\n\rc\n\rd", 2, 10), "a\n\rb\n\r...");
    EXPECT_EQ(LimitHintLines("short\nlonger line\nlast", 5, 6), "short\nlonger...");
    EXPECT_EQ(LimitHintLines("a\nb"), "a\nb");
}

// A part measured ends between characters, from either end: never inside a surrogate pair.
TEST(TextFit, MeasuresUpToAWidthInWholeCharacters) {
    const TTextWidth w = [](QStringView s) { return int(s.size()) * 10; };
    const QString smiles = "ab" + QStringView(u"\U0001F600").toString().repeated(40);
    EXPECT_EQ(MeasureUpTo(w, smiles, 30).Length, 60);
    EXPECT_EQ(MeasureUpTo(w, smiles, 30, true).Length, 62);
    EXPECT_EQ(MeasureUpTo(w, u"abc", 30).Length, 3);
    EXPECT_EQ(TextWidthUpTo(w, smiles, 50), 50);
    EXPECT_EQ(TextWidthUpTo(w, u"abc", 50), 30);
}

TEST(TextFit, WrapsWhereALabelWrapsLongWordsAsAsked) {
    const TTextWidth w = [](QStringView s) { return int(s.size()) * 7; };
    // After a hyphen as after a blank; blank lines at the end are no text that follows.
    EXPECT_EQ(WrapToLines(w, "well-known fact", 49, 3), QStringList({"well-", "known", "fact"}));
    EXPECT_EQ(WrapToLines(w, "one\ntwo\n\n", 70, 2), QStringList({"one", "two"}));

    const std::string text = "ab verylongword cd";
    const TWrappedText over = WrapText(w, text, 35, 5, TLongWords::Overflow);
    EXPECT_EQ(over.Lines, QStringList({"ab", "verylongword", "cd"}));
    EXPECT_EQ(over.Kept.toStdString(), text);
    const TWrappedText broken = WrapText(w, text, 35, 5, TLongWords::Break);
    EXPECT_EQ(broken.Lines, QStringList({"ab", "veryl", "ongwo", "rd cd"}));
    EXPECT_EQ(broken.Kept, "ab veryl\nongwo\nrd cd");
    const TWrappedText cut = WrapText(w, text, 35, 2, TLongWords::Break);
    EXPECT_EQ(cut.Kept, "ab ve...");
    EXPECT_TRUE(cut.More);
}

// Measured in the font, the lines are those Qt's layout makes of the text, and the text kept
// is laid out by Qt into those lines again: a box or cell shows what was fitted.
TEST(TextFit, WrapsIntoTheLinesQtLaysOut) {
    auto laidOut = [](const QString& text, const QFont& font, int width) {
        QStringList lines;
        QTextLayout layout(QString(text).replace(u'\n', QChar::LineSeparator), font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << text.mid(line.textStart(), line.textLength());
            while (!lines.back().isEmpty() && lines.back().back().isSpace())
                lines.back().chop(1);
        }
        layout.endLayout();
        return lines;
    };
    const QString texts[] = {
        "Call the dentist  ! about moving (the) appointment to a/b later week, and ask about it",
        "Buy milk\n   well-known co-op at 12:30 for $5 \"quote\" Übersee über / a/b/c/d/e/f",
        "verylongwordwithoutanybreaks and more/text after it"};
    QFont font = QApplication::font();
    for (bool italic : {false, true}) {
        font.setItalic(italic);
        const QFontMetricsF metrics(font);
        for (const QString& text : texts)
            for (int width = 20; width < 300; width += 7) {
                EXPECT_EQ(
                    WrapText(TextWidthOf(metrics), text, width, 100, TLongWords::Overflow).Lines,
                    laidOut(text, font, width))
                    << width << " " << text.toStdString();
                const TWrappedText cut =
                    WrapText(TextWidthOf(metrics), text, width, 3, TLongWords::Break);
                EXPECT_EQ(laidOut(cut.Kept, font, width), cut.Lines) << width;
            }
    }
}

TEST(TextFit, FirstLineInTheApplicationsFont) {
    QFontMetrics fm(QApplication::font());
    const auto EllipsizeToWidth = [](std::string_view text, int width, const QFontMetrics& fm) {
        return FirstLineToWidth(TextWidthOf(fm), {text}, width).toStdString();
    };
    std::string text = "Call the dentist about the appointment";
    EXPECT_EQ(EllipsizeToWidth(text, fm.horizontalAdvance(QString::fromStdString(text)), fm), text);
    int width = fm.horizontalAdvance("Call the de...");
    std::string shortened = EllipsizeToWidth(text, width, fm);
    EXPECT_EQ(shortened, "Call the de...");
    EXPECT_EQ(EllipsizeToWidth(text, 1, fm), "...");
    EXPECT_EQ(EllipsizeToWidth("", 0, fm), "");
    // Whole characters only: a multi-byte character is never cut.
    std::string umlauts = "Grüße über Übersee";
    std::string cut = EllipsizeToWidth(umlauts, fm.horizontalAdvance("Grüß..."), fm);
    EXPECT_EQ(cut, "Grüß...");
}
