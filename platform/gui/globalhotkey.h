#pragma once
// A system-wide hot key on X11. The key is grabbed on the root window of the X server (with
// its NumLock and CapsLock variants, so the lock keys do not matter), and each press arrives as
// the message WM_HOTKEY posted to a receiver. Keys are given as classic virtual-key codes and
// modifier flags (MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN). Without an X11 display (Wayland,
// the offscreen platform) there is no global hot key: registering fails. GUI thread only.

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <optional>
#include <vector>

struct xcb_connection_t;

// The message of a hot-key press: WParam is the hot key's id.
constexpr int WM_HOTKEY = 0x0312;

// Modifier flags of a hot key.
constexpr uint16_t MOD_ALT = 1;
constexpr uint16_t MOD_CONTROL = 2;
constexpr uint16_t MOD_SHIFT = 4;
constexpr uint16_t MOD_WIN = 8;

// An X key: a keysym and a core modifier mask (Shift 1, Control 4, Mod1 = Alt 8, Mod4 = Win 64).
struct TX11Key {
    uint32_t KeySym = 0;
    uint16_t Modifiers = 0;
    bool operator==(const TX11Key&) const = default;
};

// The X key of a virtual-key code with modifier flags (other flag bits are ignored); nullopt
// for a code that has no X key. Mapped: letters (to their lower-case keysyms), digits, F1-F24,
// the arrows, the editing and navigation keys, Space, Enter, Escape, Tab, Backspace, Pause,
// Print, the numeric keypad and the punctuation keys of a US keyboard.
std::optional<TX11Key> VirtualKeyToX11(uint16_t virtualKey, uint16_t modifiers);

class TGlobalHotKey : public QAbstractNativeEventFilter {
public:
    // receiver gets WM_HOTKEY (WParam: the id) for each press. connection is the X server to
    // grab on (not owned; the caller hands its events to HandleEvent); null takes the
    // application's X connection when there is one and filters its events.
    explicit TGlobalHotKey(QObject* receiver, xcb_connection_t* connection = nullptr);
    // Releases every grab.
    ~TGlobalHotKey() override;
    TGlobalHotKey(const TGlobalHotKey&) = delete;
    TGlobalHotKey& operator=(const TGlobalHotKey&) = delete;

    // True when there is an X connection to grab on.
    bool Available() const { return connection_ != nullptr; }
    // Grabs the key for id (id's earlier key is released first). False, quietly, when there
    // is no X connection, the key has no X key or no key code on this keyboard, or another
    // client holds it already; nothing stays grabbed for id then.
    bool Register(int id, uint16_t modifiers, uint16_t virtualKey);
    // Releases id's grab; nothing when id has none.
    void Unregister(int id);
    bool Registered(int id) const;
    // One event of the connection: a press of a grabbed key posts WM_HOTKEY and returns true.
    bool HandleEvent(const void* xcbEvent);
    // The X server's time stamp of the last press handled (0 before the first): a window
    // brought up by the press asks for the focus with it.
    uint32_t LastPressTime() const { return lastPressTime_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct TGrab {
        int Id;
        uint8_t KeyCode;
        uint16_t Modifiers;
    };
    // The modifier masks each grab is made with: none, CapsLock, NumLock and both.
    std::vector<uint16_t> LockVariants() const;
    // Releases the key in every lock variant and waits until the server has freed it.
    void Ungrab(uint8_t keyCode, uint16_t modifiers);

    QPointer<QObject> receiver_;
    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
    bool filtering_ = false;
    uint16_t numLockMask_ = 0;
    std::vector<TGrab> grabs_;
    uint32_t lastPressTime_ = 0;
};

// The desktop's active window on the application's X connection: the window manager's
// _NET_ACTIVE_WINDOW, or without such a window manager the window with the keyboard focus; 0
// when it is unknown or there is no X11 display.
uint32_t ActiveDesktopWindow();
// Activates and raises the window (through the window manager, or by giving it the keyboard
// focus where there is none); false without an X11 display or for 0. The request counts as
// the user's own; time is the X time stamp of the user action behind it (0: the current time).
bool ActivateDesktopWindow(uint32_t window, uint32_t time = 0);
// The same on connection c (the application's above).
bool ActivateDesktopWindow(xcb_connection_t* c, uint32_t window, uint32_t time);
// Sends the requests queued on the application's X connection now. A change of a window
// property (its opacity, say) otherwise waits for the next request that sends the queue, which
// may not come while the application is idle. Nothing without an X11 display.
void FlushDesktopRequests();
