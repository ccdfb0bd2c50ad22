#include "platform/gui/hotkeyedit.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <array>
#include <utility>

namespace {

// Keys whose virtual-key code is not a simple offset from a Qt key range (the keypad's are
// mapped apart: their Qt keys need the keypad modifier).
constexpr std::array<std::pair<int, uint16_t>, 28> NamedKeys = {{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Return, 0x0D},       {Qt::Key_Enter, 0x0D},
    {Qt::Key_Pause, 0x13},     {Qt::Key_Space, 0x20},        {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},  {Qt::Key_End, 0x23},          {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},      {Qt::Key_Up, 0x26},           {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},      {Qt::Key_Print, 0x2C},        {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},    {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Comma, 0xBC},     {Qt::Key_Minus, 0xBD},        {Qt::Key_Period, 0xBE},
    {Qt::Key_Slash, 0xBF},     {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_Clear, 0x0C},
}};

} // namespace

uint16_t QtKeyToVirtualKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return static_cast<uint16_t>(0x60 + key - Qt::Key_0);
        switch (key) {
        case Qt::Key_Asterisk:
            return 0x6A;
        case Qt::Key_Plus:
            return 0x6B;
        case Qt::Key_Minus:
            return 0x6D;
        case Qt::Key_Period:
            return 0x6E;
        case Qt::Key_Slash:
            return 0x6F;
        default:
            break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<uint16_t>('A' + key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<uint16_t>('0' + key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<uint16_t>(0x70 + key - Qt::Key_F1);
    for (auto [qt, vk] : NamedKeys)
        if (qt == key)
            return vk;
    return 0;
}

QString VirtualKeyName(uint16_t vk) {
    if (vk == 0)
        return {};
    if (vk >= 0x60 && vk <= 0x69)
        return QStringLiteral("Num %1").arg(vk - 0x60);
    switch (vk) {
    case 0x6A:
        return QStringLiteral("Num *");
    case 0x6B:
        return QStringLiteral("Num +");
    case 0x6D:
        return QStringLiteral("Num -");
    case 0x6E:
        return QStringLiteral("Num Del");
    case 0x6F:
        return QStringLiteral("Num /");
    default:
        break;
    }
    int key = 0;
    if (vk >= 'A' && vk <= 'Z')
        key = Qt::Key_A + vk - 'A';
    else if (vk >= '0' && vk <= '9')
        key = Qt::Key_0 + vk - '0';
    else if (vk >= 0x70 && vk <= 0x87)
        key = Qt::Key_F1 + vk - 0x70;
    else
        for (auto [qt, code] : NamedKeys)
            if (code == vk) {
                key = qt;
                break;
            }
    return key == 0 ? QString() : QKeySequence(key).toString(QKeySequence::NativeText);
}

THotKeyEdit::THotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFocusPolicy(Qt::StrongFocus);
}

void THotKeyEdit::SetHotKey(uint16_t virtualKey) {
    key_ = virtualKey;
    setText(VirtualKeyName(virtualKey));
}

void THotKeyEdit::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) {
        e->ignore();
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    uint16_t vk = QtKeyToVirtualKey(key, e->modifiers());
    if (vk == 0 || vk == key_)
        return;
    SetHotKey(vk);
    if (OnChange)
        OnChange(*this);
}

void THotKeyEdit::contextMenuEvent(QContextMenuEvent* e) {
    e->accept(); // nothing to cut, copy or paste
}
