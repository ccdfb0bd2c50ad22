#pragma once
// TfrmOpenURLConfirm: the dialog that goes with opening a web page. The page is handed to the
// desktop's browser first; the dialog then says what to do when the browser does not show it
// and offers the address for copying. GUI thread only.

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TfrmOpenURLConfirm : public QDialog {
    Q_OBJECT
public:
    // Client area 404 x 201 with the address panel shown (as laid out).
    static constexpr int FormWidth = 404;
    static constexpr int FormHeight = 201;
    static constexpr int UrlPanelHeight = 111;

    explicit TfrmOpenURLConfirm(QWidget* parent = nullptr);

    // Shows or hides the address panel; the dialog grows or shrinks by its height.
    void btnShowURLClick();
    // Puts the address on the clipboard as plain text.
    void Button1Click();

    QLabel& lbMessage() { return *lbMessage_; }
    QWidget& pnlURL() { return *pnlURL_; }
    QPlainTextEdit& memURL() { return *memURL_; }
    QPushButton& btnShowURL() { return *btnShowURL_; }
    QPushButton& Button1() { return *button1_; }
    QPushButton& btnCancel() { return *btnCancel_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QLabel* lbMessage_ = nullptr;
    QWidget* pnlURL_ = nullptr;
    QPlainTextEdit* memURL_ = nullptr;
    QPushButton* btnShowURL_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

// Opens url with the desktop's browser, then shows the dialog modally with url in the
// address panel (hidden at first) and message in place of the default text when not empty.
// Returns what the shell answered.
bool ConfirmAndOpenURL(const std::string& url, const std::string& message = "",
                       QWidget* parent = nullptr);
