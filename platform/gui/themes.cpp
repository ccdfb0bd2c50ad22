#include "platform/gui/themes.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"

namespace {

bool themesOn = true;

QStyle::State StateFlags(TThemeState state) {
    QStyle::State s = QStyle::State_None;
    if (state != TThemeState::Disabled)
        s |= QStyle::State_Enabled;
    if (state == TThemeState::Hot)
        s |= QStyle::State_MouseOver;
    if (state == TThemeState::Pressed)
        s |= QStyle::State_Sunken;
    else
        s |= QStyle::State_Raised;
    return s;
}

void InitOption(QStyleOption& opt, const QRect& rect, TThemeState state) {
    opt.rect = rect;
    opt.palette = SystemPalette();
    if (state == TThemeState::Disabled)
        opt.palette.setCurrentColorGroup(QPalette::Disabled);
    opt.state = StateFlags(state);
    opt.direction = Qt::LeftToRight;
}

// The classic push-button face; pressed buttons have a dark outline and a shadow ring.
void ClassicButton(QPainter& p, QRect r, bool pressed) {
    if (pressed) {
        Frame3D(p, r, cl3DDkShadow, cl3DDkShadow, 1);
        Frame3D(p, r, clBtnShadow, clBtnShadow, 1);
        FillRect(p, r, clBtnFace);
    } else {
        DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
}

} // namespace

bool ThemesEnabled() {
    return themesOn;
}
void SetThemesEnabled(bool enabled) {
    themesOn = enabled;
}

QStyle* ThemeStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        if (style && qApp)
            style->setParent(qApp);
    }
    return style;
}

void DrawButtonFace(QPainter& p, const QRect& rect, TThemeState state) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionButton opt;
        InitOption(opt, rect, state);
        ThemeStyle()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p);
        return;
    }
    ClassicButton(p, rect, state == TThemeState::Pressed);
}

void DrawToolButtonFace(QPainter& p, const QRect& rect, TThemeState state, bool flat,
                        bool checked) {
    bool pressed = state == TThemeState::Pressed || checked;
    if (themesOn && ThemeStyle()) {
        if (flat && !pressed && state != TThemeState::Hot)
            return;
        QStyleOptionToolButton opt;
        InitOption(opt, rect, state);
        if (flat)
            opt.state |= QStyle::State_AutoRaise;
        if (checked)
            opt.state |= QStyle::State_On;
        ThemeStyle()->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, &p);
        return;
    }
    QRect r = rect;
    if (!flat) {
        ClassicButton(p, r, pressed);
    } else if (pressed) {
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT);
    } else if (state == TThemeState::Hot) {
        DrawEdge(p, r, BDR_RAISEDINNER, BF_RECT);
    }
}

void DrawDownArrow(QPainter& p, const QRect& rect, const QColor& color, int width) {
    int height = (width + 1) / 2;
    int x = rect.left() + (rect.width() - width) / 2;
    int y = rect.top() + (rect.height() - height) / 2;
    for (int i = 0; i < height; ++i)
        p.fillRect(x + i, y + i, width - 2 * i, 1, color);
}

void DrawComboDropDown(QPainter& p, const QRect& rect, TThemeState state) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionButton opt;
        InitOption(opt, rect, state);
        ThemeStyle()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p);
        QStyleOption arrow;
        InitOption(arrow, rect.adjusted(2, 2, -2, -2), state);
        ThemeStyle()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &p);
        return;
    }
    QRect r = rect;
    bool pressed = state == TThemeState::Pressed;
    if (pressed)
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MIDDLE);
    else
        DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    QRect a = rect.translated(pressed ? 1 : 0, pressed ? 1 : 0);
    if (state == TThemeState::Disabled) {
        DrawDownArrow(p, a.translated(1, 1), ColorToQColor(clBtnHighlight));
        DrawDownArrow(p, a, ColorToQColor(clBtnShadow));
    } else {
        DrawDownArrow(p, a, ColorToQColor(clBtnText));
    }
}

void DrawHeaderItem(QPainter& p, const QRect& rect, TThemeState state) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionHeader opt;
        InitOption(opt, rect, state);
        opt.orientation = Qt::Horizontal;
        opt.position = QStyleOptionHeader::Middle;
        ThemeStyle()->drawControl(QStyle::CE_HeaderSection, &opt, &p);
        return;
    }
    QRect r = rect;
    if (state == TThemeState::Pressed)
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE | BF_FLAT);
    else
        DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
}

void DrawTreeGlyph(QPainter& p, const QRect& rect, bool expanded) {
    if (themesOn && ThemeStyle()) {
        QStyleOption opt;
        InitOption(opt, rect, TThemeState::Normal);
        opt.state |= QStyle::State_Children | QStyle::State_Item;
        if (expanded)
            opt.state |= QStyle::State_Open;
        ThemeStyle()->drawPrimitive(QStyle::PE_IndicatorBranch, &opt, &p);
        return;
    }
    QRect box(rect.left() + (rect.width() - 9) / 2, rect.top() + (rect.height() - 9) / 2, 9, 9);
    p.fillRect(box, ColorToQColor(clWindow));
    QRect frame = box;
    Frame3D(p, frame, clBtnShadow, clBtnShadow, 1);
    QColor ink = ColorToQColor(clWindowText);
    p.fillRect(box.left() + 2, box.top() + 4, 5, 1, ink);
    if (!expanded)
        p.fillRect(box.left() + 4, box.top() + 2, 1, 5, ink);
}

void DrawEditFrame(QPainter& p, const QRect& rect, TThemeState state) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionFrame opt;
        InitOption(opt, rect, state);
        opt.lineWidth = 1;
        opt.state |= QStyle::State_Sunken;
        ThemeStyle()->drawPrimitive(QStyle::PE_FrameLineEdit, &opt, &p);
        return;
    }
    QRect r = rect;
    DrawEdge(p, r, EDGE_SUNKEN, BF_RECT);
}

void DrawCheckBox(QPainter& p, const QRect& rect, int checked, TThemeState state) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionButton opt;
        int s = ThemeStyle()->pixelMetric(QStyle::PM_IndicatorWidth);
        InitOption(opt, QRect(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s), state);
        opt.state |= checked == 1   ? QStyle::State_On
                     : checked == 2 ? QStyle::State_NoChange
                                    : QStyle::State_Off;
        ThemeStyle()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p);
        return;
    }
    QRect box(rect.left() + (rect.width() - 13) / 2, rect.top() + (rect.height() - 13) / 2, 13, 13);
    QRect r = box;
    DrawEdge(p, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    bool grey = state == TThemeState::Disabled || state == TThemeState::Pressed || checked == 2;
    FillRect(p, r, grey ? clBtnFace : clWindow);
    if (checked) {
        QColor ink =
            ColorToQColor(state == TThemeState::Disabled || checked == 2 ? clBtnShadow : clBtnText);
        // A 7 x 7 tick: down from (0,2) to (2,4), then up to (6,0), three pixels high.
        int x = r.left() + 2, y = r.top() + 2;
        for (int i = 0; i < 7; ++i) {
            int top = i < 3 ? 2 + i : 4 - (i - 2);
            p.fillRect(x + i, y + top, 1, 3, ink);
        }
    }
}

void DrawRadioButton(QPainter& p, const QRect& rect, bool checked, TThemeState state) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionButton opt;
        int s = ThemeStyle()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth);
        InitOption(opt, QRect(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s), state);
        opt.state |= checked ? QStyle::State_On : QStyle::State_Off;
        ThemeStyle()->drawPrimitive(QStyle::PE_IndicatorRadioButton, &opt, &p);
        return;
    }
    QRectF box(rect.left() + (rect.width() - 12) / 2.0, rect.top() + (rect.height() - 12) / 2.0, 12,
               12);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    bool grey = state == TThemeState::Disabled || state == TThemeState::Pressed;
    p.setBrush(ColorToQColor(grey ? clBtnFace : clWindow));
    p.setPen(ColorToQColor(clBtnShadow));
    p.drawEllipse(box.adjusted(0, 0, -1, -1));
    p.setPen(ColorToQColor(cl3DDkShadow));
    p.drawArc(box.adjusted(1, 1, -2, -2), 45 * 16, 180 * 16);
    if (checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(ColorToQColor(state == TThemeState::Disabled ? clBtnShadow : clBtnText));
        p.drawEllipse(box.adjusted(4, 4, -4, -4));
    }
    p.restore();
}

void DrawInfoPanel(QPainter& p, const QRect& rect) {
    if (themesOn && ThemeStyle()) {
        QStyleOptionFrame opt;
        InitOption(opt, rect, TThemeState::Normal);
        ThemeStyle()->drawPrimitive(QStyle::PE_PanelTipLabel, &opt, &p);
        return;
    }
    FillRect(p, rect, clInfoBk);
    QRect r = rect;
    Frame3D(p, r, clWindowFrame, clWindowFrame, 1);
}
