#pragma once
// TCoolTrayIcon: the program's icon in the desktop's system tray (over QSystemTrayIcon). It
// turns the tray's reports into component events (a click is delayed so that it does not
// precede a double click), shows a pop-up menu, runs the menu's default item on a double
// click, shows balloon messages, cycles through an icon list and can hide its owner window to
// the tray on minimise. GUI thread only.
//
// The tray reports only clicks, double clicks, right and middle clicks, balloon clicks and (on
// trays that embed the icon) hovering. Each click is delivered as the mouse sequence it stands
// for (move, down, up); hovering as a move. Enter is raised with the first move after the
// mouse was outside, exit when the cursor leaves the icon (or moves, where the icon's place is
// unknown). A balloon counts as shown when it is handed to the tray, as timed out when its
// timeout has passed, and as hidden when HideBalloonHint, a new balloon or hiding the icon
// removes it. Shown and hidden are reported from the event queue; a hidden report that finds
// another balloon shown by then is dropped.

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/simpletimer.h"

class QWidget;
class QTimer;

enum TBalloonHintIcon { bitNone, bitInfo, bitWarning, bitError };

// The tray's reports, as the component's callback takes them.
enum class TTrayMessage {
    MouseMove,
    LButtonDown,
    LButtonUp,
    LButtonDblClk,
    RButtonDown,
    RButtonUp,
    MButtonDown,
    MButtonUp,
    BalloonShow,
    BalloonHide,
    BalloonTimeout,
    BalloonUserClick,
};

// What the component hands to the tray: icon, tooltip and the last balloon.
struct TTrayIconData {
    QIcon Icon;
    QString Tip;          // at most 127 characters; empty without a hint
    bool InfoSet = false; // the next update changes the balloon
    QString Info;         // balloon text, at most 255 characters; empty hides the balloon
    QString InfoTitle;    // at most 63 characters
    int TimeoutMs = 0;
    TBalloonHintIcon InfoIcon = bitNone;
};

class TCoolTrayIcon : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TCoolTrayIcon& sender)>;
    // Button, keyboard modifiers, cursor position on the screen.
    using TMouseEvent = std::function<void(TCoolTrayIcon& sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, int x, int y)>;
    using TMouseMoveEvent =
        std::function<void(TCoolTrayIcon& sender, Qt::KeyboardModifiers shift, int x, int y)>;
    using TCycleEvent = std::function<void(TCoolTrayIcon& sender, int nextIndex)>;
    using TStartupEvent = std::function<void(TCoolTrayIcon& sender, bool& showMainForm)>;

    // owner: the main window the icon stands for (may be null); the icon is its child.
    explicit TCoolTrayIcon(QWidget* owner = nullptr);
    ~TCoolTrayIcon() override;

    // Properties (defaults in brackets).
    QIcon Icon() const { return icon_; }
    void SetIcon(const QIcon& value);
    const std::vector<QIcon>& IconList() const { return iconList_; }
    // Stores the list and sets IconIndex 0.
    void SetIconList(std::vector<QIcon> value);
    // Index into IconList, clamped to it; setting it shows that image (0 without a list).
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int value);
    // [false] Show the icons of IconList in turn, every CycleInterval ms (0: not at all).
    bool CycleIcons() const { return cycleIcons_; }
    void SetCycleIcons(bool value);
    unsigned CycleInterval() const { return cycleInterval_; }
    void SetCycleInterval(unsigned value);
    // [true] Mouse reports are ignored while false.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    // The tooltip, lines separated by "\n\r" (or "\n"); cut to 127 characters.
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& value);
    // [true] Without it the tooltip is empty.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    // [false] Puts the icon into the tray or removes it.
    bool IconVisible() const { return iconVisible_; }
    void SetIconVisible(bool value);
    // The menu of the right button (with LeftPopup also of the left); its default action
    // runs on a double click. Not owned; cleared when the menu goes.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu);
    bool LeftPopup() const { return leftPopup_; } // [false]
    void SetLeftPopup(bool value) { leftPopup_ = value; }
    // [false] Raise OnMouseEnter and OnMouseExit (watches the cursor every 20 ms).
    bool WantEnterExitEvents() const { return wantEnterExit_; }
    void SetWantEnterExitEvents(bool value);
    // [false] Minimising the owner hides it to the tray.
    bool MinimizeToTray() const { return minimizeToTray_; }
    void SetMinimizeToTray(bool value) { minimizeToTray_ = value; }

    TNotifyEvent OnClick, OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter, OnMouseExit;
    TCycleEvent OnCycle;
    TNotifyEvent OnBalloonHintShow, OnBalloonHintHide, OnBalloonHintTimeout, OnBalloonHintClick;
    TNotifyEvent OnMinimizeToTray;
    TStartupEvent OnStartup;

    // Shows a balloon (any shown one is hidden first): title cut to 63 and text to 255
    // characters (read no further), each of at most HintMaxLines lines, its icon, shown for
    // timeoutSecs seconds. False when the tray cannot show it.
    bool ShowBalloonHint(std::string_view title, std::string_view text, TBalloonHintIcon iconType,
                         int timeoutSecs);
    // Removes the balloon. Where the desktop's notification service shows balloons they stay
    // until it closes them; the component counts them as hidden all the same.
    bool HideBalloonHint();
    // True when the desktop has a system tray: only then can the owner be hidden to the tray
    // without stranding the user (otherwise minimise it).
    static bool TrayAvailable();
    // True when hiding the owner leaves the user an icon to bring it back: a tray exists and
    // the icon is visible.
    bool CanHideToTray() const;
    // Hides the owner window.
    void HideMainForm();
    // Hides the owner to the tray and shows the icon; without a tray the owner is minimised.
    void DoMinimizeToTray();
    // Pops the menu up at the mouse cursor.
    void PopupAtCursor();
    // Call once the properties are set: OnStartup may keep the owner hidden; then the icon,
    // its visibility, cycling and enter/exit watching take effect.
    void Loaded();

    // The component's callback: what the tray reported. Qt's reports arrive here; tests call it
    // directly. Ignored while Enabled is false.
    void TrayMessage(TTrayMessage msg);
    // What was last handed to the tray.
    const TTrayIconData& Data() const { return data_; }
    // The tray icon object.
    QSystemTrayIcon* Tray() const { return tray_; }

protected:
    // May the program icon stand in for an empty Icon.
    virtual bool InitIcon() { return true; }
    // True when the tray can show balloons.
    virtual bool CanShowMessages() const;
    // Puts the icon into the tray, takes it out, updates it. True when the tray took it.
    virtual bool ShowIcon();
    virtual bool HideIcon();
    virtual bool ModifyIcon();

    virtual void Click();
    virtual void DblClick();
    virtual void CycleIcon();
    virtual void MouseDown(Qt::MouseButton button);
    virtual void MouseUp(Qt::MouseButton button);
    virtual void MouseMove();
    virtual void MouseEnter();
    virtual void MouseExit();

    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void ClickTimerTick();
    void ExitTimerTick();
    void CycleTimerTick();
    void BalloonTimerTick();
    void EndBalloon(TTrayMessage how);
    void PostTrayMessage(TTrayMessage msg);
    bool OwnBalloons() const;
    QIcon ShownIcon();
    // The index after IconIndex in IconList, wrapping to 0.
    int NextIconIndex() const;

    QPointer<QWidget> owner_;
    QSystemTrayIcon* tray_; // child of this object
    TTrayIconData data_;

    QIcon icon_;
    QIcon defaultIcon_; // the program icon, drawn when first needed
    std::vector<QIcon> iconList_;
    int iconIndex_ = 0;
    bool cycleIcons_ = false;
    unsigned cycleInterval_ = 0;
    bool enabled_ = true;
    std::string hint_;
    bool showHint_ = true;
    bool iconVisible_ = false;
    QPointer<QMenu> popupMenu_;
    bool leftPopup_ = false;
    bool wantEnterExit_ = false;
    bool minimizeToTray_ = false;

    TSimpleTimer cycleTimer_, clickTimer_, exitTimer_;
    QTimer* balloonTimer_; // child of this object
    bool balloonShown_ = false;

    bool leftDown_ = false, clickPending_ = false, dblClicked_ = false;
    bool mouseOutside_ = true;
    QPoint lastPos_;
};
