#include "app/frmabout.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/programicons.h"
#include "core/filehelpers.h"
#include "core/productinfo.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/themes.h"

namespace {

// The open box; the pointer clears itself when the box is deleted.
QPointer<TAboutDlg>& TheAboutDlg() {
    static QPointer<TAboutDlg> dlg;
    return dlg;
}

QLabel* LinkLabel(QWidget* parent, const std::string& text, const char* hint) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(QString::fromUtf8(hint));
    return label;
}

void OpenLink(const std::string& target) {
    if (!OpenWithShell(target))
        MessageDlg("Could not start the program that opens \"" + target + "\".", mtWarning,
                   Buttons(mbOK));
}

} // namespace

std::string AboutWebAddress() {
    return TockwellWebAddress;
}

std::string AboutSupportLink() {
    return std::string("mailto:") + TockwellSupportEMail + "?subject=Tockwell support";
}

TAboutDlg::TAboutDlg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About  Fernhollow - Tockwell"));
    setFixedSize(392, 196);
    PlaceDialog(this);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap::fromImage(DrawProgramIcon(64)));
    Image1->setGeometry(16, 16, 64, 64);
    Image1->installEventFilter(this);

    lbName = new QLabel(QStringLiteral("Tockwell"), this);
    QFont nameFont = lbName->font();
    nameFont.setPointSize(18);
    nameFont.setBold(true);
    lbName->setFont(nameFont);
    lbName->setGeometry(100, 16, 276, 34);

    lbVersionCaption = new QLabel(QStringLiteral("Version:"), this);
    lbVersionCaption->setGeometry(100, 58, 60, 18);
    lbVersion_ = new QLabel(this);
    lbVersion_->setGeometry(164, 58, 212, 18);

    lbURL_ = LinkLabel(this, "", "Check application web site for updates");
    lbURL_->setGeometry(100, 90, 276, 18);
    lbSupportEMail_ = LinkLabel(this, "", "Send e-mail with your feedback");
    lbSupportEMail_->setGeometry(100, 114, 276, 18);
    for (QLabel* link : {lbURL_, lbSupportEMail_})
        link->installEventFilter(this);

    button1_ = new QPushButton(QStringLiteral("Close"), this);
    const int closeWidth = std::max(75, button1_->sizeHint().width());
    button1_->setGeometry(376 - closeWidth, 158, closeWidth, 25);
    button1_->setDefault(true);
    connect(button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
    Button2 = new QPushButton(QStringLiteral("Credits..."), this);
    Button2->setGeometry(16, 158, 75, 25);
    Button2->hide();

    timer1_ = new QTimer(this);
    timer1_->setInterval(TimerInterval);
    connect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
    SetAlphaBlendValue(240);
}

void TAboutDlg::SetAlphaBlendValue(int alpha) {
    alpha_ = alpha;
    setWindowOpacity(alpha / double(FullAlpha));
}

void TAboutDlg::StartFade(QWidget* disableWindow) {
    disableWindow_ = disableWindow;
    timer1_->stop();
    fadeState_ = fsFadingIn;
    SetAlphaBlendValue(0);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (disableWindow_)
        disableWindow_->setEnabled(false);
    timer1_->start();
}

void TAboutDlg::StartFadeOut() {
    timer1_->stop();
    fadeState_ = fsFadingOut;
    SetAlphaBlendValue(FullAlpha);
    timer1_->start();
}

void TAboutDlg::Timer1Timer() {
    switch (fadeState_) {
    case fsFadingIn:
        if (alpha_ + FadeInStep >= FullAlpha) {
            timer1_->stop();
            fadeState_ = fsHolding;
            SetAlphaBlendValue(FullAlpha);
            tickCount_ = 0;
        } else {
            SetAlphaBlendValue(alpha_ + FadeInStep);
        }
        break;
    case fsFadingOut:
        if (alpha_ - FadeOutStep > 0)
            SetAlphaBlendValue(alpha_ - FadeOutStep);
        else
            close();
        break;
    case fsHolding:
        if (++tickCount_ >= HoldTicks)
            StartFadeOut();
        break;
    }
}

void TAboutDlg::Button1Click() {
    if (!ThemesEnabled()) {
        close();
        return;
    }
    StartFadeOut();
}

void TAboutDlg::lbURLClick() {
    OpenLink(AboutWebAddress());
}

void TAboutDlg::lbSupportEMailClick() {
    OpenLink(AboutSupportLink());
}

void TAboutDlg::closeEvent(QCloseEvent* e) {
    e->accept();
    if (closed_)
        return;
    closed_ = true;
    timer1_->stop();
    if (TheAboutDlg() == this)
        TheAboutDlg() = nullptr;
    if (disableWindow_) {
        disableWindow_->setEnabled(true);
        disableWindow_->activateWindow();
        disableWindow_->setFocus();
    }
}

void TAboutDlg::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    switch (e->key()) {
    case Qt::Key_Escape: // Close is the cancel button
    case Qt::Key_Return:
    case Qt::Key_Enter: // and the default one
        Button1Click();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

void TAboutDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        StartFormDragMove(this, e->globalPosition().toPoint());
        return;
    }
    QWidget::mousePressEvent(e);
}

bool TAboutDlg::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, e);
    auto* mouse = static_cast<QMouseEvent*>(e);
    if (watched == Image1) {
        if (e->type() == QEvent::MouseButtonPress)
            mousePressEvent(mouse);
        return e->type() == QEvent::MouseButtonPress;
    }
    auto* label =
        watched == lbURL_ || watched == lbSupportEMail_ ? static_cast<QLabel*>(watched) : nullptr;
    if (!label)
        return QWidget::eventFilter(watched, e);
    // A press on a link is the link's: it does not drag the box.
    if (e->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
        label->rect().contains(mouse->position().toPoint())) {
        if (label == lbURL_)
            lbURLClick();
        else
            lbSupportEMailClick();
    }
    return true;
}

TAboutDlg* ShowAbout(QWidget* disableWindow, bool stayOnTop) {
    if (TAboutDlg* open = TheAboutDlg()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* dlg = new TAboutDlg;
    TheAboutDlg() = dlg;
    if (stayOnTop)
        dlg->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dlg->lbVersion().setText(QString::fromStdString(GetOwnFileVersion(true)));
    dlg->lbURL().setText(QString::fromStdString(AboutWebAddress()));
    dlg->lbSupportEMail().setText(QString::fromUtf8(TockwellSupportEMail));
    dlg->StartFade(disableWindow);
    return dlg;
}

TAboutDlg* AboutDlg() {
    return TheAboutDlg();
}
