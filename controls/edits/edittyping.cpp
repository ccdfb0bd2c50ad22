#include "controls/edits/edittyping.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "platform/sysutils.h"

namespace {

QChar FirstChar(const std::string& s) {
    QString q = QString::fromStdString(s);
    return q.isEmpty() ? QChar(' ') : q.front();
}

bool IsDigit(QChar c) {
    return c >= '0' && c <= '9';
}

bool IsHexLetter(QChar c) {
    return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// An ASCII letter or digit.
bool IsAlphaNumeric(QChar c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether a decimal number text ("12.5e-3", no sign) that lies outside the double range is
// tiny rather than huge: the power of ten of its first significant digit is negative.
bool BelowOne(std::string_view n) {
    const size_t e = std::min(n.find_first_of("eE"), n.size());
    long exponent = 0;
    bool negativeExponent = false;
    for (size_t i = e + 1; i < n.size(); ++i) {
        if (n[i] == '-')
            negativeExponent = true;
        else if (n[i] >= '0' && n[i] <= '9')
            exponent = std::min(exponent * 10 + (n[i] - '0'), 1000000L);
    }
    const std::string_view mantissa = n.substr(0, e);
    const size_t dot = std::min(mantissa.find('.'), mantissa.size());
    const size_t lead = mantissa.find_first_of("123456789");
    const long power =
        lead < dot ? static_cast<long>(dot - lead - 1) : -static_cast<long>(lead - dot);
    return power + (negativeExponent ? -exponent : exponent) < 0;
}

bool IsNumericType(TEnhEditType t) {
    return t == etNumeric || IsFloatType(t);
}

// The integer digits of a value: characters before the decimal separator, thousand
// separators and the sign left out.
int IntegerDigits(const QString& value, const TTypingSettings& s) {
    int n = 0;
    for (QChar c : value) {
        if (c == s.DecimalSeparator)
            break;
        if (c != s.ThousandSeparator && c != '-')
            ++n;
    }
    return n;
}

// Removes the selection, or the character before the caret, as Backspace does.
TEditState Backspaced(const TEditState& st) {
    TEditState r = st;
    if (st.SelLength > 0) {
        r.Text.remove(st.SelStart, st.SelLength);
        r.Caret = st.SelStart;
    } else if (st.Caret > 0) {
        r.Text.remove(st.Caret - 1, 1);
        r.Caret = st.Caret - 1;
    }
    r.SelStart = r.Caret;
    r.SelLength = 0;
    return r;
}

TTypeResult Drop(const TEditState& st) {
    TTypeResult r;
    r.Action = taDrop;
    r.State = st;
    return r;
}

// The platform edit takes the typed character c over the selection, or refuses it when the
// text would grow past MaxLength. The limit holds for what the user types only: the texts the
// rules set themselves (the sign, the money format, "0" before a separator) are kept whole.
TTypeResult Insert(const TEditState& st, QChar c, const TTypingSettings& s) {
    bool control = c == QChar(chBackspace) || c == QChar(chTab) || c == QChar(chEnter);
    if (!control && s.MaxLength > 0 && st.Text.size() - st.SelLength + 1 > s.MaxLength)
        return Drop(st);
    TTypeResult r;
    r.Action = taInsert;
    r.Char = c;
    r.State = c == QChar(chBackspace) ? Backspaced(st) : InsertText(st, QString(c));
    return r;
}

TTypeResult Set(const TEditState& st, bool modified) {
    TTypeResult r;
    r.Action = taSet;
    r.State = st;
    r.Modified = modified;
    return r;
}

// Puts a leading '-' on the value, or takes it off, moving the caret with it.
TTypeResult ToggleSign(const TEditState& st, const TTypingSettings& s) {
    TValueSpan v = ValueSpan(st.Text, s);
    TEditState r = st;
    if (v.Start < st.Text.size() && st.Text[v.Start] == '-' && v.Start < v.End) {
        r.Text.remove(v.Start, 1);
        r.Caret = std::max(v.Start, st.Caret - 1);
    } else {
        r.Text.insert(v.Start, '-');
        r.Caret = st.Caret + 1;
    }
    r.SelStart = r.Caret;
    r.SelLength = 0;
    return Set(r, true);
}

bool InSelection(const TEditState& st, int pos) {
    return st.SelLength > 0 && pos >= st.SelStart && pos < st.SelStart + st.SelLength;
}

// Digits typed into a float value that holds thousand separators must keep the groups of
// three: every group after the first has exactly three digits.
bool GroupsIntact(const QString& value, const TTypingSettings& s) {
    int dec = value.indexOf(s.DecimalSeparator);
    QString intPart = dec < 0 ? value : value.left(dec);
    if (!intPart.contains(s.ThousandSeparator))
        return true;
    const QStringList groups = intPart.split(s.ThousandSeparator);
    for (int i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3)
            return false;
    return !groups[0].isEmpty() && groups[0] != "-";
}

bool IsRangeMark(QChar c) {
    return c == ',' || c == '-' || c == ';';
}

TTypeResult TypeFloat(const TEditState& st, QChar ch, bool ctrl, const TTypingSettings& s) {
    TValueSpan v = ValueSpan(st.Text, s);
    QString value = st.Text.mid(v.Start, v.End - v.Start);
    bool money = s.EditType == etMoney;
    auto finish = [&](TTypeResult r) {
        if (money && r.Action != taDrop) {
            r.State = MoneyReformat(r.State, s);
            r.Action = taSet;
        }
        return r;
    };
    if (ch == QChar(chBackspace) || ch == QChar(chTab) || ch == QChar(chEnter))
        return finish(Insert(st, ch, s));
    if (ch == '-') {
        if (st.SelLength > 0)
            return finish(Insert(st, ch, s));
        return finish(ToggleSign(st, s));
    }
    if (ch == ',' || ch == '.') {
        if (ch != s.DecimalSeparator && ch != s.ThousandSeparator)
            return Drop(st);
        if (ch == s.ThousandSeparator && ch != s.DecimalSeparator)
            return finish(Insert(st, ch, s));
        if (s.Precision == 0)
            return Drop(st);
        int existing = st.Text.indexOf(s.DecimalSeparator, v.Start);
        if (existing >= 0 && existing < v.End && !InSelection(st, existing)) {
            if (s.Precision > 0)
                return Set(TEditState::At(st.Text, existing + 1), false);
            return Drop(st);
        }
        if (value.isEmpty() && st.Caret == v.Start) {
            TEditState r = st;
            r.Text.insert(v.Start, QString("0") + s.DecimalSeparator);
            r = TEditState::At(r.Text, v.Start + 2);
            return Set(r, true); // the decimal separator needs no money re-format
        }
        return Insert(st, ch, s);
    }
    if (IsDigit(ch)) {
        int dec = st.Text.indexOf(s.DecimalSeparator, v.Start);
        if (dec >= 0 && dec >= v.End)
            dec = -1;
        if (st.SelLength == 0 && dec >= 0 && st.Caret > dec && s.Precision > 0 &&
            v.End - dec - 1 >= s.Precision)
            return Drop(st);
        TTypeResult r = Insert(st, ch, s);
        if (!money && !GroupsIntact(ValueOf(r.State.Text, s), s))
            return Drop(st);
        return finish(r);
    }
    if (ctrl)
        return Insert(st, ch, s);
    return Drop(st);
}

} // namespace

void TTypingSettings::SetSeparators(const TFormatSettings& fs) {
    DecimalSeparator = FirstChar(fs.DecimalSeparator);
    ThousandSeparator = FirstChar(fs.ThousandSeparator);
}

TValueSpan ValueSpan(const QString& text, const TTypingSettings& s) {
    TValueSpan v{0, static_cast<int>(text.size())};
    if (!s.Prefix.isEmpty() && text.startsWith(s.Prefix))
        v.Start = s.Prefix.size();
    if (!s.Suffix.isEmpty() && text.size() - v.Start >= s.Suffix.size() && text.endsWith(s.Suffix))
        v.End = text.size() - s.Suffix.size();
    return v;
}

QString ValueOf(const QString& text, const TTypingSettings& s) {
    TValueSpan v = ValueSpan(text, s);
    return text.mid(v.Start, v.End - v.Start);
}

TEditState InsertText(const TEditState& st, const QString& text) {
    TEditState r = st;
    int at = st.Caret;
    if (st.SelLength > 0) {
        r.Text.remove(st.SelStart, st.SelLength);
        at = st.SelStart;
    }
    at = std::clamp(at, 0, static_cast<int>(r.Text.size()));
    r.Text.insert(at, text);
    r.Caret = at + text.size();
    r.SelStart = r.Caret;
    r.SelLength = 0;
    return r;
}

TTypeResult TypeChar(const TEditState& st, TTypedKey key, const TTypingSettings& s) {
    QChar ch = key.Char;
    TValueSpan v = ValueSpan(st.Text, s);
    if (s.ExcelStyleDecimalSeparator && key.Keypad && ch == '.')
        ch = s.DecimalSeparator;
    bool backspace = ch == QChar(chBackspace);
    if (backspace && st.SelLength == 0 && !s.Prefix.isEmpty() && v.Start > 0 && st.Caret <= v.Start)
        return Drop(st);
    if (s.LengthLimit > 0 && IsNumericType(s.EditType)) {
        QString value = st.Text.mid(v.Start, v.End - v.Start);
        int digits = IntegerDigits(value, s);
        int dec = value.indexOf(s.DecimalSeparator);
        bool beforeDec = dec < 0 || st.Caret - v.Start <= dec;
        if (digits >= s.LengthLimit && st.SelLength == 0 && beforeDec && !backspace &&
            ch != s.DecimalSeparator)
            return Drop(st);
        if (backspace && IntegerDigits(ValueOf(Backspaced(st).Text, s), s) > s.LengthLimit)
            return Drop(st);
    }
    if (key.Ctrl && ch == QChar(chLineFeed))
        return Drop(st);
    if (ch == '-' && IsNumericType(s.EditType) && !s.Signed)
        return Drop(st);

    bool control = backspace || ch == QChar(chTab) || ch == QChar(chEnter);
    TTypeResult r;
    switch (s.EditType) {
    case etString:
    case etPassword:
        r = Insert(st, ch, s);
        break;
    case etNumeric:
        if (IsDigit(ch) || control)
            r = Insert(st, ch, s);
        else if (ch == '-')
            r = ToggleSign(st, s);
        else if (key.Ctrl)
            r = Insert(st, ch, s);
        else
            return Drop(st);
        break;
    case etFloat:
    case etMoney:
        r = TypeFloat(st, ch, key.Ctrl, s);
        if (r.Action == taDrop)
            return r;
        break;
    case etUppercase:
        r = Insert(st, control ? ch : ch.toUpper(), s);
        break;
    case etLowerCase:
        r = Insert(st, control ? ch : ch.toLower(), s);
        break;
    case etMixedCase: {
        r = Insert(st, ch, s);
        if (r.Action == taDrop)
            return r;
        QString cased = MixedCase(r.State.Text);
        if (cased != r.State.Text) {
            r.State.Text = cased;
            r.Action = taSet;
        }
        break;
    }
    case etRange:
        if (IsDigit(ch) || control) {
            r = Insert(st, ch, s);
        } else if (IsRangeMark(ch)) {
            int at = st.SelLength > 0 ? st.SelStart : st.Caret;
            int after = st.SelLength > 0 ? st.SelStart + st.SelLength : st.Caret;
            if (at <= v.Start)
                return Drop(st);
            if (IsRangeMark(st.Text[at - 1]) || (after < v.End && IsRangeMark(st.Text[after])))
                return Drop(st);
            r = Insert(st, ch, s);
        } else {
            return Drop(st);
        }
        break;
    case etHex:
        if (control || ch == '-' || IsDigit(ch) || IsHexLetter(ch))
            r = Insert(st, ch, s);
        else
            return Drop(st);
        break;
    case etAlphaNumeric:
        if (backspace || ch == QChar(chEnter) || IsAlphaNumeric(ch))
            r = Insert(st, ch, s);
        else
            return Drop(st);
        break;
    case etValidChars:
        if (backspace || s.ValidChars.contains(ch))
            r = Insert(st, ch, s);
        else
            return Drop(st);
        break;
    }
    if (r.Action == taDrop)
        return r;
    if (s.TabOnFullLength && s.LengthLimit > 0) {
        TValueSpan nv = ValueSpan(r.State.Text, s);
        if (IntegerDigits(r.State.Text.mid(nv.Start, nv.End - nv.Start), s) >= s.LengthLimit &&
            r.State.SelLength == 0 && r.State.Caret - nv.Start == s.LengthLimit)
            r.PostTab = true;
    }
    return r;
}

TValueKind ClassifyValue(const QString& value, const TTypingSettings& s) {
    if (value.isEmpty() || value.count(s.DecimalSeparator) >= 2 || value.count('-') >= 2)
        return vkOther;
    bool integer = true, flt = true, hex = true;
    int lastSep = -1;
    for (int i = 0; i < value.size(); ++i) {
        QChar c = value[i];
        bool digit = IsDigit(c);
        if (!digit && c != '-')
            integer = false;
        if (!digit && c != ',' && c != '-' && c != '.')
            flt = false;
        if (c == s.ThousandSeparator && (c == ',' || c == '.')) {
            if (i == 0 || (lastSep >= 0 && i - lastSep <= 3))
                flt = false;
            lastSep = i;
        }
        if (!digit && c != '-' && !IsHexLetter(c))
            hex = false;
    }
    if (integer)
        return vkInteger;
    if (flt)
        return vkFloat;
    return hex ? vkHex : vkOther;
}

QString MixedCase(const QString& text) {
    static const QString breaks = " \"$()*,-./:[]\\";
    QString r = text;
    int n = r.size();
    for (int i = 0; i < n; ++i) {
        QChar c = r[i];
        if (!c.isLetter())
            continue;
        bool begins = i == 0 || breaks.contains(r[i - 1]);
        if (i == 2 && r.startsWith("Mc"))
            begins = true;
        if (i == 3 && r.startsWith("Mac"))
            begins = true;
        if (i >= 3 && r.mid(i - 3, 3) == " Mc")
            begins = true;
        if (i >= n - 3 && i >= 2 &&
            (r.mid(i - 2, 2) == " I" || (i >= 3 && r.mid(i - 3, 3) == " II")))
            begins = begins || c == 'I' || c == 'i';
        if (begins)
            r[i] = c.toUpper();
        else if (c >= 'A' && c <= 'Z')
            r[i] = c.toLower();
    }
    return r;
}

QString GroupThousands(const QString& digits, QChar sep) {
    int first = 0;
    while (first < digits.size() - 1 && digits[first] == '0')
        ++first;
    QString d = digits.mid(first);
    QString out;
    for (int i = 0; i < d.size(); ++i) {
        if (i > 0 && (d.size() - i) % 3 == 0)
            out += sep;
        out += d[i];
    }
    return out;
}

TEditState MoneyReformat(const TEditState& st, const TTypingSettings& s) {
    TValueSpan v = ValueSpan(st.Text, s);
    QString value = st.Text.mid(v.Start, v.End - v.Start);
    QString sign;
    if (value.startsWith('-')) {
        sign = "-";
        value.remove(0, 1);
    }
    int dec = value.indexOf(s.DecimalSeparator);
    QString fraction = dec >= 0 ? value.mid(dec) : QString();
    QString intText = dec >= 0 ? value.left(dec) : value;
    QString digits;
    for (QChar c : intText)
        if (IsDigit(c))
            digits += c;
    QString intPart;
    if (!digits.isEmpty())
        intPart = s.AutoThousandSeparator ? GroupThousands(digits, s.ThousandSeparator)
                                          : GroupThousands(digits, QChar()).remove(QChar());
    else if (!fraction.isEmpty())
        intPart = "0";
    QString text = st.Text.left(v.Start) + sign + intPart + fraction + st.Text.mid(v.End);
    int caret = std::clamp(st.Caret + static_cast<int>(text.size() - st.Text.size()), v.Start,
                           static_cast<int>(text.size()));
    return TEditState::At(text, caret);
}

double NumberOfText(const QString& text, const TTypingSettings& s) {
    QString t = text;
    t.remove(s.ThousandSeparator);
    t = t.trimmed();
    if (s.DecimalSeparator != '.') {
        if (t.contains('.'))
            throw EConvertError("'" + text.toStdString() + "' is not a valid floating point value");
        t.replace(s.DecimalSeparator, '.');
    }
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    if (!ok || t.isEmpty())
        throw EConvertError("'" + text.toStdString() + "' is not a valid floating point value");
    return v;
}

double LeadingNumber(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    const char* first = s.data();
    const char* last = first + s.size();
    bool negative = false;
    if (first != last && (*first == '-' || *first == '+')) {
        negative = *first == '-';
        ++first;
    }
    // Digits must lead: "inf", "nan" and the like are words here, not numbers.
    const char* digit = first != last && *first == '.' ? first + 1 : first;
    if (digit == last || !IsDigit(QChar(*digit)))
        return 0;
    double v = 0;
    auto [end, ec] = std::from_chars(first, last, v);
    if (ec == std::errc::result_out_of_range)
        v = BelowOne(std::string_view(first, end - first)) ? 0.0 : HUGE_VAL;
    return negative ? -v : v;
}

QString FormatNumber(double value, int precision, bool grouped, const TTypingSettings& s) {
    QString t = precision < 0 ? QLocale::c().toString(value, 'g', 15)
                              : QLocale::c().toString(value, 'f', precision);
    t.remove(','); // the C locale groups nothing, but keep the text plain regardless
    QString sign;
    if (t.startsWith('-')) {
        sign = "-";
        t.remove(0, 1);
    }
    int dot = t.indexOf('.');
    QString intPart = dot < 0 ? t : t.left(dot);
    QString frac = dot < 0 ? QString() : QString(s.DecimalSeparator) + t.mid(dot + 1);
    if (grouped && !intPart.contains('e'))
        intPart = GroupThousands(intPart, s.ThousandSeparator);
    return sign + intPart + frac;
}

QString NormalizeValue(const QString& v, const TTypingSettings& s) {
    QString r = v;
    bool numeric = IsNumericType(s.EditType) || s.EditType == etHex;
    if (r.isEmpty() && numeric)
        r = "0";
    if (s.Precision >= 1 && !r.isEmpty() && IsFloatType(s.EditType))
        r = FormatNumber(NumberOfText(r, s), s.Precision, s.EditType == etMoney, s);
    if (s.EditType == etHex)
        r = r.toUpper();
    return r;
}

std::optional<QString> PasteValue(const QString& wouldBe, const QString& pasted,
                                  const TTypingSettings& s) {
    switch (s.EditType) {
    case etString:
    case etPassword:
    case etRange:
    case etHex:
        return wouldBe;
    case etNumeric:
        if (ClassifyValue(wouldBe, s) != vkInteger || (!s.Signed && wouldBe.contains('-')))
            return std::nullopt;
        return wouldBe;
    case etFloat:
    case etMoney: {
        TValueKind k = ClassifyValue(wouldBe, s);
        if ((k != vkInteger && k != vkFloat) || (!s.Signed && wouldBe.contains('-')))
            return std::nullopt;
        if (s.Precision == 0 && pasted.contains(s.DecimalSeparator))
            return std::nullopt;
        double n = 0;
        try {
            n = NumberOfText(wouldBe, s);
        } catch (const EConvertError&) {
            return std::nullopt;
        }
        return FormatNumber(n, s.Precision, s.EditType == etMoney && s.AutoThousandSeparator, s);
    }
    case etUppercase:
        return wouldBe.toUpper();
    case etLowerCase:
        return wouldBe.toLower();
    case etMixedCase:
        return MixedCase(wouldBe);
    case etAlphaNumeric:
        if (!std::all_of(wouldBe.begin(), wouldBe.end(), IsAlphaNumeric))
            return std::nullopt;
        return wouldBe;
    case etValidChars:
        for (QChar c : wouldBe)
            if (!s.ValidChars.contains(c))
                return std::nullopt;
        return wouldBe;
    }
    return std::nullopt;
}

bool IsURL(const QString& value) {
    return value.contains("://") || value.indexOf('@') >= 1 || value.toLower().startsWith("www.");
}
