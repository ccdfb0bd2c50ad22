#include "core/windows/transparentmsgbox.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <vector>

#include "core/registrymanager.h"
#include "platform/gui/application.h"
#include "platform/gui/canvas.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/globalhotkey.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/textfit.h"
#include "platform/gui/themes.h"
#include "platform/gui/topmosts.h"

namespace {

constexpr int AlertWidth = 327, AlertHeight = 67;

// The close glyph: a dark cross on magenta, which the button leaves out (the bottom-left pixel
// names the transparent colour, so the cross keeps off the edges).
QImage CloseGlyph() {
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    QColor ink(64, 64, 64);
    for (int i = 1; i < 9; ++i) {
        img.setPixelColor(i, i, ink);
        img.setPixelColor(9 - i, i, ink);
        if (i + 1 < 9) {
            img.setPixelColor(i + 1, i, ink);
            img.setPixelColor(8 - i, i, ink);
        }
    }
    return img;
}

// The alert's icon: a small alarm clock showing ten past ten.
QPixmap AlertIcon() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor rim(40, 70, 140), face(255, 255, 250), bell(200, 150, 40);
    p.setPen(Qt::NoPen);
    p.setBrush(bell);
    p.drawPie(QRectF(1, 1, 9, 9), 30 * 16, 180 * 16);
    p.drawPie(QRectF(14, 1, 9, 9), -30 * 16, 180 * 16);
    p.setPen(QPen(rim, 1.6));
    p.drawLine(QPointF(6, 21), QPointF(4, 23));
    p.drawLine(QPointF(18, 21), QPointF(20, 23));
    p.setBrush(face);
    p.drawEllipse(QRectF(3, 4, 18, 18));
    p.setPen(QPen(rim, 1.5, Qt::SolidLine, Qt::RoundCap));
    QPointF c(12, 13);
    p.drawLine(c, QPointF(8.5, 10.5));
    p.drawLine(c, QPointF(16, 9.5));
    return pm;
}

void SetUnderline(QLabel* label, bool on) {
    QFont f = label->font();
    f.setUnderline(on);
    label->setFont(f);
}

QPixmap TopBand(int width) {
    QPixmap pm(std::max(width, 1), 6);
    QPainter p(&pm);
    DrawGradient(p, clActiveCaption, clGradientActiveCaption, 64, pm.rect(), true);
    return pm;
}

} // namespace

TTransparentMsgBox::TTransparentMsgBox(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Fernhollow - Desktop Alert"));
    setFixedSize(AlertWidth, AlertHeight);
    setMouseTracking(true);
    setPalette(SystemPalette());

    pnlPanel = new QFrame(this);
    pnlPanel->setGeometry(0, 0, AlertWidth, AlertHeight);
    pnlPanel->setFrameShape(QFrame::Box);
    pnlPanel->setLineWidth(1);
    pnlPanel->setAutoFillBackground(true);
    QPalette panel = SystemPalette();
    panel.setColor(QPalette::Window, ColorToQColor(clWindow));
    panel.setColor(QPalette::WindowText, ColorToQColor(clBtnShadow));
    pnlPanel->setPalette(panel);

    Image2 = new QLabel(pnlPanel);
    Image2->setGeometry(1, 1, AlertWidth - 2, 6);
    Image2->setPixmap(TopBand(AlertWidth - 2));

    pbEffort = new TPaintBox(pnlPanel);
    pbEffort->setGeometry(1, 7, AlertWidth - 2, AlertHeight - 8);
    pbEffort->setCursor(Qt::PointingHandCursor);
    pbEffort->OnPaint = [this](TPaintBox&, QPainter& canvas) { pbEffortPaint(canvas); };

    Image1 = new QLabel(pnlPanel);
    Image1->setGeometry(7, 20, 24, 24);
    Image1->setPixmap(AlertIcon());

    lbMessage = new QLabel(pnlPanel);
    lbMessage->setGeometry(36, 18, 274, 39);
    // The text comes word-wrapped into the lines that show (SetMessage).
    lbMessage->setWordWrap(false);
    lbMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbMessage->setTextFormat(Qt::PlainText);
    QPalette blue = lbMessage->palette();
    blue.setColor(QPalette::WindowText, ColorToQColor(clBlue));
    lbMessage->setPalette(blue);

    sbClose = new TSpeedButtonEnh(pnlPanel);
    sbClose->setGeometry(306, 11, 16, 16);
    sbClose->SetFlat(true);
    sbClose->SetGlyph(CloseGlyph());
    sbClose->setToolTip(QStringLiteral("Close"));
    sbClose->OnClick = [this](TSpeedButtonEnh&) { sbCloseClick(); };

    lbClose = new QLabel(QStringLiteral("x"), pnlPanel);
    lbClose->setGeometry(310, 9, 10, 14);
    lbClose->hide();

    sbtnCloseSearch = new TSpeedButtonEnh(pnlPanel);
    sbtnCloseSearch->setGeometry(284, 11, 16, 16);
    sbtnCloseSearch->SetFlat(true);
    sbtnCloseSearch->hide();

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    QObject::connect(Timer1, &QTimer::timeout, this,
                     [this] { CallGuarded([this] { Timer1Timer(); }); });

    lbMessage->installEventFilter(this);
    // The pointer over the panel, the images or the close buttons holds the alert fully
    // visible; the paint box and the text have handlers of their own.
    for (QWidget* w : {static_cast<QWidget*>(pnlPanel), static_cast<QWidget*>(Image1),
                       static_cast<QWidget*>(Image2), static_cast<QWidget*>(sbClose),
                       static_cast<QWidget*>(lbClose), static_cast<QWidget*>(sbtnCloseSearch)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    FormCreate();
}

TTransparentMsgBox::~TTransparentMsgBox() {
    if (auto handler = std::move(OnDestroy))
        handler();
}

void TTransparentMsgBox::FormCreate() {
    // The fields start with the values given in the class.
    OnActivate = [this] { OnWndEnter(); };
    OnDeactivate = [this] { OnWndLeave(); };
    PlaceWindow();
}

void TTransparentMsgBox::SetAlpha(int value) {
    alpha_ = std::clamp(value, 0, 255);
    setWindowOpacity(alpha_ / 255.0);
    // The opacity is a property of the native window; without this the change would wait
    // for unrelated traffic (a blinking caret elsewhere), and with another window active and
    // the program idle the alert would stay as transparent as it started.
    FlushDesktopRequests();
}

void TTransparentMsgBox::SetMessage(const std::string& text) {
    // As much of the text as the lines hold is measured: a long one does not hold the alert up.
    const QFontMetrics metrics = lbMessage->fontMetrics();
    const int lines = std::max(1, lbMessage->height() / metrics.lineSpacing());
    lbMessage->setText(
        WrapToLines(TextWidthOf(metrics), text, lbMessage->width(), lines).join(u'\n'));
}

void TTransparentMsgBox::PlaceWindow() {
    if (isVisible())
        return;
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    int left = work.left() + work.width() - width();
    int top = work.top() + work.height() - height() - 80;
    left = ReadRegistryInteger(DesktopAlertSettingsKey, "TranspDesktopAlertLeft", left);
    top = ReadRegistryInteger(DesktopAlertSettingsKey, "TranspDesktopAlertTop", top);
    move(left, top);
    KeepFormInWorkArea(this, true, 50);
}

void TTransparentMsgBox::StartFadeIn() {
    Timer1->stop();
    State = fsFadeIn;
    SetAlpha(0);
    show();
    Timer1->start();
}

void TTransparentMsgBox::StartShown() {
    Timer1->stop();
    State = fsShown;
    SetAlpha(MaxAlpha);
    TickCount = 0;
    Timer1->start();
}

void TTransparentMsgBox::StartFadeOut() {
    Timer1->stop();
    State = fsFadeOut;
    SetAlpha(MaxAlpha);
    Timer1->start();
}

void TTransparentMsgBox::SpeedUp() {
    FadeInStep = 96;
    FadeOutStep = 64;
    ShowTicks = 15;
}

void TTransparentMsgBox::Timer1Timer() {
    if (holding_ > 0)
        return;
    switch (State) {
    case fsFadeIn:
        if (alpha_ + FadeInStep < MaxAlpha)
            SetAlpha(alpha_ + FadeInStep);
        else
            StartShown();
        break;
    case fsShown:
        if (++TickCount > ShowTicks)
            StartFadeOut();
        break;
    case fsFadeOut:
        if (alpha_ - FadeOutStep > 0)
            SetAlpha(alpha_ - FadeOutStep);
        else
            close();
        break;
    }
}

void TTransparentMsgBox::OnWndEnter() {
    if (Busy != 0)
        return;
    StartShown();
    SetAlpha(255);
    Timer1->stop();
}

void TTransparentMsgBox::OnWndLeave() {
    if (Busy == 0)
        StartFadeOut();
}

void TTransparentMsgBox::FormMouseMove() {
    if (alpha_ != 255)
        SetAlpha(255);
}

void TTransparentMsgBox::FormMouseDown(QPoint grabPos) {
    StartFormDragMove(this, grabPos);
}

void TTransparentMsgBox::FormClick() {
    if (!(isActiveWindow() && QGuiApplication::applicationState() == Qt::ApplicationActive))
        StartShown();
}

void TTransparentMsgBox::lbMessageMouseEnter() {
    if (Click)
        SetUnderline(lbMessage, true);
    OnWndEnter();
}

void TTransparentMsgBox::lbMessageMouseLeave() {
    if (Click)
        SetUnderline(lbMessage, false);
    OnWndLeave();
}

void TTransparentMsgBox::lbMessageClick() {
    if (!Click)
        return;
    // The handler may show a modal window, whose event loop keeps the fade timer running:
    // hold the alert so that it neither fades nor closes (and is freed) under the handler.
    QPointer<TTransparentMsgBox> self(this);
    ++holding_;
    if (HandleTopMosts)
        RestoreTopMosts();
    CallGuarded([this] {
        TAlertClickEvent click = Click;
        click(Item);
    });
    if (!self)
        return;
    if (HandleTopMosts)
        NormalizeTopMosts();
    if (--holding_ == 0 && closePending_) {
        closePending_ = false;
        close();
    }
}

void TTransparentMsgBox::sbCloseClick() {
    close();
}
void TTransparentMsgBox::lbCloseMouseDown() {
    close();
}

void TTransparentMsgBox::lbCloseMouseEnter() {
    SetUnderline(lbClose, true);
}

void TTransparentMsgBox::lbCloseMouseLeave() {
    SetUnderline(lbClose, false);
}

void TTransparentMsgBox::pbEffortPaint(QPainter& canvas) {
    if (ThemesEnabled())
        DrawInfoPanel(canvas, pbEffort->rect().adjusted(0, 1, 0, -1));
}

void TTransparentMsgBox::FormClose() {
    Timer1->stop();
    try {
        TRegistryManager reg(DesktopAlertSettingsKey, HKEY_CURRENT_USER, false);
        reg.WriteIntegerValue("TranspDesktopAlertLeft", x());
        reg.WriteIntegerValue("TranspDesktopAlertTop", y());
    } catch (const std::exception&) {
        // The position is a convenience: an unwritable store must not keep the alert open.
    }
    if (HandleTopMosts)
        RestoreTopMosts();
}

void TTransparentMsgBox::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

bool TTransparentMsgBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lbMessage) {
        switch (e->type()) {
        case QEvent::Enter:
            lbMessageMouseEnter();
            break;
        case QEvent::Leave:
            lbMessageMouseLeave();
            break;
        case QEvent::MouseButtonPress:
            // A clickable text takes the press itself, so it does not start a drag.
            if (Click && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
                labelPressed_ = true;
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (labelPressed_ && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
                labelPressed_ = false;
                if (lbMessage->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint()))
                    lbMessageClick();
                return true;
            }
            break;
        default:
            break;
        }
    } else if (watched == pnlPanel || watched == Image1 || watched == Image2 ||
               watched == sbClose || watched == lbClose || watched == sbtnCloseSearch) {
        if (e->type() == QEvent::MouseMove)
            FormMouseMove();
        if (watched == lbClose) {
            if (e->type() == QEvent::Enter)
                lbCloseMouseEnter();
            else if (e->type() == QEvent::Leave)
                lbCloseMouseLeave();
            else if (e->type() == QEvent::MouseButtonPress) {
                lbCloseMouseDown();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TTransparentMsgBox::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        if (OnActivate)
            OnActivate();
    } else if (OnDeactivate) {
        OnDeactivate();
    }
}

void TTransparentMsgBox::closeEvent(QCloseEvent* e) {
    if (holding_ > 0) {
        closePending_ = true;
        e->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    e->accept();
}

void TTransparentMsgBox::keyPressEvent(QKeyEvent* e) {
    FormKeyDown(e->key());
}

void TTransparentMsgBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    QWidget* child = childAt(e->position().toPoint());
    pressedOn_ = nullptr;
    if (child == Image1) {
        pressedOn_ = Image1;
        return;
    }
    if (child == pbEffort)
        return; // the paint box does not move the alert
    FormMouseDown(e->globalPosition().toPoint());
}

void TTransparentMsgBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && pressedOn_ &&
        pressedOn_->geometry().contains(
            pressedOn_->parentWidget()->mapFrom(this, e->position().toPoint())))
        FormClick();
    pressedOn_ = nullptr;
}

void TTransparentMsgBox::mouseMoveEvent(QMouseEvent*) {
    FormMouseMove();
}

// The queue.

TTranspMsgBoxManager::~TTranspMsgBoxManager() {
    queue_.Clear();
    if (TTransparentMsgBox* box = current_) {
        box->OnDestroy = nullptr;
        box->close();
        delete box;
    }
}

void TTranspMsgBoxManager::AddMessage(const std::string& text,
                                      std::shared_ptr<IReminderAwareItem> item,
                                      TAlertClickEvent click) {
    queue_.AddObject(text, TTrasnpMsgClick(std::move(item), std::move(click)));
    if (showing_) {
        if (current_)
            current_->SpeedUp();
    } else {
        ShowNext();
    }
}

void TTranspMsgBoxManager::ShowNext() {
    current_ = nullptr;
    showing_ = !queue_.Empty();
    if (!showing_)
        return;
    auto* box = new TTransparentMsgBox(); // frees itself when closed
    current_ = box;
    ++box->Busy;
    if (box->HandleTopMosts)
        NormalizeTopMosts();
    box->raise();
    box->OnDestroy = [this] { ShowNext(); };
    box->SetMessage(queue_[0]);
    const auto& entry = std::any_cast<const TTrasnpMsgClick&>(queue_.Objects(0));
    box->Item = entry.Item;
    box->Click = entry.Click;
    if (box->Click)
        box->lbMessage->setCursor(Qt::PointingHandCursor);
    queue_.Delete(0);
    if (!queue_.Empty())
        box->SpeedUp();
    box->StartFadeIn();
    --box->Busy;
}

void TTranspMsgBoxManager::DeactivateCurrent() {
    if (current_ && current_->OnDeactivate)
        current_->OnDeactivate();
}

namespace {
std::unique_ptr<TTranspMsgBoxManager>& Global() {
    static std::unique_ptr<TTranspMsgBoxManager> manager;
    return manager;
}
} // namespace

TTranspMsgBoxManager* TranspMsgBoxManager() {
    return Global().get();
}
void InitTranspMsgBoxManager() {
    Global() = std::make_unique<TTranspMsgBoxManager>();
}
void DoneTranspMsgBoxManager() {
    Global().reset();
}
void AbandonTranspMsgBoxManager() {
    // Kept reachable, so that leak checkers see no leak.
    static auto* abandoned = new std::vector<std::unique_ptr<TTranspMsgBoxManager>>;
    if (Global())
        abandoned->push_back(std::move(Global()));
}
