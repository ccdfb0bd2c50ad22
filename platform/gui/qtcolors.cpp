#include "platform/gui/qtcolors.h"

QColor ColorToQColor(TColor c) {
    if (c == clNone || c == clDefault)
        return QColor();
    TColor v = ColorToRGB(c);
    return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

QColor ColorToQColor(TColor c, const QColor& fallback) {
    QColor q = ColorToQColor(c);
    return q.isValid() ? q : fallback;
}

TColor QColorToColor(const QColor& c) {
    if (!c.isValid())
        return clNone;
    return RGB(c.red(), c.green(), c.blue());
}

QPalette SystemPalette() {
    QPalette p;
    auto set = [&p](QPalette::ColorRole role, TColor c) {
        p.setColor(QPalette::All, role, ColorToQColor(c));
    };
    set(QPalette::Window, clBtnFace);
    set(QPalette::WindowText, clWindowText);
    set(QPalette::Base, clWindow);
    set(QPalette::AlternateBase, cl3DLight);
    set(QPalette::ToolTipBase, clInfoBk);
    set(QPalette::ToolTipText, clInfoText);
    set(QPalette::PlaceholderText, clGrayText);
    set(QPalette::Text, clWindowText);
    set(QPalette::Button, clBtnFace);
    set(QPalette::ButtonText, clBtnText);
    set(QPalette::BrightText, clWhite);
    set(QPalette::Light, clBtnHighlight);
    set(QPalette::Midlight, cl3DLight);
    set(QPalette::Mid, clBtnShadow);
    set(QPalette::Dark, clBtnShadow);
    set(QPalette::Shadow, cl3DDkShadow);
    set(QPalette::Highlight, clHighlight);
    set(QPalette::HighlightedText, clHighlightText);
    set(QPalette::Link, clHotLight);
    set(QPalette::LinkVisited, clPurple);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, ColorToQColor(clGrayText));
    return p;
}
