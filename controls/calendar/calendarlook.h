#pragma once
// The look of a month calendar that a calendar group hands to its calendars, the browse-button
// bitmaps, the eleven colour presets and the colour scheme they are picked from.

#include <QImage>
#include <functional>
#include <string>

#include "controls/calendar/calendartypes.h"

// Colours and looks a calendar group copies into each of its calendars. Defaults are those of
// a single calendar.
struct TCalendarAppearance {
    TAgendaCalendarLook Look = lookFlat;
    std::string WeekName;
    TColor TextColor = clBlack;
    TColor CaptionColor = clNone;
    TColor SelectColor = clTeal;
    TColor SelectFontColor = clWhite;
    TColor InActiveColor = clGray;
    TColor HeaderColor = clNone;
    TColor CaptionTextColor = clBlack;
    TColor FocusColor = clHighlight;
    TColor InversColor = clTeal;
    TColor WeekendColor = clRed;
    TColor LineColor = clGray;
    bool Line3D = true;
    TColor GradientStartColor = clWhite;
    TColor GradientEndColor = clBtnFace;
    TGradientDirection GradientDirection = gdVertical;
    TColor MonthGradientStartColor = clNone;
    TColor MonthGradientEndColor = clNone;
    TGradientDirection MonthGradientDirection = gdHorizontal;
    std::string HintPrevYear, HintPrevMonth, HintNextMonth, HintNextYear;
    TColor DateSelectColor = clTeal;
    TColor DateHoverColor = clNone;
    TColor DateDownColor = clNone;
    TTodayStyle TodayStyle = tsSunken;
    bool operator==(const TCalendarAppearance&) const = default;
};

// The appearance properties of a control that keeps a TCalendarAppearance; a changed value
// calls Derived::AppearanceChanged() (the calendar repaints, the group hands it on).
template <class Derived> class TAppearanceProperties {
public:
    const TCalendarAppearance& Appearance() const { return look_; }
    void SetAppearance(const TCalendarAppearance& v) { Set(look_, v); }
    TAgendaCalendarLook Look() const { return look_.Look; }
    void SetLook(TAgendaCalendarLook v) { Set(look_.Look, v); }
    const std::string& WeekName() const { return look_.WeekName; }
    void SetWeekName(const std::string& v) { Set(look_.WeekName, v); }
    TColor TextColor() const { return look_.TextColor; }
    void SetTextColor(TColor v) { Set(look_.TextColor, v); }
    TColor CaptionColor() const { return look_.CaptionColor; }
    void SetCaptionColor(TColor v) { Set(look_.CaptionColor, v); }
    TColor SelectColor() const { return look_.SelectColor; }
    void SetSelectColor(TColor v) { Set(look_.SelectColor, v); }
    TColor SelectFontColor() const { return look_.SelectFontColor; }
    void SetSelectFontColor(TColor v) { Set(look_.SelectFontColor, v); }
    TColor InActiveColor() const { return look_.InActiveColor; }
    void SetInActiveColor(TColor v) { Set(look_.InActiveColor, v); }
    TColor HeaderColor() const { return look_.HeaderColor; }
    void SetHeaderColor(TColor v) { Set(look_.HeaderColor, v); }
    TColor CaptionTextColor() const { return look_.CaptionTextColor; }
    void SetCaptionTextColor(TColor v) { Set(look_.CaptionTextColor, v); }
    TColor FocusColor() const { return look_.FocusColor; } // stored only; nothing paints it
    void SetFocusColor(TColor v) { Set(look_.FocusColor, v); }
    TColor InversColor() const { return look_.InversColor; }
    void SetInversColor(TColor v) { Set(look_.InversColor, v); }
    TColor WeekendColor() const { return look_.WeekendColor; }
    void SetWeekendColor(TColor v) { Set(look_.WeekendColor, v); }
    TColor LineColor() const { return look_.LineColor; }
    void SetLineColor(TColor v) { Set(look_.LineColor, v); }
    bool Line3D() const { return look_.Line3D; }
    void SetLine3D(bool v) { Set(look_.Line3D, v); }
    TColor GradientStartColor() const { return look_.GradientStartColor; }
    void SetGradientStartColor(TColor v) { Set(look_.GradientStartColor, v); }
    TColor GradientEndColor() const { return look_.GradientEndColor; }
    void SetGradientEndColor(TColor v) { Set(look_.GradientEndColor, v); }
    TGradientDirection GradientDirection() const { return look_.GradientDirection; }
    void SetGradientDirection(TGradientDirection v) { Set(look_.GradientDirection, v); }
    TColor MonthGradientStartColor() const { return look_.MonthGradientStartColor; }
    void SetMonthGradientStartColor(TColor v) { Set(look_.MonthGradientStartColor, v); }
    TColor MonthGradientEndColor() const { return look_.MonthGradientEndColor; }
    void SetMonthGradientEndColor(TColor v) { Set(look_.MonthGradientEndColor, v); }
    TGradientDirection MonthGradientDirection() const { return look_.MonthGradientDirection; }
    void SetMonthGradientDirection(TGradientDirection v) { Set(look_.MonthGradientDirection, v); }
    const std::string& HintPrevYear() const { return look_.HintPrevYear; }
    const std::string& HintPrevMonth() const { return look_.HintPrevMonth; }
    const std::string& HintNextMonth() const { return look_.HintNextMonth; }
    const std::string& HintNextYear() const { return look_.HintNextYear; }
    void SetHintPrevYear(const std::string& v) { Set(look_.HintPrevYear, v); }
    void SetHintPrevMonth(const std::string& v) { Set(look_.HintPrevMonth, v); }
    void SetHintNextMonth(const std::string& v) { Set(look_.HintNextMonth, v); }
    void SetHintNextYear(const std::string& v) { Set(look_.HintNextYear, v); }
    TColor DateSelectColor() const { return look_.DateSelectColor; }
    void SetDateSelectColor(TColor v) { Set(look_.DateSelectColor, v); }
    TColor DateHoverColor() const { return look_.DateHoverColor; }
    void SetDateHoverColor(TColor v) { Set(look_.DateHoverColor, v); }
    TColor DateDownColor() const { return look_.DateDownColor; }
    void SetDateDownColor(TColor v) { Set(look_.DateDownColor, v); }
    TTodayStyle TodayStyle() const { return look_.TodayStyle; }
    void SetTodayStyle(TTodayStyle v) { Set(look_.TodayStyle, v); }

protected:
    explicit TAppearanceProperties(const TCalendarAppearance& initial = {}) : look_(initial) {}
    TCalendarAppearance look_;

private:
    template <class T> void Set(T& field, const T& v) {
        if (field == v)
            return;
        field = v;
        static_cast<Derived*>(this)->AppearanceChanged();
    }
};

// Optional bitmaps of the browse buttons; a null image means a triangle is drawn instead.
// Bitmaps without alpha are drawn transparent in the colour of their bottom-left pixel.
class TCalGlyphs {
public:
    const QImage& NextMonth() const { return nextMonth_; }
    const QImage& PrevMonth() const { return prevMonth_; }
    const QImage& NextYear() const { return nextYear_; }
    const QImage& PrevYear() const { return prevYear_; }
    void SetNextMonth(const QImage& v) { Store(nextMonth_, v); }
    void SetPrevMonth(const QImage& v) { Store(prevMonth_, v); }
    void SetNextYear(const QImage& v) { Store(nextYear_, v); }
    void SetPrevYear(const QImage& v) { Store(prevYear_, v); }
    void Assign(const TCalGlyphs& source);
    std::function<void()> OnChange;

private:
    void Store(QImage& field, const QImage& v) {
        field = v;
        if (OnChange)
            OnChange();
    }
    QImage nextMonth_, prevMonth_, nextYear_, prevYear_;
};

// Applies colour preset 0..10 to an appearance (and to color where the preset sets one);
// false, changing nothing, for another number.
bool ApplyColorPresetTo(int preset, TCalendarAppearance& look, TColor& color);

// The colour scheme: 0 any other scheme, 1 "NormalColor", 2 "HomeStead", 3 "Metallic", 4 not
// themed. There are no desktop colour schemes to ask here: the answer is fixed, 0 while the
// themed drawing is on and 4 while it is switched off (ThemesEnabled).
int CurrentColorScheme();
// The preset for a scheme: 1 -> 2, 2 -> 3, 3 -> 4, 4 -> 0, any other -> 1.
int SchemeToPreset(int scheme);
// The preset for a style number (its low 7 bits): 0 -> 2, 1 -> 4, 2 -> 3, 3 -> 5, 4 -> 9,
// 5 -> 10, 6 -> 0, 7 -> 8; -1 for other styles.
int StyleToPreset(int style);

// Components that take one of the numbered styles. They supply ApplyColorPreset; styles and
// the desktop's colour scheme are turned into presets here.
class IStyledComponent {
public:
    virtual ~IStyledComponent() = default;
    virtual void ApplyColorPreset(int Preset) = 0;
    // The preset of the style (StyleToPreset); other styles change nothing.
    virtual void ApplyStyle(int Style);
    // The preset of the current colour scheme (SchemeToPreset).
    void ThemeAdapt();
    bool AutoThemeAdapt() const { return autoThemeAdapt_; }
    // Switching it on adapts at once.
    void SetAutoThemeAdapt(bool v);

private:
    bool autoThemeAdapt_ = false;
};
