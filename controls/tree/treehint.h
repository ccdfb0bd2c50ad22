#pragma once
// TLeanTreeHintWindow: the tree's own frameless tool-tip window. It shows an ordinary hint
// (hint font and colours) or, in the tooltip mode, the full content of a cut-off cell drawn
// where the cell lies; it can fade in (window opacity) or slide open (window geometry). A shown
// hint hides after the application's hint hide pause, through the tree's cancel.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "controls/tree/treehinttypes.h"

class TLeanTreeHintWindow : public QWidget {
public:
    explicit TLeanTreeHintWindow(TBaseLeanTree* Tree);
    ~TLeanTreeHintWindow() override;

    // The window's rectangle for AData (origin (0, 0), or (-1, -1) for a tooltip); empty when
    // no hint is needed (no text, or a multi-line cell that fits). An ordinary hint keeps to
    // one line per line feed, as wide as it needs; hlbForceMultiLine wraps it at MaxWidth.
    // Neither is wider or taller than the screen (Desktop): the text is cut with "..." there.
    // Stops a running animation.
    QRect CalcHintRect(int MaxWidth, const QString& AHint, const TLTHintData& AData);
    // Shows the window at Rect (screen coordinates) kept inside Desktop, animated as the tree
    // says, and (re)starts the wait of HintHidePauseFor(AHint) ms after which the tree cancels
    // it; an empty Rect hides it.
    void ActivateHint(QRect Rect, const QString& AHint, const QRect& Desktop);
    const TLTHintData& HintData() const { return FHintData; }
    // The wait after which the shown hint hides, ms; 0 while none runs.
    int HidePause() const { return FHideTimer.isActive() ? FHideTimer.interval() : 0; }
    // Darkens the strip R of Target toward Color, deepest at Target's edge Edge (the strip runs
    // along it): five blends at alphas 5, 10, 20, 35 and 50, the first over the whole strip and
    // each next one starting one pixel nearer the edge. R is clipped to Target.
    static void DrawShadow(QImage& Target, QRect R, Qt::Edge Edge, const QColor& Color);
    // Thickness of the shadow strips along the hint's right and bottom edges, pixels.
    static constexpr int ShadowSize = 5;
    // The area of the screen Tree is on that hints may take (a large square without a screen).
    static QRect Desktop(const QWidget& Tree);
    // The geometry the window ends at after its animation.
    QRect FinalRect() const { return FFinalRect; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    bool AnimationStep(uint32_t Step, bool Fade);
    // The frame and the hint or cell in Full (the window's final size) on Buffer.
    void PaintContent(QImage& Buffer, const QRect& Full);
    TBaseLeanTree* FTree;
    TLTHintData FHintData;
    int FTextHeight = 0;
    QRect FFinalRect;
    QTimer FHideTimer; // the application's hint hide pause; runs while the window shows
};
