#include "app/cooltrayicon.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>

#include "app/programicons.h"
#include "platform/gui/textfit.h"
#include "platform/sysutils.h"

namespace {

constexpr int kTipChars = 127, kInfoChars = 255, kInfoTitleChars = 63;
constexpr unsigned kExitInterval = 20;

// The first maxChars characters (code points) of utf8, read no further, in at most
// HintMaxLines lines.
QString Cut(std::string_view utf8, int maxChars) {
    return QString::fromStdString(
        LimitHintLines(Utf8Prefix(utf8, size_t(maxChars)), HintMaxLines, maxChars));
}

QSystemTrayIcon::MessageIcon MessageIconOf(TBalloonHintIcon icon) {
    switch (icon) {
    case bitInfo:
        return QSystemTrayIcon::Information;
    case bitWarning:
        return QSystemTrayIcon::Warning;
    case bitError:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

} // namespace

TCoolTrayIcon::TCoolTrayIcon(QWidget* owner)
    : QObject(owner), owner_(owner), tray_(new QSystemTrayIcon(this)),
      exitTimer_(kExitInterval, {}), balloonTimer_(new QTimer(this)) {
    cycleTimer_.SetOnTimer([this](TSimpleTimer&) { CycleTimerTick(); });
    clickTimer_.SetOnTimer([this](TSimpleTimer&) { ClickTimerTick(); });
    exitTimer_.SetOnTimer([this](TSimpleTimer&) { ExitTimerTick(); });
    balloonTimer_->setSingleShot(true);
    connect(balloonTimer_, &QTimer::timeout, this, [this] { BalloonTimerTick(); });
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { Activated(r); });
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] {
        balloonTimer_->stop();
        balloonShown_ = false;
        TrayMessage(TTrayMessage::BalloonUserClick);
    });
    tray_->installEventFilter(this);
    if (owner)
        owner->installEventFilter(this);
}

TCoolTrayIcon::~TCoolTrayIcon() {
    SetIconVisible(false);
}

void TCoolTrayIcon::SetIcon(const QIcon& value) {
    icon_ = value;
    ModifyIcon();
}

void TCoolTrayIcon::SetIconList(std::vector<QIcon> value) {
    iconList_ = std::move(value);
    iconIndex_ = -1; // so that index 0 is applied
    SetIconIndex(0);
}

void TCoolTrayIcon::SetIconIndex(int value) {
    if (iconList_.empty()) {
        iconIndex_ = 0;
        return;
    }
    value = std::clamp(value, 0, int(iconList_.size()) - 1);
    iconIndex_ = value;
    icon_ = iconList_[value];
    ModifyIcon();
}

void TCoolTrayIcon::SetCycleIcons(bool value) {
    cycleIcons_ = value;
    if (!value) {
        cycleTimer_.Stop(true);
        return;
    }
    SetIconIndex(0);
    cycleTimer_.SetInterval(cycleInterval_);
    cycleTimer_.Start();
}

void TCoolTrayIcon::SetCycleInterval(unsigned value) {
    if (value == cycleInterval_)
        return;
    cycleInterval_ = value;
    SetCycleIcons(cycleIcons_);
}

void TCoolTrayIcon::SetHint(const std::string& value) {
    hint_ = value;
    ModifyIcon();
}

void TCoolTrayIcon::SetShowHint(bool value) {
    showHint_ = value;
    ModifyIcon();
}

void TCoolTrayIcon::SetIconVisible(bool value) {
    iconVisible_ = value;
    if (value)
        ShowIcon();
    else
        HideIcon();
}

void TCoolTrayIcon::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
    // The tray pops the menu up on the right button itself.
    tray_->setContextMenu(menu);
}

void TCoolTrayIcon::SetWantEnterExitEvents(bool value) {
    wantEnterExit_ = value;
    exitTimer_.SetEnabled(value);
}

QIcon TCoolTrayIcon::ShownIcon() {
    if (!icon_.isNull() || !InitIcon())
        return icon_;
    if (defaultIcon_.isNull())
        defaultIcon_ = ProgramIcon();
    return defaultIcon_;
}

bool TCoolTrayIcon::TrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TCoolTrayIcon::CanShowMessages() const {
    return TrayAvailable() && QSystemTrayIcon::supportsMessages();
}

bool TCoolTrayIcon::CanHideToTray() const {
    return iconVisible_ && TrayAvailable();
}

bool TCoolTrayIcon::OwnBalloons() const {
    // Icons embedded in the tray have a place on the screen; their balloons are Qt's own
    // windows, which an empty message closes. The notification service's bubbles have none.
    return tray_->isVisible() && tray_->geometry().isValid();
}

bool TCoolTrayIcon::ShowIcon() {
    ModifyIcon();
    tray_->show();
    return TrayAvailable();
}

bool TCoolTrayIcon::HideIcon() {
    if (balloonShown_)
        EndBalloon(TTrayMessage::BalloonHide);
    tray_->hide();
    return true;
}

bool TCoolTrayIcon::ModifyIcon() {
    data_.Icon = ShownIcon();
    data_.Tip.clear();
    if (!hint_.empty() && showHint_) {
        data_.Tip = QString::fromStdString(HintLineBreaks(Cut(hint_, kTipChars).toStdString()));
    }
    tray_->setIcon(data_.Icon);
    tray_->setToolTip(data_.Tip);
    bool ok = iconVisible_ && TrayAvailable();
    if (!data_.InfoSet)
        return ok;
    if (data_.Info.isEmpty()) {
        if (balloonShown_) {
            if (OwnBalloons())
                tray_->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
            EndBalloon(TTrayMessage::BalloonHide);
        }
        return ok;
    }
    if (!iconVisible_ || !CanShowMessages())
        return false;
    tray_->showMessage(data_.InfoTitle, data_.Info, MessageIconOf(data_.InfoIcon), data_.TimeoutMs);
    balloonShown_ = true;
    balloonTimer_->start(std::max(0, data_.TimeoutMs));
    PostTrayMessage(TTrayMessage::BalloonShow);
    return true;
}

bool TCoolTrayIcon::ShowBalloonHint(std::string_view title, std::string_view text,
                                    TBalloonHintIcon iconType, int timeoutSecs) {
    HideBalloonHint();
    data_.InfoSet = true;
    data_.Info = Cut(text, kInfoChars);
    data_.InfoTitle = Cut(title, kInfoTitleChars);
    data_.TimeoutMs = timeoutSecs * 1000;
    data_.InfoIcon = iconType;
    bool ok = ModifyIcon();
    data_.InfoSet = false;
    return ok;
}

bool TCoolTrayIcon::HideBalloonHint() {
    data_.InfoSet = true;
    data_.Info.clear();
    bool ok = ModifyIcon();
    data_.InfoSet = false;
    return ok;
}

void TCoolTrayIcon::EndBalloon(TTrayMessage how) {
    balloonTimer_->stop();
    balloonShown_ = false;
    PostTrayMessage(how);
}

void TCoolTrayIcon::BalloonTimerTick() {
    if (!balloonShown_)
        return;
    balloonShown_ = false;
    TrayMessage(TTrayMessage::BalloonTimeout);
}

void TCoolTrayIcon::PostTrayMessage(TTrayMessage msg) {
    QMetaObject::invokeMethod(
        this,
        [this, msg] {
            // A balloon shown since the report was posted is up: its owner would take it
            // for gone.
            if (msg == TTrayMessage::BalloonHide && balloonShown_)
                return;
            TrayMessage(msg);
        },
        Qt::QueuedConnection);
}

void TCoolTrayIcon::HideMainForm() {
    if (!owner_)
        return;
    owner_->hide();
    owner_->setWindowState(owner_->windowState() & ~Qt::WindowMinimized);
}

void TCoolTrayIcon::DoMinimizeToTray() {
    SetIconVisible(true);
    if (!TrayAvailable()) {
        // Nothing to come back by: leave the window minimised instead.
        if (owner_ && !owner_->isMinimized())
            owner_->showMinimized();
        return;
    }
    HideMainForm();
}

void TCoolTrayIcon::PopupAtCursor() {
    if (popupMenu_)
        popupMenu_->popup(QCursor::pos());
}

void TCoolTrayIcon::Loaded() {
    if (owner_) {
        bool showMainForm = true;
        if (OnStartup)
            OnStartup(*this, showMainForm);
        if (!showMainForm)
            owner_->hide();
    }
    ModifyIcon();
    SetIconVisible(iconVisible_);
    SetCycleIcons(cycleIcons_);
    SetWantEnterExitEvents(wantEnterExit_);
}

void TCoolTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        TrayMessage(TTrayMessage::MouseMove);
        TrayMessage(TTrayMessage::LButtonDown);
        TrayMessage(TTrayMessage::LButtonUp);
        break;
    case QSystemTrayIcon::DoubleClick:
        TrayMessage(TTrayMessage::LButtonDblClk);
        TrayMessage(TTrayMessage::LButtonUp);
        break;
    case QSystemTrayIcon::Context:
        TrayMessage(TTrayMessage::MouseMove);
        TrayMessage(TTrayMessage::RButtonDown);
        TrayMessage(TTrayMessage::RButtonUp);
        break;
    case QSystemTrayIcon::MiddleClick:
        TrayMessage(TTrayMessage::MouseMove);
        TrayMessage(TTrayMessage::MButtonDown);
        TrayMessage(TTrayMessage::MButtonUp);
        break;
    default:
        break;
    }
}

void TCoolTrayIcon::TrayMessage(TTrayMessage msg) {
    if (!enabled_)
        return;
    switch (msg) {
    case TTrayMessage::MouseMove:
        if (wantEnterExit_ && mouseOutside_) {
            MouseEnter();
            mouseOutside_ = false;
        }
        MouseMove();
        lastPos_ = QCursor::pos();
        break;
    case TTrayMessage::LButtonDown:
        if (OnDblClick) {
            clickTimer_.SetInterval(
                unsigned(std::max(1, QGuiApplication::styleHints()->mouseDoubleClickInterval())));
            clickTimer_.Start();
        }
        MouseDown(Qt::LeftButton);
        leftDown_ = true;
        if (leftPopup_ && popupMenu_)
            PopupAtCursor();
        break;
    case TTrayMessage::LButtonUp:
        if (leftDown_) {
            clickPending_ = true;
            if (!clickTimer_.Enabled()) {
                clickPending_ = false;
                dblClicked_ = false;
                Click();
            }
        }
        leftDown_ = false;
        MouseUp(Qt::LeftButton);
        break;
    case TTrayMessage::LButtonDblClk:
        clickPending_ = false;
        dblClicked_ = true;
        DblClick();
        if (popupMenu_ && !leftPopup_) {
            if (QAction* def = popupMenu_->defaultAction())
                def->trigger();
        }
        break;
    case TTrayMessage::RButtonDown:
        // The tray itself pops the menu up on the right button.
        MouseDown(Qt::RightButton);
        break;
    case TTrayMessage::RButtonUp:
        MouseUp(Qt::RightButton);
        break;
    case TTrayMessage::MButtonDown:
        MouseDown(Qt::MiddleButton);
        break;
    case TTrayMessage::MButtonUp:
        MouseUp(Qt::MiddleButton);
        break;
    case TTrayMessage::BalloonShow:
        if (OnBalloonHintShow)
            OnBalloonHintShow(*this);
        break;
    case TTrayMessage::BalloonHide:
        if (OnBalloonHintHide)
            OnBalloonHintHide(*this);
        break;
    case TTrayMessage::BalloonTimeout:
        if (OnBalloonHintTimeout)
            OnBalloonHintTimeout(*this);
        break;
    case TTrayMessage::BalloonUserClick:
        if (OnBalloonHintClick)
            OnBalloonHintClick(*this);
        break;
    }
}

void TCoolTrayIcon::ClickTimerTick() {
    clickTimer_.Stop(true);
    if (!dblClicked_ && clickPending_) {
        clickPending_ = false;
        Click();
    }
    dblClicked_ = false;
}

void TCoolTrayIcon::ExitTimerTick() {
    if (mouseOutside_)
        return;
    QPoint pos = QCursor::pos();
    QRect place = tray_->geometry();
    if (place.isValid() ? !place.contains(pos) : pos != lastPos_) {
        mouseOutside_ = true;
        MouseExit();
    }
}

int TCoolTrayIcon::NextIconIndex() const {
    return iconIndex_ + 1 < int(iconList_.size()) ? iconIndex_ + 1 : 0;
}

void TCoolTrayIcon::CycleTimerTick() {
    CycleIcon();
    SetIconIndex(NextIconIndex());
}

void TCoolTrayIcon::Click() {
    if (OnClick)
        OnClick(*this);
}

void TCoolTrayIcon::DblClick() {
    if (OnDblClick)
        OnDblClick(*this);
}

void TCoolTrayIcon::CycleIcon() {
    if (OnCycle)
        OnCycle(*this, NextIconIndex());
}

void TCoolTrayIcon::MouseDown(Qt::MouseButton button) {
    if (OnMouseDown) {
        QPoint pos = QCursor::pos();
        OnMouseDown(*this, button, QGuiApplication::queryKeyboardModifiers(), pos.x(), pos.y());
    }
}

void TCoolTrayIcon::MouseUp(Qt::MouseButton button) {
    if (OnMouseUp) {
        QPoint pos = QCursor::pos();
        OnMouseUp(*this, button, QGuiApplication::queryKeyboardModifiers(), pos.x(), pos.y());
    }
}

void TCoolTrayIcon::MouseMove() {
    if (OnMouseMove) {
        QPoint pos = QCursor::pos();
        OnMouseMove(*this, QGuiApplication::queryKeyboardModifiers(), pos.x(), pos.y());
    }
}

void TCoolTrayIcon::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(*this);
}

void TCoolTrayIcon::MouseExit() {
    if (OnMouseExit)
        OnMouseExit(*this);
}

bool TCoolTrayIcon::eventFilter(QObject* watched, QEvent* e) {
    if (watched == tray_ && e->type() == QEvent::ToolTip) {
        // Hovering an embedded icon: a mouse move, so that the hint can be brought up to date
        // before the tooltip shows it.
        TrayMessage(TTrayMessage::MouseMove);
    } else if (watched == owner_ && e->type() == QEvent::WindowStateChange && minimizeToTray_ &&
               owner_->isMinimized()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!owner_ || !owner_->isMinimized())
                    return;
                if (OnMinimizeToTray)
                    OnMinimizeToTray(*this);
                DoMinimizeToTray();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, e);
}
