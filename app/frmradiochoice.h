#pragma once
// TRadioChoice: a small modal dialog that asks the user to pick one of two answers, optionally
// with a box that stops the question in future.

#include <QDialog>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

class TRadioChoice : public QDialog {
    Q_OBJECT
public:
    // The dialog as laid out: the second answer checked, the "do not ask" box hidden.
    explicit TRadioChoice(QWidget* parent = nullptr);

    QLabel* lbMessage;
    QRadioButton* rbRadioButton0;
    QRadioButton* rbRadioButton1;
    QFrame* Bevel1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QCheckBox* cbDoNotAskAgain;

    // The index of the checked answer (0 or 1), -1 when neither is checked.
    int CheckedIndex() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// Asks with the two answers. defaultIndex 1 preselects the second answer, any other value the
// first; okIsDefault false keeps Enter from closing the dialog; showDoNotAsk shows the box.
// Returns the index of the answer chosen, or -1 unless the dialog ended with OK; with OK
// doNotAsk takes the box's state (otherwise it is left as it was).
int ShowRadioChoice(const std::string& caption, const std::string& message,
                    const std::string& choice0, const std::string& choice1, bool& doNotAsk,
                    int defaultIndex, int helpContext, bool okIsDefault, bool showDoNotAsk,
                    QWidget* parent = nullptr);
// The same without the "do not ask" box.
int ShowRadioChoiceSimple(const std::string& caption, const std::string& message,
                          const std::string& choice0, const std::string& choice1, int defaultIndex,
                          int helpContext, bool okIsDefault, QWidget* parent = nullptr);
