#pragma once
// The desktop alert: a small frameless window that stays on top near the bottom-right corner
// of the screen, fades in, stays a few seconds and fades out, and the queue that shows the
// alerts one at a time.
//
// Fading runs on a 100 ms timer (Timer1); Timer1Timer is one tick of it. With the start values
// an alert takes 8 ticks to fade in, stays 41 and fades out in 30; sped up (more alerts
// waiting) 3, 16 and 4. The window's position is kept in the settings store as
// "TranspDesktopAlertLeft" and "TranspDesktopAlertTop" under DesktopAlertSettingsKey.

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/windows/speedbuttonenh.h"
#include "platform/classes.h"
#include "platform/gui/paintbox.h"

class IReminderAwareItem;
class QFrame;

inline constexpr const char* DesktopAlertSettingsKey = "Software\\Fernhollow\\Tockwell\\Settings";

// Called with the alert's reminder when its text is clicked.
using TAlertClickEvent = std::function<void(const std::shared_ptr<IReminderAwareItem>& item)>;

// One queued alert's reminder and click handler (which may be unassigned).
struct TTrasnpMsgClick {
    TTrasnpMsgClick(std::shared_ptr<IReminderAwareItem> item, TAlertClickEvent click)
        : Item(std::move(item)), Click(std::move(click)) {}
    std::shared_ptr<IReminderAwareItem> Item;
    TAlertClickEvent Click;
};

class TTransparentMsgBox : public QWidget {
    Q_OBJECT
public:
    enum TFadeState { fsFadeIn = 0, fsFadeOut = 1, fsShown = 2 };

    // A hidden alert placed at its stored position (or the bottom-right corner of the work
    // area), kept inside the work area. It frees itself when closed.
    explicit TTransparentMsgBox(QWidget* owner = nullptr);
    ~TTransparentMsgBox() override;

    // Components.
    QFrame* pnlPanel;
    TPaintBox* pbEffort;
    QLabel* Image2; // the band at the top
    QLabel* Image1; // the icon
    QLabel* lbMessage;
    TSpeedButtonEnh* sbClose;
    QLabel* lbClose;
    TSpeedButtonEnh* sbtnCloseSearch;
    QTimer* Timer1;

    // Fields (values set at creation).
    int FadeInStep = 32; // alpha added per tick while fading in
    int FadeOutStep = 8; // alpha taken per tick while fading out
    int MaxAlpha = 240;  // opacity while shown
    int ShowTicks = 40;  // ticks to stay after fading in (more than this many)
    TFadeState State = fsFadeIn;
    int TickCount = 0; // ticks spent shown
    std::shared_ptr<IReminderAwareItem> Item;
    TAlertClickEvent Click;
    int Busy = 0; // while above 0, activation changes leave the state alone
    bool HandleTopMosts = true;

    // Handlers the owner may replace: activation, deactivation, destruction.
    std::function<void()> OnActivate, OnDeactivate, OnDestroy;

    // The window's opacity, 0..255.
    int Alpha() const { return alpha_; }
    void SetAlpha(int value);
    // True while the click handler runs: the alert neither fades nor closes then.
    bool Holding() const { return holding_ > 0; }

    // Shows text in lbMessage word-wrapped into the lines it has room for, the last ending in
    // "..." when text is left.
    void SetMessage(const std::string& text);
    void PlaceWindow();
    // Shows the window at opacity 0 without activating it and starts fading in.
    void StartFadeIn();
    void StartShown();
    void StartFadeOut();
    // Faster fading and a shorter stay, so that waiting alerts come sooner.
    void SpeedUp();
    // One tick of the fade state machine; closes the window at the end of fading out.
    void Timer1Timer();
    void OnWndEnter();
    void OnWndLeave();
    // Full opacity, the state kept: the pointer moves over the window, the panel, the images
    // or the close buttons.
    void FormMouseMove();
    // Starts moving the window with the mouse that went down at grabPos (global): a press on
    // the window, the panel, the top image or a text without click handler; not on the
    // paint box or the icon.
    void FormMouseDown(QPoint grabPos);
    void FormClick();
    void lbMessageMouseEnter();
    void lbMessageMouseLeave();
    // Calls Click(Item) with the top-most windows restored; the window stays.
    void lbMessageClick();
    void sbCloseClick();
    void lbCloseMouseDown();
    void lbCloseMouseEnter();
    void lbCloseMouseLeave();

protected:
    void FormCreate();
    void pbEffortPaint(QPainter& canvas);
    // Stores the position and restores the top-most windows.
    void FormClose();
    void FormKeyDown(int key);

    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    int alpha_ = 0;
    int holding_ = 0;
    bool closePending_ = false; // a close asked for while holding
    bool closed_ = false;
    bool labelPressed_ = false;
    QWidget* pressedOn_ = nullptr; // the component a press without drag went to
};

// The queue of alerts: shows one alert window at a time, in the order of AddMessage.
class TTranspMsgBoxManager {
public:
    TTranspMsgBoxManager() = default;
    // Closes the alert shown; the waiting ones are dropped.
    ~TTranspMsgBoxManager();
    TTranspMsgBoxManager(const TTranspMsgBoxManager&) = delete;
    TTranspMsgBoxManager& operator=(const TTranspMsgBoxManager&) = delete;

    // Queues an alert; speeds up the one shown, or shows this one when none is.
    void AddMessage(const std::string& text, std::shared_ptr<IReminderAwareItem> item,
                    TAlertClickEvent click);
    // Shows the oldest waiting alert (sped up when more wait); Showing tells whether there
    // was one. Called again when an alert window goes.
    void ShowNext();
    // Fades out the alert shown (the application lost activation).
    void DeactivateCurrent();

    bool Showing() const { return showing_; }
    // The alert window shown, or null.
    TTransparentMsgBox* Current() const { return current_; }
    // Alerts waiting behind the one shown.
    int Count() const { return queue_.Count(); }

private:
    TStringList queue_; // alert texts, each with its TTrasnpMsgClick
    bool showing_ = false;
    QPointer<TTransparentMsgBox> current_;
};

// The process-wide queue: created by InitTranspMsgBoxManager at start-up (after the
// application object), freed by DoneTranspMsgBoxManager; null outside that span.
TTranspMsgBoxManager* TranspMsgBoxManager();
void InitTranspMsgBoxManager();
void DoneTranspMsgBoxManager();
// Lets go of the queue without freeing it, for a process that ends by exit() while the
// application object still exists: its windows must not be destroyed after Qt's statics.
void AbandonTranspMsgBoxManager();
