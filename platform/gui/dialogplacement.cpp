#include "platform/gui/dialogplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/gui/formhelpers.h"

namespace {

// Watches one dialog: places it at its first show and keeps it in the work area after every
// show and change of size. The frame's size is known only once the window system has framed
// the window, so each check runs again once the events of the moment are done.
class TDialogKeeper : public QObject {
public:
    TDialogKeeper(QWidget* dialog, TDialogPosition position)
        : QObject(dialog), dialog_(dialog), position_(position) {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != dialog_ || !dialog_->isWindow())
            return false;
        if (e->type() == QEvent::Show) {
            if (!placed_ && position_ == TDialogPosition::ScreenCentre) {
                const QRect area = OwnerWorkArea(dialog_);
                if (area.isValid())
                    dialog_->move(FrameCentredIn(dialog_->frameGeometry(), area).topLeft());
            }
            placed_ = true;
            KeepSoon();
        } else if (e->type() == QEvent::Resize && dialog_->isVisible()) {
            KeepSoon();
        }
        return false;
    }

private:
    void KeepSoon() {
        KeepDialogInWorkArea(dialog_);
        QPointer<QWidget> dialog = dialog_;
        QTimer::singleShot(0, this, [dialog] {
            if (dialog && dialog->isVisible())
                KeepDialogInWorkArea(dialog);
        });
    }

    QWidget* dialog_;
    TDialogPosition position_;
    bool placed_ = false;
};

} // namespace

QRect OwnerWorkArea(const QWidget* dialog) {
    QScreen* screen = nullptr;
    if (const QWidget* owner = dialog ? dialog->parentWidget() : nullptr)
        screen = owner->window()->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect FrameInWorkArea(const QRect& frame, const QSize& minimum, const QRect& workArea) {
    if (!workArea.isValid())
        return frame;
    QRect r = frame;
    r.setWidth(std::max(std::min(r.width(), workArea.width()), minimum.width()));
    r.setHeight(std::max(std::min(r.height(), workArea.height()), minimum.height()));
    // Right and bottom edges first, then left and top, which win for a frame still too large.
    if (r.right() > workArea.right())
        r.moveRight(workArea.right());
    if (r.bottom() > workArea.bottom())
        r.moveBottom(workArea.bottom());
    if (r.left() < workArea.left())
        r.moveLeft(workArea.left());
    if (r.top() < workArea.top())
        r.moveTop(workArea.top());
    return r;
}

QRect FrameCentredIn(const QRect& frame, const QRect& workArea) {
    QRect r = frame;
    r.moveCenter(workArea.center());
    r.moveLeft(std::max(r.left(), workArea.left()));
    r.moveTop(std::max(r.top(), workArea.top()));
    return r;
}

void PlaceDialog(QWidget* dialog, TDialogPosition position) {
    if (dialog)
        new TDialogKeeper(dialog, position);
}

void KeepDialogInWorkArea(QWidget* dialog) {
    if (!dialog || !dialog->isWindow())
        return;
    const QRect area = WorkAreaOf(dialog);
    if (!area.isValid())
        return;
    const QRect frame = dialog->frameGeometry();
    // The frame's borders and caption around the client area.
    const QSize margins = frame.size() - dialog->size();
    const QSize minimum = dialog->minimumSize()
                              .expandedTo(dialog->minimumSizeHint())
                              .boundedTo(dialog->maximumSize());
    const QRect kept = FrameInWorkArea(frame, minimum + margins, area);
    if (kept.size() != frame.size())
        dialog->resize(kept.size() - margins);
    if (kept.topLeft() != frame.topLeft())
        dialog->move(kept.topLeft()); // a top-level window's pos() is its frame's top-left
}
