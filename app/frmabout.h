#pragma once
// TAboutDlg: the about box. A small tool window that fades in (window opacity, 100 ms timer),
// shows the program's name and version with links to the maker's web site and the support
// e-mail address, and fades out when closed. Modeless; one at a time. GUI thread only.

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

class TAboutDlg : public QWidget {
    Q_OBJECT
public:
    // The fade: opacity 0-255 in steps of 55 in and 100 out; a box that holds after the fade-in
    // starts the fade-out after 30 ticks, but only while its timer runs (it does not).
    static constexpr int FadeInStep = 55;
    static constexpr int FadeOutStep = 100;
    static constexpr int FullAlpha = 255;
    static constexpr int HoldTicks = 30;
    static constexpr int TimerInterval = 100; // ms
    enum TFadeState { fsFadingIn = 0, fsFadingOut = 1, fsHolding = 2 };

    explicit TAboutDlg(QWidget* parent = nullptr);

    // Shows the box without activating it and starts the fade-in; disableWindow (may be null)
    // stays disabled until the box closes.
    void StartFade(QWidget* disableWindow);
    // One tick of Timer1 (public so that tests drive the fade by hand).
    void Timer1Timer();
    // The Close button: fades out, or closes at once when visual styles are off.
    void Button1Click();
    // The link labels: open the web address, or a "mailto:" link to the support address.
    void lbURLClick();
    void lbSupportEMailClick();

    int AlphaBlendValue() const { return alpha_; }
    TFadeState FadeState() const { return fadeState_; }
    int TickCount() const { return tickCount_; }
    QTimer& Timer1() { return *timer1_; }
    QLabel& lbVersion() { return *lbVersion_; }
    QLabel& lbURL() { return *lbURL_; }
    QLabel& lbSupportEMail() { return *lbSupportEMail_; }
    QPushButton& Button1() { return *button1_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void SetAlphaBlendValue(int alpha);
    void StartFadeOut();

    QPointer<QWidget> disableWindow_;
    TFadeState fadeState_ = fsFadingIn;
    int alpha_ = 240;
    int tickCount_ = 0;
    bool closed_ = false;

    QLabel* Image1 = nullptr;
    QLabel* lbName = nullptr;
    QLabel* lbVersionCaption = nullptr;
    QLabel* lbVersion_ = nullptr;
    QLabel* lbURL_ = nullptr;
    QLabel* lbSupportEMail_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* Button2 = nullptr;
    QTimer* timer1_ = nullptr;
};

// The web address and "mailto:" link the about box's labels open.
std::string AboutWebAddress();
std::string AboutSupportLink();

// Creates the about box (or brings up the one that is open): stays on top when asked,
// disables disableWindow while shown, and starts the fade-in. Returns the box; it deletes
// itself when closed.
TAboutDlg* ShowAbout(QWidget* disableWindow, bool stayOnTop);
// The about box that is open; null when none.
TAboutDlg* AboutDlg();
