// The hint window: its size, painting and animation (the tree's side of hints: treehints.cpp).
#include "controls/tree/treehint.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treetextfit.h"
#include "platform/gui/hintpause.h"
#include "platform/gui/qtcolors.h"

using enum TLeanTreeState;
using enum TLTPaintOption;
using enum THitPosition;

namespace {

// Set while a hint window is being destroyed: animation steps stop.
bool HintWindowDestroying = false;

} // namespace

TLeanTreeHintWindow::TLeanTreeHintWindow(TBaseLeanTree* Tree)
    : QWidget(Tree, Qt::ToolTip | Qt::FramelessWindowHint), FTree(Tree) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    HintWindowDestroying = false;
    FHideTimer.setSingleShot(true);
    QObject::connect(&FHideTimer, &QTimer::timeout, this, [this] { FTree->HintPauseElapsed(); });
}

TLeanTreeHintWindow::~TLeanTreeHintWindow() {
    HintWindowDestroying = true;
}

QRect TLeanTreeHintWindow::Desktop(const QWidget& Tree) {
    QScreen* screen = Tree.screen();
    return screen ? screen->availableGeometry() : QRect(0, 0, MaxTextWidth, MaxTextWidth);
}

QRect TLeanTreeHintWindow::CalcHintRect(int MaxWidth, const QString& AHint,
                                        const TLTHintData& AData) {
    FTree->DoStateChange(tsCancelHintAnimation);
    FHintData = AData;
    FHintData.Tree = FTree;
    if (AData.Node && !AData.HintRect.isEmpty())
        return AData.HintRect; // a cell the tree draws itself
    bool tooltip = FTree->HintMode == hmTooltip && AData.Node;
    auto& cols = FTree->Header().Columns();
    if (cols.IsValidColumn(AData.Column)) {
        FHintData.BidiMode = cols.Items(AData.Column).BiDiMode();
        FHintData.Alignment = cols.Items(AData.Column).Alignment();
    } else {
        FHintData.BidiMode = FTree->BiDiMode();
        FHintData.Alignment = FTree->Alignment();
    }
    if (FHintData.BidiMode != bdLeftToRight && FHintData.Alignment != taCenter)
        FHintData.Alignment = FHintData.Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    setFont(tooltip ? FTree->DoGetHintFont(AData.Node, AData.Column)
                    : QApplication::font("QTipLabel"));
    QFontMetrics fm(font());
    FTextHeight = fm.height();
    QString text =
        !AData.DefaultHint.isEmpty()      ? AData.DefaultHint
        : !AHint.isEmpty() && !AData.Node ? AHint
        : tooltip
            ? FTree->DoGetNodeTooltip(AData.Node, AData.Column, FHintData.LineBreakStyle)
            : (AData.Node ? FTree->DoGetNodeHint(AData.Node, AData.Column, FHintData.LineBreakStyle)
                          : AHint);
    FHintData.HintText = text;
    if (text.isEmpty())
        return QRect();
    // The window shows no more than the screen holds: only that much of the text is measured.
    const QRect desktop = Desktop(*FTree);
    if (tooltip) {
        if (FHintData.LineBreakStyle == hlbDefault)
            FHintData.LineBreakStyle =
                (AData.Node->States & vsMultiline) ? hlbForceMultiLine : hlbForceSingleLine;
        QRect r;
        if (FHintData.LineBreakStyle == hlbForceSingleLine) {
            r = FTree->GetDisplayRect(AData.Node, AData.Column, true, true);
            r.setWidth(std::min(r.width(), desktop.width()));
            if (FTree->HasPaint(toShowHorzGridLines))
                r.setBottom(r.bottom() - 1);
        } else {
            r = FTree->GetDisplayRect(AData.Node, AData.Column, true, false);
            const QString shown = FitWrappedText(font(), text, r.width(), desktop.height());
            QRect measured = fm.boundingRect(QRect(0, 0, std::max(1, r.width()), 100000),
                                             Qt::TextWordWrap, shown);
            r.setHeight(measured.height());
            r.setWidth(r.width() + FTree->TextMargin());
            QRect client(-3, -3, FTree->ClientWidth() + 6, FTree->ClientHeight() + 6);
            if (int(AData.Node->NodeHeight) + 2 >= measured.height() && client.contains(r))
                return QRect();
        }
        r.adjust(-1, -1, 1, 1);
        return QRect(-1, -1, r.width(), r.height());
    }
    // One line (or one per line feed) unless multi-line is forced; a longer line widens the
    // hint past MaxWidth rather than being cut, up to the screen's width.
    const bool wrap = FHintData.LineBreakStyle == hlbForceMultiLine;
    const int frame = 2 * FTree->TextMargin() + 2;
    FHintData.HintText = wrap ? FitWrappedText(font(), text, MaxWidth, desktop.height())
                              : FitLines(font(), text, desktop.width() - frame, desktop.height());
    QRect measured = fm.boundingRect(QRect(0, 0, MaxWidth, FTextHeight),
                                     wrap ? Qt::TextWordWrap : 0, FHintData.HintText);
    return QRect(0, 0, measured.width() + frame, measured.height() + 6);
}

void TLeanTreeHintWindow::ActivateHint(QRect Rect, const QString& AHint, const QRect& Desktop) {
    if (Rect.isEmpty()) {
        hide();
        return;
    }
    bool wasAnimating = FTree->TreeStates().Contains(tsInAnimation);
    if (wasAnimating)
        FTree->DoStateChange({}, tsInAnimation);
    if (Rect.bottom() > Desktop.bottom())
        Rect.moveBottom(Desktop.bottom());
    if (Rect.right() > Desktop.right())
        Rect.moveRight(Desktop.right());
    if (Rect.left() < Desktop.left())
        Rect.moveLeft(Desktop.left());
    FFinalRect = Rect;
    FTree->DoStateChange({}, tsCancelHintAnimation);
    TLTHintAnimationType kind = FTree->DoGetAnimationType();
    uint32_t duration = FTree->AnimationDuration();
    if (kind == hatFade && duration > 0) {
        setWindowOpacity(0);
        setGeometry(Rect);
        show();
        FTree->Animate(255, 2 * duration,
                       [this](uint32_t step, uint32_t) { return AnimationStep(step, true); });
        setWindowOpacity(1);
    } else if (kind == hatSlide && duration > 0) {
        setWindowOpacity(1);
        setGeometry(QRect(Rect.topLeft(), QSize(Rect.width(), 1)));
        show();
        FTree->Animate(uint32_t(Rect.height()), duration,
                       [this](uint32_t step, uint32_t) { return AnimationStep(step, false); });
    } else {
        setWindowOpacity(1);
        setGeometry(Rect);
        show();
        update();
    }
    if (isVisible()) {
        setGeometry(FFinalRect);
        FHideTimer.start(HintHidePauseFor(AHint));
    }
    if (wasAnimating && !HintWindowDestroying)
        FTree->DoStateChange(tsInAnimation);
}

bool TLeanTreeHintWindow::AnimationStep(uint32_t Step, bool Fade) {
    if (HintWindowDestroying || !isVisible() || FTree->TreeStates().Contains(tsCancelHintAnimation))
        return false;
    if (Fade)
        setWindowOpacity(qreal(Step) / 255);
    else
        setGeometry(QRect(FFinalRect.topLeft(), QSize(FFinalRect.width(), int(Step))));
    return true;
}

void TLeanTreeHintWindow::DrawShadow(QImage& Target, QRect R, Qt::Edge Edge, const QColor& Color) {
    R &= Target.rect();
    if (R.isEmpty())
        return;
    if (Target.format() != QImage::Format_ARGB32_Premultiplied &&
        Target.format() != QImage::Format_RGB32 && Target.format() != QImage::Format_ARGB32)
        Target.convertTo(QImage::Format_ARGB32_Premultiplied);
    const int alphas[] = {5, 10, 20, 35, 50};
    const int cr = Color.red(), cg = Color.green(), cb = Color.blue();
    bool vertical = Edge == Qt::LeftEdge || Edge == Qt::RightEdge;
    int thickness = vertical ? R.width() : R.height();
    for (int i = 0; i < 5 && i < thickness; ++i) {
        // Blend i leaves out the i pixels farthest from the edge.
        QRect s = R;
        switch (Edge) {
        case Qt::RightEdge:
            s.setLeft(R.left() + i);
            break;
        case Qt::LeftEdge:
            s.setRight(R.right() - i);
            break;
        case Qt::BottomEdge:
            s.setTop(R.top() + i);
            break;
        case Qt::TopEdge:
            s.setBottom(R.bottom() - i);
            break;
        }
        int a = alphas[i];
        auto mix = [a](int d, int c) { return d + (c - d) * a / 255; };
        for (int y = s.top(); y <= s.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(Target.scanLine(y));
            for (int x = s.left(); x <= s.right(); ++x) {
                QRgb d = line[x];
                line[x] = qRgba(mix(qRed(d), cr), mix(qGreen(d), cg), mix(qBlue(d), cb), qAlpha(d));
            }
        }
    }
}

void TLeanTreeHintWindow::paintEvent(QPaintEvent*) {
    QRect r = rect();
    // The content is laid out for the final size; a slide shows its top part.
    QRect full(0, 0, FFinalRect.width() ? FFinalRect.width() : r.width(),
               FFinalRect.height() ? FFinalRect.height() : r.height());
    // Drawn into a buffer, shaded inside the frame along the right and bottom edges, then shown.
    qreal dpr = devicePixelRatioF();
    QSize logical = full.size().expandedTo(r.size());
    QImage buffer(logical * dpr, QImage::Format_ARGB32_Premultiplied);
    buffer.setDevicePixelRatio(dpr);
    PaintContent(buffer, full);
    QRect inner = QRect(full.topLeft() * dpr, full.size() * dpr).adjusted(1, 1, -1, -1);
    int shadow = std::min({ShadowSize, inner.width() / 2, inner.height() / 2});
    if (shadow > 0) {
        QColor black(Qt::black);
        DrawShadow(buffer, QRect(inner.right() + 1 - shadow, inner.top(), shadow, inner.height()),
                   Qt::RightEdge, black);
        DrawShadow(buffer, QRect(inner.left(), inner.bottom() + 1 - shadow, inner.width(), shadow),
                   Qt::BottomEdge, black);
    }
    QPainter p(this);
    p.drawImage(0, 0, buffer);
}

void TLeanTreeHintWindow::PaintContent(QImage& Buffer, const QRect& Full) {
    QPainter p(&Buffer);
    p.setFont(font());
    p.fillRect(QRect(QPoint(0, 0), Buffer.deviceIndependentSize().toSize()),
               ColorToQColor(clInfoBk));
    p.setPen(Qt::black);
    p.drawRect(Full.adjusted(0, 0, -1, -1));
    if (FHintData.Node && !FHintData.HintRect.isEmpty()) {
        FTree->DoDrawHint(p, FHintData.Node, Full, FHintData.Column);
        return;
    }
    bool tooltip = FTree->HintMode == hmTooltip && FHintData.Node;
    if (tooltip) {
        TLTPaintInfo info;
        info.Canvas = &p;
        info.Node = FHintData.Node;
        info.Column = FHintData.Column;
        info.BidiMode = FHintData.BidiMode;
        info.Alignment = FHintData.Alignment;
        info.CellRect = Full.adjusted(1, 1, -1, -1);
        info.ContentRect = info.CellRect;
        // Cut to the window when the text is wider than the screen.
        info.NodeWidth = FTree->DoGetNodeWidth(FHintData.Node, FHintData.Column, &p);
        FTree->DoPaintNode(info);
        return;
    }
    p.setPen(ColorToQColor(clInfoText));
    int flags = 0;
    if (FHintData.BidiMode != bdLeftToRight)
        flags |= Qt::AlignRight;
    if (FHintData.LineBreakStyle == hlbForceMultiLine)
        flags |= Qt::TextWordWrap;
    int margin = FTree->TextMargin();
    QRect text = Full.adjusted(margin, 3, -margin, -3);
    if (!(flags & Qt::TextWordWrap) || text.height() <= FTextHeight)
        flags |= Qt::AlignVCenter;
    p.drawText(text, flags, FHintData.HintText);
}

void TLeanTreeHintWindow::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    FHideTimer.stop();
    FHintData = TLTHintData();
    HintWindowDestroying = false;
}
