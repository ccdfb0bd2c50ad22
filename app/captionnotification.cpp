#include "app/captionnotification.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <cmath>

#include "app/cooltrayicon.h"
#include "app/frmmain.h"
#include "app/simpletimer.h"
#include "core/durationtexts.h"
#include "core/productinfo.h"
#include "core/texthelpers.h"
#include "core/tockwelldb.h"
#include "platform/datetimeformat.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/globalhotkey.h"
#include "platform/gui/textfit.h"

namespace {

constexpr int kHintCaptionLength = 30;
constexpr int kBalloonSeconds = 10;
// The line break of the hints and balloons (a "\r" after it would start the next line with
// a blank).
const char* const kLineBreak = "\n";

} // namespace

// ---- Rules ----------------------------------------------------------------------------------

bool AlertIsNear(TDateTime now, TDateTime time) {
    return time != 0 && time <= now + 1;
}

bool CaptionShowsAlert(const TTockwellOptions& options, TDateTime now, TDateTime time) {
    return options.ShowNextAlertInCaption && time != 0 &&
           time <= now + options.CaptionLeadTime + 18 * OneSecond;
}

std::string NearestAlertDueText(TDateTime now, TDateTime time) {
    // The span rounds to whole minutes: the last half minute, like a past alert, is "a few
    // sec" (an empty due text would take the notification away just before the alert).
    std::string due = time > now ? FormatDuration(true, false, false, false, time - now) : "";
    return due.empty() ? "a few sec" : due;
}

std::string NearestAlertHint(const std::string& dueText, TDateTime time,
                             const std::string& caption) {
    return std::string("Nearest alert:") + kLineBreak + "in " + dueText + kLineBreak +
           FormatDateTime("t", time) + " - " + TruncateWithEllipsis(caption, kHintCaptionLength);
}

std::string TrayHint(const std::string& nearestHint) {
    return std::string("Tockwell") + kLineBreak +
           (nearestHint.empty() ? std::string(TockwellWebAddress) : nearestHint);
}

std::string CaptionNotificationLead(const std::string& dueText) {
    return "in " + dueText + ": ";
}

std::string CaptionNotificationText(const std::string& dueText, const std::string& caption) {
    return CaptionNotificationLead(dueText) + caption;
}

std::string AddedBalloonText(TDateTime now, TDateTime date, const std::string& caption) {
    std::string text = FormatDateTime("ddddd, t", date);
    const std::string span =
        date > now ? FormatDuration(true, true, false, false, date - now) : std::string();
    if (!span.empty())
        text += kLineBreak + ("in " + span);
    return text + kLineBreak + caption;
}

unsigned BlinkStep(std::string& text, std::string& saved, int& count,
                   const TTockwellOptions& options) {
    if (!text.empty()) {
        if (count <= 0)
            return 0;
        saved = text;
        text.clear();
        return unsigned(options.BlinkOffMs);
    }
    text = saved;
    --count;
    return count >= 0 ? unsigned(options.BlinkOnMs) : 0;
}

// ---- The nearest alert ----------------------------------------------------------------------

void TfrmMain::RefreshAll() {
    // Reminder days and today may have moved.
    RepaintCalendar();
    TTockwellItemPtr item = db_->GetNextAlertItem();
    const TDateTime time = item ? item->NextAlertDateTime() : 0;
    if (item && AlertIsNear(Now(), time)) {
        SetTodayIndicatorVisible(true);
        nearestItem_ = item;
        nearestTime_ = time;
        nearestCaption_ = item->Caption;
        UpdateNearestAlertHint();
    } else {
        nearestItem_.reset();
        SetTodayIndicatorVisible(false);
    }
}

bool TfrmMain::TodayIndicatorShown() const {
    return !imgTodayEvents->isHidden();
}

void TfrmMain::SetTodayIndicatorVisible(bool visible) {
    imgTodayEvents->setVisible(visible);
    if (visible)
        return;
    // Hidden, it holds no alert, and the hints say so.
    nearestTime_ = 0;
    nearestCaption_.clear();
    UpdateNearestAlertHint();
}

void TfrmMain::UpdateNearestAlertHint() {
    std::string due, hint;
    if (nearestTime_ != 0) {
        due = NearestAlertDueText(Now(), nearestTime_);
        hint = NearestAlertHint(due, nearestTime_, nearestCaption_);
    }
    imgTodayEvents->setToolTip(HintToolTip(hint));
    CoolTrayIcon_->SetHint(TrayHint(hint));
    RefreshNearestAlert(due);
}

void TfrmMain::RefreshNearestAlert(const std::string& dueText) {
    const TTockwellOptions& options = db_->DBSettings;
    if (!CaptionShowsAlert(options, Now(), nearestTime_)) {
        lbCaptionNotification->setText(QStringLiteral("Tockwell"));
        lbCaptionNotification->setToolTip(QString());
        lbCaptionNotification->unsetCursor();
        return;
    }
    // A hidden window comes up collapsed, without taking the focus.
    if (options.ShowWindowForNearAlert && !isVisible() && layoutLoading_ == 0 &&
        !CaptionNotificationShown()) {
        SetCollapsed(true);
        ShowMainWindow(false, false);
    }
    // As much of the caption as fits is measured, and the whole text is not put together.
    const QString text = FirstLineToWidth(TextWidthOf(lbCaptionNotification->fontMetrics()),
                                          {CaptionNotificationLead(dueText), nearestCaption_},
                                          lbCaptionNotification->width());
    // In the dark phase of a blink the text waits for the light one.
    if (tmCaptionBlink->Enabled() && lbCaptionNotification->text().isEmpty())
        savedCaption_ = text.toStdString();
    else
        lbCaptionNotification->setText(text);
    lbCaptionNotification->setToolTip(
        HintToolTip(NearestAlertHint(dueText, nearestTime_, nearestCaption_)));
    lbCaptionNotification->setCursor(Qt::PointingHandCursor);
}

bool TfrmMain::CaptionNotificationShown() const {
    return !lbCaptionNotification->toolTip().isEmpty();
}

void TfrmMain::OpenNearestReminder() {
    if (nearestItem_ && !nearestItem_->IsRemoved())
        EditReminderAndShow(nearestItem_, true, true, false);
}

// ---- Blinking -------------------------------------------------------------------------------

void TfrmMain::UpdateCaptionBlink() {
    const TTockwellOptions& options = db_->DBSettings;
    if (!options.BlinkAlertInCaption || tmCaptionBlink->Enabled() || !CaptionNotificationShown())
        return;
    const TDateTime now = Now();
    if (lastBlink_ != 0 && (now - lastBlink_) < options.BlinkEveryNSeconds * OneSecond)
        return;
    blinkCount_ = options.BlinkCount;
    tmCaptionBlink->SetInterval(unsigned(options.BlinkOnMs));
    tmCaptionBlink->Start();
    lastBlink_ = now;
}

void TfrmMain::tmCaptionBlinkTimer() {
    tmCaptionBlink->Stop(true);
    if (!CaptionNotificationShown()) {
        lbCaptionNotification->setText(QStringLiteral("Tockwell"));
        return;
    }
    std::string text = lbCaptionNotification->text().toStdString();
    const unsigned next = BlinkStep(text, savedCaption_, blinkCount_, db_->DBSettings);
    lbCaptionNotification->setText(QString::fromStdString(text));
    if (next != 0) {
        tmCaptionBlink->SetInterval(next);
        tmCaptionBlink->Start();
    }
}

// ---- Caption clicks -------------------------------------------------------------------------

bool TfrmMain::CaptionMouseEvent(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::ContextMenu) {
        if (watched != lbCaptionNotification || !CaptionNotificationShown())
            return false;
        pmnuCaptionMenu->exec(static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
    }
    auto* m = static_cast<QMouseEvent*>(e);
    const QPoint pos = m->globalPosition().toPoint();
    switch (e->type()) {
    case QEvent::MouseButtonDblClick:
        if (m->button() != Qt::LeftButton)
            return false;
        // Toggling the collapse state also drops the pending open.
        SetCollapsed(!Collapsed());
        return true;
    case QEvent::MouseButtonPress:
        if (m->button() != Qt::LeftButton)
            return false;
        // The window's move starts once the mouse has moved with the button held: a window
        // manager's move would take the second click of a double click.
        captionPressed_ = true;
        captionPressPos_ = pos;
        if (watched == lbCaptionNotification && CaptionNotificationShown()) {
            // The nearest reminder opens after the double-click time, unless a double click or
            // a drag comes first.
            tmTodayIndicator->SetInterval(unsigned(QApplication::doubleClickInterval()));
            tmTodayIndicator->Start();
        }
        return true;
    case QEvent::MouseMove:
        if (!captionPressed_ || !(m->buttons() & Qt::LeftButton) ||
            (pos - captionPressPos_).manhattanLength() < QApplication::startDragDistance())
            return false;
        captionPressed_ = false;
        tmTodayIndicator->Stop(true);
        StartFormDragMove(this, captionPressPos_);
        return true;
    case QEvent::MouseButtonRelease:
        captionPressed_ = false;
        return false;
    default:
        return false;
    }
}

void TfrmMain::tmTodayIndicatorTimer() {
    tmTodayIndicator->Stop(true);
    captionPressed_ = false;
    OpenNearestReminder();
}

// ---- Tray -----------------------------------------------------------------------------------

void TfrmMain::HideToTray() {
    if (!CoolTrayIcon_->CanHideToTray()) {
        // Without a tray there would be no way back: minimise to a taskbar entry instead.
        SetTaskbarEntry(true);
        showMinimized();
        return;
    }
    hide();
    if (!stillRunningBalloonShown_) {
        stillRunningBalloonShown_ = true;
        balloonItem_.reset();
        CoolTrayIcon_->ShowBalloonHint("Tockwell still running in tray",
                                       "Click on tray icon to open Tockwell", bitInfo,
                                       kBalloonSeconds);
        balloonStart_ = Now();
    }
}

void TfrmMain::ShowAddedBalloon(const IReminderAwareItemPtr& item) {
    if (!item)
        return;
    const TDateTime date = item->GetReminder().GetReminderDateTime();
    CoolTrayIcon_->ShowBalloonHint("Tockwell added",
                                   AddedBalloonText(Now(), date, item->GetCaption()), bitInfo,
                                   kBalloonSeconds);
    balloonItem_ = item;
    balloonStart_ = Now();
}

void TfrmMain::CoolTrayIconMouseMove() {
    UpdateNearestAlertHint();
}

void TfrmMain::CoolTrayIconBalloonHintHide() {
    // Gone already: the tick has nothing left to hide.
    balloonStart_ = 0;
}

void TfrmMain::CoolTrayIconBalloonHintClick() {
    ShowMainWindow(true, true);
    if (balloonItem_ && !balloonItem_->IsRemoved())
        EditReminderAndShow(balloonItem_, true, true, false);
}

// ---- Hot key --------------------------------------------------------------------------------

void TfrmMain::UpdateHotKey(bool force) {
    const TTockwellOptions& options = db_->DBSettings;
    if (!force && options.HotKeyActive && hotKey_->Registered(AppHotKeyId) &&
        hotKeyCode_ == options.AppHotKey && hotKeyShifts_ == options.AppHotKeyShifts)
        return;
    hotKey_->Unregister(AppHotKeyId);
    if (options.HotKeyActive && options.AppHotKey != 0 &&
        hotKey_->Register(AppHotKeyId, options.AppHotKeyShifts, options.AppHotKey)) {
        hotKeyCode_ = options.AppHotKey;
        hotKeyShifts_ = options.AppHotKeyShifts;
    }
}

bool TfrmMain::WindowIsActive() const {
    if (QGuiApplication::applicationState() != Qt::ApplicationActive || !isVisible() ||
        !isActiveWindow())
        return false;
    // Qt tells of a lost focus only a moment later; the desktop knows at once.
    const uint32_t active = ActiveDesktopWindow();
    return active == 0 || active == uint32_t(winId());
}

void TfrmMain::HotKeyPressed() {
    if (WindowIsActive()) {
        // The second press puts back what the first one found.
        if (hotKeyKept_) {
            SetCollapsed(true);
            setVisible(keptVisible_);
        }
        if (keptForeground_ != 0)
            ActivateDesktopWindow(keptForeground_, hotKey_->LastPressTime());
        return;
    }
    keptVisible_ = isVisible();
    keptForeground_ = ActiveDesktopWindow();
    hotKeyKept_ = true;
    activationTime_ = hotKey_->LastPressTime();
    ShowMainWindow(true, true);
}
