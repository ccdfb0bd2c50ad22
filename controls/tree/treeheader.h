#pragma once
// TLTHeader: the tree's column header. It owns the columns, lives in the area above the
// viewport (the scroll area's top margin) and handles column resizing with the mouse,
// double-click auto-fit, dragging columns to new positions, hot tracking and clicks.
// Mouse positions given to it are header coordinates: x as in the viewport, y from the
// header's top. A press on it focuses the tree; the tree hands Escape and its focus loss to
// CancelMouseAction.

#include <QFont>
#include <QWidget>
#include <memory>

#include "controls/tree/treecolumns.h"
#include "controls/tree/treeevents.h"
#include "controls/tree/treeimages.h"

class TBaseLeanTree;
class TLTDragImage;
class QMenu;
class QPainter;

// The sort glyph's size in the header (an arrow drawn in code).
inline constexpr QSize SortGlyphSize{9, 6};

enum class TLTHeaderOption {
    hoAutoResize,
    hoColumnResize,
    hoDblClickResize,
    hoDrag,
    hoHotTrack,
    hoOwnerDraw,
    hoRestrictDrag,
    hoShowHint,
    hoShowImages,
    hoShowSortGlyphs,
    hoVisible,
    hoAutoSpring
};
using TLTHeaderOptions = TFlags<TLTHeaderOption, uint16_t>;
enum TLTHeaderStyle { hsThickButtons, hsFlatButtons, hsPlates, hsXPStyle };

// Header mouse states (bits of the header state).
enum class THeaderState {
    hsAutoSizing,
    hsDragging,
    hsDragPending,
    hsLoading,
    hsTracking,
    hsTrackPending
};
using THeaderStates = TFlags<THeaderState, uint8_t>;

class TLTHeader {
public:
    explicit TLTHeader(TBaseLeanTree* owner);
    virtual ~TLTHeader();
    TBaseLeanTree* Tree() const { return tree_; }
    TLeanTreeColumns& Columns() { return *columns_; }
    const TLeanTreeColumns& Columns() const { return *columns_; }
    QWidget* Area() const { return area_; }

    int Height() const { return height_; }
    void SetHeight(int value);
    TLTHeaderOptions Options() const { return options_; }
    void SetOptions(TLTHeaderOptions value);
    TLTHeaderStyle Style() const { return style_; }
    void SetStyle(TLTHeaderStyle value);
    TColor Background() const { return background_; }
    void SetBackground(TColor value);
    TColumnIndex AutoSizeIndex() const { return autoSizeIndex_; }
    void SetAutoSizeIndex(TColumnIndex value);
    // -1 while there are no columns; written clamped to the columns, while the tree is loading
    // only stored (the columns may come later).
    TColumnIndex MainColumn() const { return columns_->Count() ? mainColumn_ : NoColumn; }
    void SetMainColumn(TColumnIndex value);
    // At the end of the tree's loading: a main column stored meanwhile is clamped to the
    // columns present (-1 without columns).
    void Loaded();
    TColumnIndex SortColumn() const { return sortColumn_; }
    void SetSortColumn(TColumnIndex value); // clamped to [-1, count - 1]
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection value);
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& value); // repaints the header
    TColor FontColor = clWindowText;
    // The header takes the tree's font (copied when switched on and when the tree's changes).
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    QMenu* PopupMenu = nullptr;
    THeaderStates States() const { return states_; }
    // The column images (hoShowImages; each column's ImageIndex). A change repaints the header.
    const std::shared_ptr<TLTImageList>& Images() const { return images_.List(); }
    void SetImages(std::shared_ptr<TLTImageList> Value);
    // The picture of a dragged column, shown over the tree while the drag runs.
    TLTDragImage& DragImage() { return *dragImage_; }

    // The header shows columns: visible and with at least one column.
    bool UseColumns() const;
    // The header's height when shown, else 0.
    int VisibleHeight() const;
    void RecalculateHeader();
    // Finds the resizable column whose split zone holds P (header coordinates); -2 when none.
    TColumnIndex DetermineSplitterIndex(QPoint P);
    void Invalidate(TLeanTreeColumn* Column);
    void AutoFitColumns(bool Animated);
    void RestoreColumns();
    // Spreads the change of the header's width over the spring columns (hoAutoSpring).
    void ResizeColumns();
    void Assign(const TLTHeader& source);
    // The header stream (marker -1, version 3, columns, settings, font); a stream without the
    // marker is read as version -1. Reading raises EReadError on damaged data.
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream) const;

    // Mouse and key handling of the header area (header coordinates; Global for drops).
    void MousePress(QPoint P, TMouseButton Button, TShiftState Shift);
    void MouseMove(QPoint P, TShiftState Shift, bool LeftDown);
    void MouseRelease(QPoint P, QPoint Global, TMouseButton Button, TShiftState Shift);
    void DoubleClick(QPoint P, TMouseButton Button, TShiftState Shift);
    void MouseLeave();
    // Escape or focus loss: ends a column drag (no move) or width tracking. True when one ran;
    // the release of the button that started it then does nothing more.
    bool CancelMouseAction();
    // Paints the header cells meeting r (header coordinates): the scrolling columns clipped to
    // the room between the fixed ones, then the fixed ones.
    void Paint(QPainter& p, const QRect& r);

private:
    friend class TLeanTreeColumns;
    friend class TLeanTreeColumn;
    // One cell: face, image, text, sort glyph and drop mark (or the host's painting).
    void PaintColumn(QPainter& p, TLeanTreeColumn& Column, const QRect& Cell, bool Advanced,
                     bool Last);
    // The area right of the last column: the host's, the theme's or the own XP face, else the
    // Background colour.
    void PaintBackground(QPainter& p, const QRect& Rest, bool Advanced);
    // Shows the hint of the column under P (hoShowHint); hides it where there is none.
    void ShowColumnHint(QPoint P);
    void HideColumnHint();
    // Sorts the tree by the sort column and direction under toAutoSort, outside updates.
    void AutoSort();
    void StartColumnDrag(QPoint P);
    void EndColumnDrag();
    TBaseLeanTree* tree_;
    std::unique_ptr<TLeanTreeColumns> columns_;
    QWidget* area_ = nullptr;
    QWidget* dragOverlay_ = nullptr; // shows the drag image over the tree
    std::unique_ptr<TLTDragImage> dragImage_;
    TLTImageLink images_;
    TColumnIndex hintColumn_ = NoColumn;
    bool swallowRelease_ = false; // a cancelled action's button is still down
    int height_ = 17;
    QFont font_;
    bool parentFont_ = false;
    TLTHeaderOptions options_{TLTHeaderOption::hoColumnResize, TLTHeaderOption::hoDrag};
    THeaderStates states_;
    int trackLeft_ = 0;
    QPoint trackStart_, dragStart_;
    TLTHeaderStyle style_ = hsThickButtons;
    TColor background_ = clBtnFace;
    TColumnIndex autoSizeIndex_ = NoColumn;
    TColumnIndex mainColumn_ = NoColumn;
    TColumnIndex sortColumn_ = NoColumn;
    TSortDirection sortDirection_ = sdAscending;
    int lastHeaderWidth_ = 0;
};
