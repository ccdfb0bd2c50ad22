#pragma once
// The typing rules of the enhanced edit as plain functions of the edit's state (window text,
// caret, selection), the typed character and the settings, so that they run without a window.
// Positions count UTF-16 units of the window text (as QLineEdit does), 0-based.

#include <QChar>
#include <QString>
#include <optional>

#include "platform/formatsettings.h"

enum TEnhEditType {
    etString,
    etNumeric,
    etFloat,
    etUppercase,
    etMixedCase,
    etLowerCase,
    etPassword,
    etMoney,
    etRange,
    etHex,
    etAlphaNumeric,
    etValidChars
};

// The types whose value carries decimals (Precision applies to them).
inline bool IsFloatType(TEnhEditType t) {
    return t == etFloat || t == etMoney;
}

// The kind of a value text (integer wins over float, float over hexadecimal).
enum TValueKind { vkInteger, vkFloat, vkHex, vkOther };

// What the typing rules read from the edit's properties and the locale.
struct TTypingSettings {
    TEnhEditType EditType = etString;
    bool Signed = false;
    int Precision = 0;
    int LengthLimit = 0;
    bool TabOnFullLength = false;
    bool AutoThousandSeparator = true;
    bool ExcelStyleDecimalSeparator = false;
    int MaxLength = 0; // the window text a typed character may grow to; 0: no limit
    QString Prefix, Suffix, ValidChars;
    QChar DecimalSeparator = '.';
    QChar ThousandSeparator = ',';

    // The two separators of fs (their first character; a missing one becomes a blank).
    void SetSeparators(const TFormatSettings& fs);
};

// The window text and where the caret and the selection stand. With SelLength 0 the
// selection is empty and SelStart equals Caret.
struct TEditState {
    QString Text;
    int Caret = 0;
    int SelStart = 0;
    int SelLength = 0;

    static TEditState At(const QString& text, int caret) { return {text, caret, caret, 0}; }
    bool operator==(const TEditState&) const = default;
};

// Where the value stands inside the window text: after the prefix (when the text begins with
// it) and before the suffix (when the text ends with it).
struct TValueSpan {
    int Start = 0, End = 0;
};
TValueSpan ValueSpan(const QString& windowText, const TTypingSettings& s);
// The value part of a window text.
QString ValueOf(const QString& windowText, const TTypingSettings& s);

enum TTypeAction {
    taDrop,   // the character is swallowed; nothing changes
    taInsert, // the platform edit inserts Char (replacing the selection) or, for Backspace,
              // deletes; State holds the outcome
    taSet     // the edit takes State as it stands
};

struct TTypeResult {
    TTypeAction Action = taDrop;
    QChar Char;            // the character to insert (after case conversion) for taInsert
    TEditState State;      // the state after the character
    bool Modified = false; // the rule marks the edit modified by itself
    bool PostTab = false;  // the value reached its full length: the focus moves on
};

// Special characters as the rules see them.
constexpr char16_t chBackspace = 8, chTab = 9, chLineFeed = 10, chEnter = 13, chEsc = 27;

// Extra facts about a typed character: whether a Ctrl key was held and whether it came from
// the numeric keypad.
struct TTypedKey {
    QChar Char;
    bool Ctrl = false;
    bool Keypad = false;
};

// Applies the typing rules to one character (Backspace, Tab and Enter included). Never
// raises; the outcome tells the edit what to do.
TTypeResult TypeChar(const TEditState& state, TTypedKey key, const TTypingSettings& s);

// The state after inserting text over the selection (or at the caret); the caret ends behind
// the inserted text, nothing selected.
TEditState InsertText(const TEditState& state, const QString& text);

// Classifies a value: integer (only '-' and digits), float (digits ',' '-' '.', thousand
// separators at least three digits apart and not first), hexadecimal, or other (empty, two
// decimal separators or two '-').
TValueKind ClassifyValue(const QString& value, const TTypingSettings& s);

// Re-cases a text: a letter that begins a word is upper-cased, other letters A-Z lower-cased
// ("Mc", "Mac" and inner " Mc" names and trailing " I"/" II" keep their capitals).
QString MixedCase(const QString& text);

// The money re-format of a window text: sign, integer part with thousand separators (with
// AutoThousandSeparator) and the fraction as typed. The caret moves by the change in length;
// nothing is selected afterwards.
TEditState MoneyReformat(const TEditState& state, const TTypingSettings& s);

// The digits of an integer number grouped by three with sep ("1234567" -> "1,234,567");
// leading zeros are dropped ("" stays "").
QString GroupThousands(const QString& digits, QChar sep);

// The number of a text: thousand separators removed, the decimal separator read, blanks
// around allowed. Raises EConvertError for malformed text.
double NumberOfText(const QString& text, const TTypingSettings& s);
// The leading number of a text in the fixed notation ('.' as decimal point, whatever the C
// locale): sign, digits, fraction and exponent; 0 when the text does not begin with one
// ("inf" and "nan" are not numbers). Beyond the double range: infinity or 0. Never raises.
double LeadingNumber(const QString& text);

// A number as text: "%.<precision>f" (precision < 0: the general "%g" form), with the
// settings' decimal separator; thousands grouped when grouped is set.
QString FormatNumber(double value, int precision, bool grouped, const TTypingSettings& s);

// The text a Text assignment gives the value v: "0" for an empty numeric value, the number
// formatted with Precision for etMoney and etFloat, upper case for etHex. Malformed numbers
// for etMoney and etFloat raise EConvertError.
QString NormalizeValue(const QString& v, const TTypingSettings& s);

// The value a paste would leave (the value with the selection replaced by pasted), or none
// when the rules refuse it. The type's conversion (re-casing, number rewrite) is applied.
std::optional<QString> PasteValue(const QString& wouldBe, const QString& pasted,
                                  const TTypingSettings& s);

// The address test: the value contains "://", or an '@' after its first character, or
// begins with "www." (any case).
bool IsURL(const QString& value);
