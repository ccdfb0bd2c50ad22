#pragma once
// Visual-style drawing of the standard elements (push and tool buttons, combo drop-down
// buttons, header items, tree expand glyphs, edit frames, check boxes, radio buttons, a themed
// panel background). Themed drawing goes through one fixed QStyle ("Fusion") with the fixed
// system palette, so it looks the same on every machine; SetThemesEnabled(false) switches every
// element to its classic 3-D drawing.

#include <QPainter>
#include <QRect>

class QStyle;

// The one switch between themed and classic drawing; on by default. GUI thread only.
bool ThemesEnabled();
void SetThemesEnabled(bool enabled);

// The style themed elements are drawn with (created on first use; needs a QApplication).
QStyle* ThemeStyle();

enum class TThemeState { Normal, Hot, Pressed, Disabled };

// A push button's face over rect (pressed: sunken).
void DrawButtonFace(QPainter& p, const QRect& rect, TThemeState state);
// A tool button's face: flat buttons show a border only when hot, pressed or checked; checked
// buttons show pressed.
void DrawToolButtonFace(QPainter& p, const QRect& rect, TThemeState state, bool flat, bool checked);
// The drop-down button of a combo box: a button face with a downward arrow.
void DrawComboDropDown(QPainter& p, const QRect& rect, TThemeState state);
// A column header item's face.
void DrawHeaderItem(QPainter& p, const QRect& rect, TThemeState state);
// The expand/collapse glyph of a tree node centred in rect (classic: a 9 x 9 plus/minus box).
void DrawTreeGlyph(QPainter& p, const QRect& rect, bool expanded);
// The frame of an edit box drawn over the border pixels of rect.
void DrawEditFrame(QPainter& p, const QRect& rect, TThemeState state);
// A check box (checked: 0 off, 1 on, 2 grey) or radio button centred in rect.
void DrawCheckBox(QPainter& p, const QRect& rect, int checked, TThemeState state);
void DrawRadioButton(QPainter& p, const QRect& rect, bool checked, TThemeState state);
// A small downward arrow, width pixels wide and (width + 1) / 2 high (7 x 4 by default),
// centred in rect, in colour.
void DrawDownArrow(QPainter& p, const QRect& rect, const QColor& color, int width = 7);
// The themed background of an information panel (tool-tip face); classic: the info colour
// with a window-frame border.
void DrawInfoPanel(QPainter& p, const QRect& rect);
