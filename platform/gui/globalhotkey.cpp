#include "platform/gui/globalhotkey.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gui/windowmessages.h"

// The X headers stay in this file: they define macros with common names.
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

template <class T> using TReply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> TReply<T> Reply(T* reply) {
    return TReply<T>(reply, &std::free);
}

xcb_connection_t* ApplicationConnection() {
    auto* app = qGuiApp;
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t RootOf(xcb_connection_t* c) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem > 0 ? it.data->root : 0;
}

// The keysym of a virtual-key code; 0 for none.
uint32_t KeySymOf(uint16_t vk) {
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= 0x60 && vk <= 0x69)
        return XK_KP_0 + (vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87)
        return XK_F1 + (vk - 0x70);
    switch (vk) {
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0D:
        return XK_Return;
    case 0x13:
        return XK_Pause;
    case 0x1B:
        return XK_Escape;
    case 0x20:
        return XK_space;
    case 0x21:
        return XK_Prior;
    case 0x22:
        return XK_Next;
    case 0x23:
        return XK_End;
    case 0x24:
        return XK_Home;
    case 0x25:
        return XK_Left;
    case 0x26:
        return XK_Up;
    case 0x27:
        return XK_Right;
    case 0x28:
        return XK_Down;
    case 0x2C:
        return XK_Print;
    case 0x2D:
        return XK_Insert;
    case 0x2E:
        return XK_Delete;
    case 0x6A:
        return XK_KP_Multiply;
    case 0x6B:
        return XK_KP_Add;
    case 0x6D:
        return XK_KP_Subtract;
    case 0x6E:
        return XK_KP_Decimal;
    case 0x6F:
        return XK_KP_Divide;
    case 0xBA:
        return XK_semicolon;
    case 0xBB:
        return XK_equal;
    case 0xBC:
        return XK_comma;
    case 0xBD:
        return XK_minus;
    case 0xBE:
        return XK_period;
    case 0xBF:
        return XK_slash;
    case 0xC0:
        return XK_grave;
    case 0xDB:
        return XK_bracketleft;
    case 0xDC:
        return XK_backslash;
    case 0xDD:
        return XK_bracketright;
    case 0xDE:
        return XK_apostrophe;
    default:
        return 0;
    }
}

// The key code that produces keysym on the connection's keyboard, preferring one that gives it
// without modifiers; 0 when there is none.
uint8_t KeyCodeOf(xcb_connection_t* c, uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int first = setup->min_keycode, count = setup->max_keycode - setup->min_keycode + 1;
    auto reply = Reply(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr));
    if (!reply)
        return 0;
    const int perCode = reply->keysyms_per_keycode;
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    if (perCode <= 0 || length < perCode * count)
        return 0;
    for (int column = 0; column < perCode; ++column)
        for (int i = 0; i < count; ++i)
            if (syms[i * perCode + column] == keysym)
                return uint8_t(first + i);
    return 0;
}

// The modifier mask that the NumLock key sets; Mod2 when the keyboard does not say.
uint16_t NumLockMask(xcb_connection_t* c) {
    const uint8_t numLock = KeyCodeOf(c, XK_Num_Lock);
    auto reply = Reply(xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!reply || numLock == 0)
        return XCB_MOD_MASK_2;
    const int perModifier = reply->keycodes_per_modifier;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    if (xcb_get_modifier_mapping_keycodes_length(reply.get()) < 8 * perModifier)
        return XCB_MOD_MASK_2;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int k = 0; k < perModifier; ++k)
            if (codes[modifier * perModifier + k] == numLock)
                return uint16_t(1u << modifier);
    return XCB_MOD_MASK_2;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    auto reply = Reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

constexpr uint16_t kModifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
                                   XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 |
                                   XCB_MOD_MASK_5;

} // namespace

std::optional<TX11Key> VirtualKeyToX11(uint16_t virtualKey, uint16_t modifiers) {
    const uint32_t keysym = KeySymOf(virtualKey);
    if (keysym == 0)
        return std::nullopt;
    TX11Key key{keysym, 0};
    if (modifiers & MOD_ALT)
        key.Modifiers |= XCB_MOD_MASK_1;
    if (modifiers & MOD_CONTROL)
        key.Modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & MOD_SHIFT)
        key.Modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & MOD_WIN)
        key.Modifiers |= XCB_MOD_MASK_4;
    return key;
}

TGlobalHotKey::TGlobalHotKey(QObject* receiver, xcb_connection_t* connection)
    : receiver_(receiver), connection_(connection) {
    if (!connection_) {
        connection_ = ApplicationConnection();
        if (connection_ && QCoreApplication::instance()) {
            QCoreApplication::instance()->installNativeEventFilter(this);
            filtering_ = true;
        }
    }
    if (connection_ && xcb_connection_has_error(connection_))
        connection_ = nullptr;
    if (connection_) {
        root_ = RootOf(connection_);
        numLockMask_ = NumLockMask(connection_);
    }
}

TGlobalHotKey::~TGlobalHotKey() {
    while (!grabs_.empty())
        Unregister(grabs_.front().Id);
    if (filtering_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::vector<uint16_t> TGlobalHotKey::LockVariants() const {
    std::vector<uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (numLockMask_ != XCB_MOD_MASK_LOCK && numLockMask_ != 0) {
        variants.push_back(numLockMask_);
        variants.push_back(uint16_t(numLockMask_ | XCB_MOD_MASK_LOCK));
    }
    return variants;
}

void TGlobalHotKey::Ungrab(uint8_t keyCode, uint16_t modifiers) {
    for (uint16_t lock : LockVariants())
        xcb_ungrab_key(connection_, keyCode, root_, uint16_t(modifiers | lock));
    // A round trip: the key is free on the server when this returns, so another client (or a
    // new registration) asking for it next cannot be refused by a late ungrab.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool TGlobalHotKey::Register(int id, uint16_t modifiers, uint16_t virtualKey) {
    Unregister(id);
    if (!connection_ || root_ == 0)
        return false;
    std::optional<TX11Key> key = VirtualKeyToX11(virtualKey, modifiers);
    if (!key)
        return false;
    const uint8_t keyCode = KeyCodeOf(connection_, key->KeySym);
    if (keyCode == 0)
        return false;
    // Every variant is asked for with a checked request, so that a key held by another client
    // comes back here as an error (BadAccess) instead of going to the event queue.
    std::vector<xcb_void_cookie_t> cookies;
    for (uint16_t lock : LockVariants())
        cookies.push_back(xcb_grab_key_checked(connection_, 1, root_,
                                               uint16_t(key->Modifiers | lock), keyCode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies)
        if (auto error = Reply(xcb_request_check(connection_, cookie)))
            ok = false;
    if (!ok) {
        Ungrab(keyCode, key->Modifiers);
        return false;
    }
    grabs_.push_back({id, keyCode, key->Modifiers});
    return true;
}

void TGlobalHotKey::Unregister(int id) {
    auto it =
        std::find_if(grabs_.begin(), grabs_.end(), [id](const TGrab& g) { return g.Id == id; });
    if (it == grabs_.end())
        return;
    if (connection_)
        Ungrab(it->KeyCode, it->Modifiers);
    grabs_.erase(it);
}

bool TGlobalHotKey::Registered(int id) const {
    return std::any_of(grabs_.begin(), grabs_.end(), [id](const TGrab& g) { return g.Id == id; });
}

bool TGlobalHotKey::HandleEvent(const void* xcbEvent) {
    auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    if (!event || (event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    auto* press = static_cast<const xcb_key_press_event_t*>(xcbEvent);
    const uint16_t state =
        uint16_t(press->state & kModifierBits & ~(numLockMask_ | XCB_MOD_MASK_LOCK));
    for (const TGrab& g : grabs_) {
        if (g.KeyCode == press->detail && g.Modifiers == state) {
            lastPressTime_ = press->time;
            PostWindowMessage(receiver_, WM_HOTKEY, g.Id);
            return true;
        }
    }
    return false;
}

bool TGlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || grabs_.empty())
        return false;
    // The press goes on to Qt as well, which takes the server time from it: a window
    // activated because of the press then asks for the focus with that time.
    HandleEvent(message);
    return false;
}

namespace {

xcb_atom_t NetActiveWindowAtom(xcb_connection_t* c) {
    return Atom(c, "_NET_ACTIVE_WINDOW");
}

// The window manager's _NET_ACTIVE_WINDOW (active is its atom); nullopt when the root window
// does not have it (no window manager that follows EWMH).
std::optional<uint32_t> NetActiveWindow(xcb_connection_t* c, xcb_atom_t active) {
    if (active == XCB_ATOM_NONE)
        return std::nullopt;
    auto reply = Reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, RootOf(c), active, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    uint32_t window = 0;
    std::memcpy(&window, xcb_get_property_value(reply.get()), sizeof window);
    return window;
}

} // namespace

uint32_t ActiveDesktopWindow() {
    xcb_connection_t* c = ApplicationConnection();
    if (!c)
        return 0;
    if (std::optional<uint32_t> window = NetActiveWindow(c, NetActiveWindowAtom(c)))
        return *window;
    // Without a window manager: the window that has the keyboard focus.
    auto focus = Reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return focus && focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT ? focus->focus : 0;
}

void FlushDesktopRequests() {
    if (xcb_connection_t* c = ApplicationConnection())
        xcb_flush(c);
}

bool ActivateDesktopWindow(uint32_t window, uint32_t time) {
    return ActivateDesktopWindow(ApplicationConnection(), window, time);
}

bool ActivateDesktopWindow(xcb_connection_t* c, uint32_t window, uint32_t time) {
    if (!c || window == 0)
        return false;
    const xcb_atom_t active = NetActiveWindowAtom(c);
    if (!NetActiveWindow(c, active)) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, time);
        xcb_flush(c);
        return true;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = active;
    // Source 2: asked for by the user, which window managers honour also when another
    // window has the focus.
    message.data.data32[0] = 2;
    message.data.data32[1] = time;
    xcb_send_event(c, 0, RootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    return true;
}
