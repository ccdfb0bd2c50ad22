#pragma once
// TLeanTreeHints: the tree's side of its hints (the window itself is TLeanTreeHintWindow in
// treehint.h): the hint settings, the host's hint queries and which hint shows where.
// TBaseLeanTree derives from it (treehints.cpp).

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include "controls/tree/treehinttypes.h"

class QPainter;
class TLeanTreeHintWindow;

class TLeanTreeHints {
public:
    TLTHintMode HintMode = hmDefault;
    TLTHintAnimationType HintAnimation = hatSystemDefault;
    QString Hint;         // the control's own hint text
    bool ShowHint = true; // off: no hint shows, neither the tree's nor its columns'
    // The effective hint animation (the system default resolved).
    virtual TLTHintAnimationType DoGetAnimationType();
    virtual QString DoGetNodeHint(PLeanNode Node, TColumnIndex Column,
                                  TLTTooltipLineBreakStyle& LineBreakStyle);
    virtual QString DoGetNodeTooltip(PLeanNode Node, TColumnIndex Column,
                                     TLTTooltipLineBreakStyle& LineBreakStyle);
    // The hint of a cell that the tree draws itself: its rectangle (origin (0, 0)), empty for
    // a text hint (the default), and its painting into R of Canvas (nothing here).
    virtual QRect DoGetHintSize(PLeanNode Node, TColumnIndex Column);
    virtual void DoDrawHint(QPainter& Canvas, PLeanNode Node, const QRect& R, TColumnIndex Column);
    // The font a tooltip of Node's cell is measured and drawn in (the tree's font here).
    virtual QFont DoGetHintFont(PLeanNode Node, TColumnIndex Column);
    // Decides and shows the hint for the client point P; false when none shows (always in a
    // window that is not the active one).
    bool ShowHintAt(QPoint P);
    // Hides the hint (its node may be going) and leaves tsHint.
    void CancelHint();
    bool HintShowing() const;
    // The hint window (made on first use; owned by the tree).
    TLeanTreeHintWindow* HintWindow();
    // Makes the hint window (a child of the tree); descendants may make their own kind.
    virtual TLeanTreeHintWindow* GetHintWindowClass();

protected:
    TLeanTreeHints() = default;
    virtual ~TLeanTreeHints() = default;
    TLeanTreeHints(const TLeanTreeHints&) = delete;
    TLeanTreeHints& operator=(const TLeanTreeHints&) = delete;

    TLeanTreeHintWindow* FHintWindow = nullptr; // a child of the tree
    QRect FLastHintRect; // client area where the shown hint holds: nothing new is decided there

private:
    friend class TLeanTreeHintWindow;
    // The hint window's hide pause ran out: cancels the hint but keeps the area where it
    // showed, so that it shows again only once the mouse has left that area.
    void HintPauseElapsed();

    // The tree these hints belong to (TBaseLeanTree derives from this class).
    TBaseLeanTree& HintTree();
    const TBaseLeanTree& HintTree() const;
};
