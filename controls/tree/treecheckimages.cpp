// The check image lists of the kinds, drawn in code once per process: sunken classic boxes
// (light or dark face, bold check or thin tick), flat boxes, the XP look, and the style's own
// indicators.
#include "controls/tree/treecheckimages.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <array>

#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

namespace {

enum class TFrame { Sunken, Flat, XP, Style };
enum class TMark { Check, Tick };
// The image groups of a list, in index order (each four images: the states).
enum TGroup { gRadioOff, gRadioOn, gBoxOff, gBoxOn, gButton, gBoxMixed };

struct TLook {
    TFrame Frame = TFrame::Sunken;
    TMark Mark = TMark::Check;
    QColor Face, HotFace, PressedFace, DisabledFace;
    QColor Border, DisabledBorder; // flat and XP frames
    QColor Ink, DisabledInk;
};

QColor Q(TColor c) {
    return ColorToQColor(c);
}

TLook LookOf(TCheckImageKind Kind) {
    TLook l;
    // Light: the window colour with black ink; dark: a grey face with white ink.
    bool dark = Kind == ckDarkCheck || Kind == ckDarkTick;
    l.Face = dark ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white);
    l.HotFace = dark ? QColor(0x94, 0x94, 0x94) : QColor(0xE8, 0xF0, 0xFC);
    l.PressedFace = dark ? QColor(0x60, 0x60, 0x60) : Q(clBtnFace);
    l.DisabledFace = dark ? QColor(0xB0, 0xB0, 0xB0) : Q(clBtnFace);
    l.Ink = dark ? QColor(Qt::white) : QColor(Qt::black);
    l.DisabledInk = dark ? QColor(0xD8, 0xD8, 0xD8) : Q(clBtnShadow);
    l.Mark = (Kind == ckLightTick || Kind == ckDarkTick) ? TMark::Tick : TMark::Check;
    switch (Kind) {
    case ckFlat:
        l.Frame = TFrame::Flat;
        l.Border = Qt::black;
        l.DisabledBorder = Q(clBtnShadow);
        break;
    case ckSystemFlat:
        l.Frame = TFrame::Flat;
        l.Face = Q(clWindow);
        l.Border = l.DisabledBorder = Q(clBtnShadow);
        l.Ink = Q(clWindowText);
        l.DisabledInk = Q(clGrayText);
        break;
    case ckXP:
        l.Frame = TFrame::XP;
        l.Face = QColor(0xF4, 0xF4, 0xF0);
        l.PressedFace = QColor(0xB0, 0xB0, 0xA7);
        l.DisabledFace = Qt::white;
        l.Border = QColor(0x1C, 0x51, 0x80);
        l.DisabledBorder = QColor(0xCA, 0xC8, 0xBB);
        l.Ink = QColor(0x21, 0xA1, 0x21);
        l.DisabledInk = l.DisabledBorder;
        break;
    case ckSystem:
        l.Frame = TFrame::Style;
        break;
    default:
        break;
    }
    return l;
}

QColor FaceOf(const TLook& l, TThemeState s) {
    switch (s) {
    case TThemeState::Hot:
        return l.HotFace;
    case TThemeState::Pressed:
        return l.PressedFace;
    case TThemeState::Disabled:
        return l.DisabledFace;
    default:
        return l.Face;
    }
}

// The frame and face of a 13 x 13 box; returns the inside left for the mark.
QRect DrawBoxFrame(QPainter& p, const QRect& box, const TLook& l, TThemeState s, bool Raised) {
    QRect r = box;
    QColor face = FaceOf(l, s);
    if (Raised && l.Frame != TFrame::Sunken) // a button face
        face = s == TThemeState::Pressed ? Q(clBtnShadow) : Q(clBtnFace);
    switch (l.Frame) {
    case TFrame::Sunken:
        DrawEdge(p, r, Raised && s != TThemeState::Pressed ? EDGE_RAISED : EDGE_SUNKEN,
                 BF_RECT | BF_ADJUST);
        p.fillRect(r, face);
        return r;
    case TFrame::Flat:
        p.fillRect(r, s == TThemeState::Disabled ? l.DisabledBorder : l.Border);
        r.adjust(1, 1, -1, -1);
        p.fillRect(r, face);
        return r;
    case TFrame::XP: {
        p.fillRect(r, s == TThemeState::Disabled ? l.DisabledBorder : l.Border);
        r.adjust(1, 1, -1, -1);
        // A face that lightens toward the bottom right.
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0, face.darker(112));
        g.setColorAt(1, s == TThemeState::Pressed ? face.lighter(130) : QColor(Qt::white));
        p.fillRect(r, s == TThemeState::Disabled ? QBrush(face) : QBrush(g));
        if (s == TThemeState::Hot) { // an orange inner rim
            p.setPen(QColor(0xF8, 0xB3, 0x30));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setPen(QColor(0xFC, 0xE7, 0xA6));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        }
        return r;
    }
    case TFrame::Style:
        break;
    }
    return r;
}

// A bold check (7 x 7, three pixels high) or a thin tick (9 x 7, two pixels high) inside r.
void DrawMark(QPainter& p, const QRect& r, TMark Mark, const QColor& Ink) {
    if (Mark == TMark::Check) {
        int x = r.left() + (r.width() - 7) / 2, y = r.top() + (r.height() - 7) / 2;
        for (int i = 0; i < 7; ++i)
            p.fillRect(x + i, y + (i < 3 ? 2 + i : 6 - i), 1, 3, Ink);
        return;
    }
    int x = r.left() + (r.width() - 9) / 2, y = r.top() + (r.height() - 8) / 2;
    static const int rise[9] = {4, 5, 6, 5, 4, 3, 2, 1, 0};
    for (int i = 0; i < 9; ++i)
        p.fillRect(x + i, y + rise[i], 1, 2, Ink);
}

void DrawRadio(QPainter& p, const QRect& box, const TLook& l, TThemeState s, bool On) {
    QRectF r(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1);
    QColor ink = s == TThemeState::Disabled ? l.DisabledInk : l.Ink;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(FaceOf(l, s));
    if (l.Frame == TFrame::Sunken) {
        p.setPen(Q(clBtnShadow));
        p.drawEllipse(r);
        p.setPen(Q(cl3DDkShadow));
        p.drawArc(r.adjusted(1, 1, -1, -1), 45 * 16, 180 * 16);
    } else {
        p.setPen(s == TThemeState::Disabled ? l.DisabledBorder : l.Border);
        p.drawEllipse(r);
    }
    if (On) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(r.center(), 2.5, 2.5);
    }
    p.restore();
}

// One image of the style's own indicators.
void DrawStyled(QPainter& p, const QRect& box, TGroup Group, TThemeState s) {
    QStyle* style = QApplication::style();
    QStyleOptionButton opt;
    opt.rect = box;
    opt.palette = SystemPalette();
    opt.state = QStyle::State_Enabled;
    if (s == TThemeState::Disabled) {
        opt.state = QStyle::State_None;
        opt.palette.setCurrentColorGroup(QPalette::Disabled);
        p.setOpacity(0.5); // faded, whatever the style does with disabled indicators
    } else if (s == TThemeState::Hot)
        opt.state |= QStyle::State_MouseOver;
    else if (s == TThemeState::Pressed)
        opt.state |= QStyle::State_Sunken;
    switch (Group) {
    case gRadioOff:
    case gRadioOn:
        opt.state |= Group == gRadioOn ? QStyle::State_On : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorRadioButton, &opt, &p);
        break;
    case gButton:
        opt.state |= s == TThemeState::Pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        style->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p);
        break;
    default:
        opt.state |= Group == gBoxOn      ? QStyle::State_On
                     : Group == gBoxMixed ? QStyle::State_NoChange
                                          : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p);
        break;
    }
}

QImage DrawImage(const TLook& l, int Size, TGroup Group, TThemeState s) {
    QImage img(Size, Size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    int side = l.Frame == TFrame::Style ? Size - 3 : 13;
    QRect box((Size - side) / 2, (Size - side) / 2, side, side);
    if (l.Frame == TFrame::Style) {
        DrawStyled(p, box, Group, s);
        return img;
    }
    QColor ink = s == TThemeState::Disabled ? l.DisabledInk : l.Ink;
    switch (Group) {
    case gRadioOff:
    case gRadioOn:
        DrawRadio(p, box, l, s, Group == gRadioOn);
        break;
    case gButton:
        DrawBoxFrame(p, box, l, s, true);
        break;
    case gBoxOff:
        DrawBoxFrame(p, box, l, s, false);
        break;
    case gBoxOn:
        DrawMark(p, DrawBoxFrame(p, box, l, s, false), l.Mark, ink);
        break;
    case gBoxMixed: {
        // A square in the middle, in the ink of a disabled box.
        QRect inside = DrawBoxFrame(p, box, l, s, false);
        p.fillRect(QRect(inside.center().x() - 2, inside.center().y() - 2, 5, 5),
                   s == TThemeState::Disabled ? l.DisabledInk : l.DisabledInk.darker(130));
        break;
    }
    }
    return img;
}

std::shared_ptr<TLTImageList> MakeList(TCheckImageKind Kind) {
    TLook look = LookOf(Kind);
    int size = 16;
    if (Kind == ckSystem || Kind == ckSystemFlat)
        size = QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth) + 3;
    auto list = std::make_shared<TLTImageList>(size, size);
    list->Add(QImage()); // 0: no image
    for (TGroup g : {gRadioOff, gRadioOn, gBoxOff, gBoxOn, gButton, gBoxMixed})
        for (TThemeState s :
             {TThemeState::Normal, TThemeState::Hot, TThemeState::Pressed, TThemeState::Disabled})
            list->Add(DrawImage(look, size, g, s));
    return list;
}

} // namespace

std::shared_ptr<TLTImageList> CheckImageListFor(TCheckImageKind Kind) {
    if (Kind < ckLightCheck || Kind > ckSystemFlat || Kind == ckCustom)
        return nullptr;
    static std::array<std::shared_ptr<TLTImageList>, ckSystemFlat + 1> lists;
    // The style draws the system kinds: a new style gets new lists (trees holding the old ones
    // keep them until they ask again).
    static const QStyle* drawnBy = nullptr;
    static QString drawnByName;
    const QStyle* style = QApplication::style();
    if (style != drawnBy || style->name() != drawnByName) {
        drawnBy = style;
        drawnByName = style->name();
        lists[ckSystem] = lists[ckSystemFlat] = nullptr;
    }
    auto& list = lists[size_t(Kind)];
    if (!list)
        list = MakeList(Kind);
    return list;
}
