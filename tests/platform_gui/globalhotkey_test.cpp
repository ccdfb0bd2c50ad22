#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

#include "gui/xvfbserver.h"
#include "platform/gui/globalhotkey.h"
#include "platform/gui/windowmessages.h"

namespace {

constexpr int kId = 0xB000;

// Records the hot-key messages it receives.
class Receiver : public QObject {
public:
    std::vector<intptr_t> Ids;

protected:
    void customEvent(QEvent* e) override {
        if (TMessageEvent* m = AsMessage(e, WM_HOTKEY))
            Ids.push_back(m->WParam);
    }
};

// A virtual X server of the test's own, ended with the test.
class VirtualDisplay : public TXvfbServer {
public:
    VirtualDisplay() : TXvfbServer("320x200x24"), Name(Display()) {}
    // A new connection to the server (null when there is none).
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> Connect() const {
        xcb_connection_t* c = Name.empty() ? nullptr : xcb_connect(Name.c_str(), nullptr);
        if (c && xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            c = nullptr;
        }
        return {c, &xcb_disconnect};
    }
    // Types keys on the server with xdotool; false when xdotool is missing or failed.
    bool Type(const QString& keys) const {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            return false;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(Name));
        p.setProcessEnvironment(env);
        p.start("xdotool", {"key", keys});
        return p.waitForFinished(5000) && p.exitCode() == 0;
    }
    const std::string Name;
};

// Hands the connection's events to the hot key until one was a hot-key press.
bool WaitForPress(xcb_connection_t* c, TGlobalHotKey& hotKey) {
    for (int i = 0; i < 200; ++i) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const bool pressed = hotKey.HandleEvent(e);
            std::free(e);
            if (pressed)
                return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return false;
}

} // namespace

TEST(GlobalHotKey, VirtualKeysAndModifierFlagsMapToXKeys) {
    // The default: Win + Down arrow.
    EXPECT_EQ(VirtualKeyToX11(40, MOD_WIN), (TX11Key{0xff54, 64}));
    EXPECT_EQ(VirtualKeyToX11('A', MOD_CONTROL | MOD_SHIFT), (TX11Key{'a', 4 | 1}));
    EXPECT_EQ(VirtualKeyToX11('7', MOD_ALT), (TX11Key{'7', 8}));
    EXPECT_EQ(VirtualKeyToX11(0x7B, MOD_ALT | MOD_WIN), (TX11Key{0xffc9, 8 | 64})); // F12
    EXPECT_EQ(VirtualKeyToX11(0x87, 0), (TX11Key{0xffd5, 0}));                      // F24
    EXPECT_EQ(VirtualKeyToX11(0x65, 0), (TX11Key{0xffb5, 0}));                      // keypad 5
    EXPECT_EQ(VirtualKeyToX11(0x24, 0), (TX11Key{0xff50, 0}));                      // Home
    EXPECT_EQ(VirtualKeyToX11(0xDE, 0), (TX11Key{'\'', 0}));
    EXPECT_EQ(VirtualKeyToX11(0x20, 0x4000), (TX11Key{' ', 0})); // unknown flags ignored
    EXPECT_EQ(VirtualKeyToX11(0, MOD_WIN), std::nullopt);
    EXPECT_EQ(VirtualKeyToX11(0x10, 0), std::nullopt); // Shift alone is no hot key
}

TEST(GlobalHotKey, WithoutAnXDisplayRegisteringFailsQuietly) {
    Receiver receiver;
    TGlobalHotKey hotKey(&receiver); // the offscreen platform has no X connection
    EXPECT_FALSE(hotKey.Available());
    EXPECT_FALSE(hotKey.Register(kId, MOD_WIN, 40));
    EXPECT_FALSE(hotKey.Registered(kId));
    hotKey.Unregister(kId);
    EXPECT_EQ(ActiveDesktopWindow(), 0u);
    EXPECT_FALSE(ActivateDesktopWindow(42));
}

TEST(GlobalHotKey, GrabsOnTheServerAndASecondClientFailsQuietly) {
    VirtualDisplay display;
    auto first = display.Connect(), second = display.Connect();
    if (!first || !second)
        GTEST_SKIP() << "needs Xvfb";
    Receiver receiver;
    auto desktop = std::make_unique<TGlobalHotKey>(&receiver, first.get());
    TGlobalHotKey program(&receiver, second.get());
    ASSERT_TRUE(desktop->Available());

    // The desktop holds Win+Down: the program's grab fails and leaves nothing behind.
    EXPECT_TRUE(desktop->Register(1, MOD_WIN, 40));
    EXPECT_FALSE(program.Register(kId, MOD_WIN, 40));
    EXPECT_FALSE(program.Registered(kId));
    EXPECT_TRUE(program.Register(kId + 1, MOD_WIN | MOD_SHIFT, 40)); // another combination
    EXPECT_FALSE(program.Register(kId, 0, 0xFF));                    // no X key

    // Once the desktop lets it go, the program gets it.
    desktop.reset();
    EXPECT_TRUE(program.Register(kId, MOD_WIN, 40));
    EXPECT_TRUE(program.Registered(kId));

    // A press reaches the receiver as WM_HOTKEY with the id, also with NumLock on.
    if (!display.Type("super+Down"))
        GTEST_SKIP() << "needs xdotool to press keys";
    ASSERT_TRUE(WaitForPress(second.get(), program));
    const uint32_t pressTime = program.LastPressTime();
    EXPECT_NE(pressTime, 0u);
    ASSERT_TRUE(display.Type("Num_Lock"));
    ASSERT_TRUE(display.Type("super+Down"));
    ASSERT_TRUE(WaitForPress(second.get(), program));
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.Ids, (std::vector<intptr_t>{kId, kId}));
    EXPECT_GT(program.LastPressTime(), pressTime); // the server's time of the later press

    // Unregistered, a press is no longer the program's.
    program.Unregister(kId);
    ASSERT_TRUE(display.Type("super+Down"));
    EXPECT_FALSE(WaitForPress(second.get(), program));
}

TEST(GlobalHotKey, ActivationIsAskedOfTheWindowManagerAsTheUsersOwn) {
    VirtualDisplay display;
    auto manager = display.Connect(), program = display.Connect();
    if (!manager || !program)
        GTEST_SKIP() << "needs Xvfb";
    xcb_connection_t* wm = manager.get();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(wm)).data->root;
    auto atom = [&](const char* name) {
        auto* reply = xcb_intern_atom_reply(
            wm, xcb_intern_atom(wm, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply->atom;
        std::free(reply);
        return a;
    };
    const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");

    // The program's window, mapped.
    xcb_connection_t* c = program.get();
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(c, window);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    // Without a window manager the window takes the keyboard focus itself.
    EXPECT_TRUE(ActivateDesktopWindow(c, window, XCB_CURRENT_TIME));
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    auto* focus = xcb_get_input_focus_reply(wm, xcb_get_input_focus(wm), nullptr);
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->focus, window);
    std::free(focus);

    // A window manager (one that publishes _NET_ACTIVE_WINDOW) is asked, as for the user
    // (source 2), with the time stamp of the user's action.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_change_window_attributes(wm, root, XCB_CW_EVENT_MASK, &mask);
    const uint32_t none = 0;
    xcb_change_property(wm, XCB_PROP_MODE_REPLACE, root, active, XCB_ATOM_WINDOW, 32, 1, &none);
    std::free(xcb_get_input_focus_reply(wm, xcb_get_input_focus(wm), nullptr));
    EXPECT_TRUE(ActivateDesktopWindow(c, window, 4321));
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    bool asked = false;
    for (int i = 0; i < 200 && !asked; ++i) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(wm)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                asked = m->type == active;
                EXPECT_EQ(m->window, window);
                EXPECT_EQ(m->data.data32[0], 2u);
                EXPECT_EQ(m->data.data32[1], 4321u);
            }
            std::free(e);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(asked);
    EXPECT_FALSE(ActivateDesktopWindow(c, 0, 4321));
}
