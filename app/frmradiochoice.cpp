#include "app/frmradiochoice.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "core/windows/altkeyrepaint.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/helprequests.h"

TRadioChoice::TRadioChoice(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RadioChoice"));
    setFixedSize(427, 114);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    PlaceDialog(this, TDialogPosition::ScreenCentre);

    lbMessage = new QLabel(this);
    lbMessage->setObjectName(QStringLiteral("lbMessage"));
    lbMessage->setWordWrap(true);
    lbMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbMessage->setGeometry(5, 4, 417, 28);
    rbRadioButton0 = new QRadioButton(this);
    rbRadioButton0->setObjectName(QStringLiteral("rbRadioButton0"));
    rbRadioButton0->setGeometry(16, 34, 400, 18);
    rbRadioButton1 = new QRadioButton(this);
    rbRadioButton1->setObjectName(QStringLiteral("rbRadioButton1"));
    rbRadioButton1->setGeometry(16, 54, 400, 18);
    rbRadioButton1->setChecked(true);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(5, 76, 417, 4);
    cbDoNotAskAgain = new QCheckBox(QStringLiteral("&Do not ask this again"), this);
    cbDoNotAskAgain->setObjectName(QStringLiteral("cbDoNotAskAgain"));
    cbDoNotAskAgain->setGeometry(8, 86, 190, 20);
    cbDoNotAskAgain->hide();
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(264, 84, 75, 25);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(346, 84, 75, 25);
    btnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TRadioChoice::CheckedIndex() const {
    if (rbRadioButton0->isChecked())
        return 0;
    if (rbRadioButton1->isChecked())
        return 1;
    return -1;
}

void TRadioChoice::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    QDialog::keyPressEvent(e);
}

int ShowRadioChoice(const std::string& caption, const std::string& message,
                    const std::string& choice0, const std::string& choice1, bool& doNotAsk,
                    int defaultIndex, int helpContext, bool okIsDefault, bool showDoNotAsk,
                    QWidget* parent) {
    TRadioChoice dialog(parent);
    dialog.setWindowTitle(QString::fromStdString(caption));
    dialog.lbMessage->setText(QString::fromStdString(message));
    SetHelpContext(&dialog, helpContext);
    dialog.rbRadioButton0->setText(QString::fromStdString(choice0));
    dialog.rbRadioButton1->setText(QString::fromStdString(choice1));
    (defaultIndex == 1 ? dialog.rbRadioButton1 : dialog.rbRadioButton0)->setChecked(true);
    if (!okIsDefault) {
        dialog.btnOK->setDefault(false);
        dialog.btnOK->setAutoDefault(false);
    }
    dialog.cbDoNotAskAgain->setVisible(showDoNotAsk);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    doNotAsk = dialog.cbDoNotAskAgain->isChecked();
    return dialog.CheckedIndex();
}

int ShowRadioChoiceSimple(const std::string& caption, const std::string& message,
                          const std::string& choice0, const std::string& choice1, int defaultIndex,
                          int helpContext, bool okIsDefault, QWidget* parent) {
    bool discarded = false;
    return ShowRadioChoice(caption, message, choice0, choice1, discarded, defaultIndex, helpContext,
                           okIsDefault, false, parent);
}
