#pragma once
// Message boxes and the application's error box, behind an interface that tests replace.
// Boxes are modal and run on the GUI thread.

#include <exception>
#include <memory>
#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp,
    mbClose
};

// A set of buttons: bit n stands for TMsgDlgBtn n.
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons Buttons(TMsgDlgBtn b) {
    return 1u << b;
}
constexpr TMsgDlgButtons mbYesNo = Buttons(mbYes) | Buttons(mbNo);
constexpr TMsgDlgButtons mbYesNoCancel = mbYesNo | Buttons(mbCancel);
constexpr TMsgDlgButtons mbOKCancel = Buttons(mbOK) | Buttons(mbCancel);
constexpr TMsgDlgButtons mbAbortRetryIgnore =
    Buttons(mbAbort) | Buttons(mbRetry) | Buttons(mbIgnore);

// The answer of a box: the button pressed.
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
    mrClose = 11,
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows text with the icon of type and the given buttons under caption; returns the button
    // pressed, or mrCancel (mrNo when there is no Cancel button) when the box is closed.
    virtual int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                           TMsgDlgButtons buttons) = 0;
    // The application's error box: an error icon, an OK button, the message as given.
    virtual void ErrorBox(const std::string& message) = 0;
};

// The boxes in use (Qt's by default). SetMessageBoxes replaces them (null restores Qt's) and
// returns the ones replaced.
IMessageBoxes& MessageBoxes();
std::shared_ptr<IMessageBoxes> SetMessageBoxes(std::shared_ptr<IMessageBoxes> boxes);

// A box captioned by its type ("Warning", "Error", "Information", "Confirm"; the application's
// name for mtCustom), as the classic message dialog shows it. Each "\n\r" in text (the
// program's line break in multi-line texts) is one line break.
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);

// Shows an exception that reached the event loop in the application's error box: its message,
// with a full stop added unless it ends in one (or in another punctuation mark).
void ShowException(const std::exception& e);
void ShowException(const std::string& message);
// The text ShowException shows for message.
std::string ExceptionBoxText(const std::string& message);

class QFont;
class QMessageBox;
class QString;
class QWidget;

// The window a box or dialog the program opens now belongs to, so that it comes in front of
// it: the modal window on top while one is up (also before the window system has made it the
// active window again, as right after a file dialog closed), else the active window; null
// when there is neither.
QWidget* DialogOwner();

// As much of text as lines lines of width pixels in font show, broken into lines as a label
// breaks them (WrapText; inside a word only where it is wider than a line): text whole when it
// fits; else the part that fits, its last line cut with "...". A word broken inside gets a
// line break there. Reads only as much of text as that many lines could hold, so it takes no
// longer for a text of megabytes than for one that just overflows.
QString FitTextToLines(const std::string& text, const QFont& font, int width, int lines);
// Sets text as box's text (built with its buttons), plain (no markup), cut by FitTextToLines to
// what the box can show on its screen: beside its icon, at most half the work area wide (as
// boxes break lines, at most 500 pixels), and in as many lines as fit the work area's height
// with the box's buttons and the window frame.
void SetBoxText(QMessageBox& box, const std::string& text);

// The width a window's title bar needs to show title whole: the title in the title font and
// room for the frame's icon and buttons.
int TitleBarWidth(const QString& title);
// Makes box (its content set) at least TitleBarWidth of its title wide, at most the screen's
// width.
void WidenForTitle(QMessageBox& box);

// Boxes shown with QMessageBox, owned by DialogOwner(); each shows its whole title, and its
// text as SetBoxText cuts it. While a box is open the application's stay-on-top windows are
// ordinary ones (TTopMostsLowered), so that a box of no owner, or of an owner in the ordinary
// layer, does not open behind them.
class TQtMessageBoxes : public IMessageBoxes {
public:
    int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                   TMsgDlgButtons buttons) override;
    void ErrorBox(const std::string& message) override;
};
