#include "platform/gui/formhelpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "platform/gui/messageboxes.h"
#include "platform/sysutils.h"

namespace {

// Moves a window with the mouse where the window system offers no move of its own: an
// application-wide filter that follows the cursor until the left button goes up.
class TDragMover : public QObject {
public:
    TDragMover(QWidget* window, QPoint grabOffset)
        : QObject(qApp), window_(window), offset_(grabOffset) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease) {
            auto* m = static_cast<QMouseEvent*>(e);
            if (window_)
                window_->move(m->globalPosition().toPoint() - offset_);
            if (e->type() == QEvent::MouseButtonRelease || !(m->buttons() & Qt::LeftButton) ||
                !window_) {
                qApp->removeEventFilter(this);
                deleteLater();
            }
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    QPoint offset_;
};

} // namespace

QRect WorkAreaOf(const QWidget* form) {
    QScreen* screen = nullptr;
    if (form)
        screen = QGuiApplication::screenAt(form->frameGeometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint KeptInWorkArea(const QRect& bounds, const QRect& w, bool wholeForm, int margin) {
    int left = bounds.left(), top = bounds.top(), width = bounds.width(), height = bounds.height();
    // Exclusive right and bottom edges of the work area.
    int wr = w.left() + w.width(), wb = w.top() + w.height();
    if (wholeForm) {
        if (left < w.left())
            left = w.left();
        if (top < w.top())
            top = w.top();
        if (wr < left + width)
            left = wr - width;
        if (wb < top + height)
            top = wb - height;
    } else {
        if (left + width < w.left() + margin)
            left = w.left();
        if (top < w.top())
            top = w.top();
        if (wr - margin < left)
            left = wr - width;
        if (wb - margin < top)
            top = wb - height;
    }
    return QPoint(left, top);
}

void KeepFormInWorkArea(QWidget* form, bool wholeForm, int margin) {
    if (!form)
        return;
    QRect w = WorkAreaOf(form);
    if (w.isEmpty())
        return;
    QRect frame(form->pos(), form->frameGeometry().size());
    QPoint p = KeptInWorkArea(frame, w, wholeForm, margin);
    if (p != form->pos())
        form->move(p);
}

void StartFormDragMove(QWidget* control, std::optional<QPoint> grabPos) {
    if (!control)
        return;
    QWidget* window = control->window();
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (QWindow* handle = window->windowHandle())
        if (handle->startSystemMove())
            return;
    new TDragMover(window, grabPos.value_or(QCursor::pos()) - window->pos());
}

void SetEnabledRecursive(QWidget* control, bool enabled) {
    if (!control)
        return;
    control->setEnabled(enabled);
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(enabled);
}

namespace {

// secondQuestion with its "%d" replaced by count and "%%" by "%"; nothing else is interpreted.
std::string FormatCount(const std::string& text, int count) {
    std::string out;
    bool done = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (text[i + 1] == 'd' && !done) {
                out += std::to_string(count);
                done = true;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

bool ConfirmTwice(const std::string& question, const std::string& secondQuestion, int count) {
    if (question.empty())
        return true;
    if (MessageDlg(question, mtConfirmation, mbYesNo) != mrYes)
        return false;
    if (secondQuestion.empty())
        return true;
    std::string second;
    if (count == -1)
        second = secondQuestion;
    else if (count > 1)
        second = FormatCount(secondQuestion, count);
    else
        return true;
    return MessageDlg(second, mtConfirmation, mbYesNo) == mrYes;
}

void CopyTextToClipboard(const std::string& text) {
    QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::clipboard()
                                : nullptr;
    if (!clipboard)
        throw Exception("Clipboard error.");
    clipboard->setText(QString::fromStdString(text));
}
