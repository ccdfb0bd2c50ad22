#pragma once
// How the main window tells of the nearest coming alert: the today-events indicator and its
// hint, the tray icon's hint, the caption bar's notification with its blinking, the tray
// balloons and the global hot key. The texts and rules are here; the window's own share
// (TfrmMain) is in captionnotification.cpp.

#include <string>

#include "platform/datetime.h"

class TTockwellOptions;

// The nearest alert is shown by the indicator and the hints while it lies at most one day
// after now (alerts in the past included); time 0 is no alert.
bool AlertIsNear(TDateTime now, TDateTime time);
// The caption shows the alert when the options ask for it and it lies at most the caption
// lead time plus 18 seconds after now (alerts in the past included); time 0 is no alert.
bool CaptionShowsAlert(const TTockwellOptions& options, TDateTime now, TDateTime time);

// How far the alert at time lies ahead of now: the span ("9 min", "1 hour, 5 min"), or
// "a few sec" when it is less than half a minute ahead or past.
std::string NearestAlertDueText(TDateTime now, TDateTime time);
// The indicator's hint: "Nearest alert:\nin <due>\n<time, short format> - <caption>", the
// caption cut to 30 characters with "..." after a longer one.
std::string NearestAlertHint(const std::string& dueText, TDateTime time,
                             const std::string& caption);
// The tray hint: "Tockwell\n" followed by the indicator's hint, or by the maker's web address
// when there is none (empty).
std::string TrayHint(const std::string& nearestHint);
// The caption notification's words before the caption: "in <due>: ".
std::string CaptionNotificationLead(const std::string& dueText);
// The caption notification: "in <due>: <caption>".
std::string CaptionNotificationText(const std::string& dueText, const std::string& caption);
// The balloon after a reminder was added at date: the date ("ddddd, t"), a line "in <span>"
// while it lies ahead, and a line with the caption; lines separated by "\n".
std::string AddedBalloonText(TDateTime now, TDateTime date, const std::string& caption);

// One tick of a blink burst on the caption's text. A shown text is saved and blanked while
// count is above 0 (the next tick after BlinkOffMs); a blank text gets the saved one back and
// counts down (the next tick after BlinkOnMs while count stays at 0 or above). Returns the
// milliseconds to the next tick, 0 when the burst ends.
unsigned BlinkStep(std::string& text, std::string& saved, int& count,
                   const TTockwellOptions& options);
