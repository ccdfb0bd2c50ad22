#pragma once
// Enumerations and event types shared by the month calendar, the calendar group and their
// hosts. Events are std::function; an event is "assigned" when it is not empty. Senders are
// the control that fires (QObject*, like the classic TObject sender). Key codes are Qt::Key
// values, shift states Qt::KeyboardModifiers.

#include <QChar>
#include <QFont>
#include <QRect>
#include <functional>
#include <string>

#include "platform/colors.h"
#include "platform/datetime.h"
#include "platform/gui/canvas.h"

class QObject;
class QPainter;
class TSelDateItem;

enum TEventShape { evsRectangle, evsCircle, evsSquare, evsTriangle, evsNone };
enum TAgendaCalendarLook { lookFlat, look3D };
enum TGradientDirection { gdHorizontal, gdVertical };
enum TTodayStyle { tsSunken, tsRaised, tsFlat };
enum TBackGroundPosition {
    bpTopLeft,
    bpTopRight,
    bpBottomLeft,
    bpBottomRight,
    bpTiled,
    bpStretched,
    bpCenter
};
// Panel bevels (the border style is TBorderStyle of the canvas helpers).
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// An event item of the calendar; it has no fields beyond those of a selection item.
using TEventProp = TSelDateItem;

// What a cell handler may change before the day number is written: it may draw with Painter
// and change Font and FontColor, which the number is then written with.
struct TCellCanvas {
    QPainter* Painter = nullptr;
    QFont Font;
    TColor FontColor = clBlack;
};

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TCellDrawEvent =
    std::function<void(QObject* Sender, TCellCanvas& Canvas, TDateTime Day, bool Selected,
                       bool Marked, bool InMonth, const QRect& Rect)>;
using TDaySelectEvent = std::function<void(QObject* Sender, TDateTime SelDate)>;
using TGetDateEvent = std::function<void(QObject* Sender, TDateTime dt, bool& isEvent)>;
using TGetDateEventHint =
    std::function<void(QObject* Sender, TDateTime dt, bool& isEvent, std::string& EventHint)>;
// Event is the day's item (nullptr when the day is an event only through OnGetDateHint); the
// handler may change the item's properties.
using TEventPropEvent = std::function<void(QObject* Sender, TDateTime dt, TEventProp* Event)>;
using TDateChangeEvent =
    std::function<void(QObject* Sender, TDateTime origDate, TDateTime newDate)>;
using TCancelledChangeEvent = std::function<void(QObject* Sender, TDateTime CancelledDate)>;
using TKeyOutOfMonthEvent = std::function<void(QObject* Sender, int Key)>;
// Key may be changed; 0 drops the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
// Key may be changed; a null character drops the key.
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
// X and Y in the sender's client coordinates.
using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button,
                                       Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent =
    std::function<void(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
