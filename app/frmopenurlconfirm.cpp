#include "app/frmopenurlconfirm.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "core/filehelpers.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/formhelpers.h"

namespace {

constexpr int kMargin = 12;
constexpr int kButtonHeight = 25;
constexpr int kButtonBottom = 6; // space below the buttons

// A button of at least width pixels that is wide enough for its text.
int ButtonWidth(const QPushButton* button, int width) {
    return std::max(width, button->sizeHint().width());
}

} // namespace

TfrmOpenURLConfirm::TfrmOpenURLConfirm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Open URL in the Internet browser"));
    setFixedSize(FormWidth, FormHeight);
    PlaceDialog(this);

    lbMessage_ = new QLabel(
        QStringLiteral("Your Internet browser should open a web page with further instructions. "
                       "If it does not then copy & past the URL into browser's address bar."),
        this);
    lbMessage_->setWordWrap(true);
    lbMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbMessage_->setGeometry(kMargin, 8, FormWidth - 2 * kMargin, 46);

    pnlURL_ = new QWidget(this);
    pnlURL_->setGeometry(0, 56, FormWidth, UrlPanelHeight);
    auto* lbURLToOpen = new QLabel(QStringLiteral("URL to open:"), pnlURL_);
    lbURLToOpen->setGeometry(kMargin, 2, 200, 18);
    memURL_ = new QPlainTextEdit(pnlURL_);
    memURL_->setReadOnly(true);
    memURL_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memURL_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memURL_->setGeometry(kMargin, 22, FormWidth - 2 * kMargin, 84);

    btnShowURL_ = new QPushButton(QStringLiteral("Hide &URL <<"), this);
    button1_ = new QPushButton(QStringLiteral("&Copy URL"), this);
    btnCancel_ = new QPushButton(QStringLiteral("OK"), this);
    btnCancel_->setDefault(true);
    for (QPushButton* b : {btnShowURL_, button1_})
        b->setAutoDefault(false);
    connect(btnShowURL_, &QPushButton::clicked, this, [this] { btnShowURLClick(); });
    connect(button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmOpenURLConfirm::resizeEvent(QResizeEvent* e) {
    // The buttons keep to the bottom edge.
    const int y = height() - kButtonBottom - kButtonHeight;
    btnShowURL_->setGeometry(kMargin, y, ButtonWidth(btnShowURL_, 95), kButtonHeight);
    const int okWidth = ButtonWidth(btnCancel_, 75);
    btnCancel_->setGeometry(width() - kMargin - okWidth, y, okWidth, kButtonHeight);
    const int copyWidth = ButtonWidth(button1_, 85);
    button1_->setGeometry(btnCancel_->x() - 6 - copyWidth, y, copyWidth, kButtonHeight);
    QDialog::resizeEvent(e);
}

void TfrmOpenURLConfirm::btnShowURLClick() {
    if (!pnlURL_->isHidden()) {
        pnlURL_->hide();
        setFixedSize(width(), height() - UrlPanelHeight);
        btnShowURL_->setText(QStringLiteral("Show &URL >>"));
    } else {
        setFixedSize(width(), height() + UrlPanelHeight);
        pnlURL_->show();
        btnShowURL_->setText(QStringLiteral("Hide &URL <<"));
    }
}

void TfrmOpenURLConfirm::Button1Click() {
    CopyTextToClipboard(memURL_->toPlainText().toStdString());
}

void TfrmOpenURLConfirm::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    QDialog::keyPressEvent(e);
}

bool ConfirmAndOpenURL(const std::string& url, const std::string& message, QWidget* parent) {
    const bool opened = OpenWithShell(url);
    TfrmOpenURLConfirm dlg(parent);
    dlg.memURL().setPlainText(QString::fromStdString(url));
    if (!message.empty())
        dlg.lbMessage().setText(QString::fromStdString(message));
    dlg.btnShowURLClick(); // the address panel starts hidden
    dlg.exec();
    return opened;
}
