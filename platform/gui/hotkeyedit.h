#pragma once
// THotKeyEdit: an edit that captures one key, without modifiers, for a global hot key. The key
// is held as a classic virtual-key code (the hot key's coding); the edit shows its name. Tab,
// Shift+Tab and Escape keep their usual meaning; a key without a virtual-key code is ignored.

#include <QLineEdit>
#include <cstdint>
#include <functional>

// The virtual-key code of a Qt key (keypad keys with Qt::KeypadModifier), 0 when it has none.
// Mapped: letters, digits, F1-F24, arrows, editing and navigation keys, Space, Enter,
// Backspace, Pause, Print, the numeric keypad and the punctuation keys of a US keyboard.
uint16_t QtKeyToVirtualKey(int key, Qt::KeyboardModifiers modifiers = {});
// The key's name as the edit shows it ("F2", "Down", "A"); "" for 0 or an unknown code.
QString VirtualKeyName(uint16_t virtualKey);

class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget* parent = nullptr);

    // The key (virtual-key code; 0 = none). Setting it does not raise OnChange.
    uint16_t HotKey() const { return key_; }
    void SetHotKey(uint16_t virtualKey);

    // Raised when the user pressed another key.
    std::function<void(THotKeyEdit& sender)> OnChange;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    uint16_t key_ = 0;
};
