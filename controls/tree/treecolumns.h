#pragma once
// The tree's columns: TLeanTreeColumn describes one, TLeanTreeColumns (owned by the header)
// holds them, keeps the display order apart from the collection order, computes left edges,
// finds the column at a point and fits the auto-size column to the client width.
// Column index -1 means no column; -2 an invalid column (nothing found).

#include <QFontMetrics>
#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "controls/tree/treetypes.h"
#include "platform/classes.h"
#include "platform/colors.h"

class TLTHeader;
class TLeanTreeColumns;

enum class TLTColumnOption {
    coAllowClick,
    coDraggable,
    coEnabled,
    coParentBidiMode,
    coParentColor,
    coResizable,
    coShowDropMark,
    coVisible,
    coAutoSpring,
    coFixed
};
using TLTColumnOptions = TFlags<TLTColumnOption, uint16_t>;
enum TLeanTreeColumnStyle { vsText, vsOwnerDraw };
enum TLTHeaderColumnLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Where a visible column shows when the tree scrolls horizontally: fixed columns before the
// first scrolling column stay at the left, fixed columns after the last one stay at the right
// end of the client area; every other column (a fixed one between scrolling ones too) scrolls.
enum class TColumnPlace { cpScrolled, cpFixedLeft, cpFixedRight };

// The places of a header cell's pieces (header coordinates): the top-left corners of the
// column image and of the sort glyph (when they are used), and the rectangle of the text.
struct THeaderLayout {
    QPoint GlyphPos;
    QPoint SortGlyphPos;
    QRect TextBounds;
};

class TLeanTreeColumn {
public:
    explicit TLeanTreeColumn(TLeanTreeColumns* owner);
    virtual ~TLeanTreeColumn() = default;
    TLeanTreeColumn(const TLeanTreeColumn&) = delete;
    TLeanTreeColumn& operator=(const TLeanTreeColumn&) = delete;

    int Index() const;
    // Moves the column to Value (clamped to the collection) within the collection; the display
    // order stays, and every column index held by the header and the tree follows the columns.
    void SetIndex(int Value);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }
    int Left() const { return left_; }
    int Width() const { return width_; }
    // Clamped to [MinWidth, MaxWidth]; fires the tree's OnColumnResize when it changed.
    void SetWidth(int value);
    uint32_t Position() const { return position_; }
    // Moves the column in the display order (clamped to the last position), cancelling an
    // edit and repainting header and rows; while the tree loads the value is only stored.
    void SetPosition(uint32_t value);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value); // 0..MaxWidth
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value); // at least MinWidth
    // Setters of the look repaint the column's header cell.
    TLeanTreeColumnStyle Style() const { return style_; }
    void SetStyle(TLeanTreeColumnStyle value);
    int ImageIndex() const { return imageIndex_; } // in the header's Images, -1 for none
    void SetImageIndex(int value);
    TBiDiMode BiDiMode() const { return bidi_; }
    void SetBiDiMode(TBiDiMode value);
    TLTHeaderColumnLayout Layout() const { return layout_; }
    void SetLayout(TLTHeaderColumnLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);               // negative becomes 4
    int Spacing() const { return spacing_; } // pixels between the image, text and sort glyph
    void SetSpacing(int value);
    TLTColumnOptions Options() const { return options_; }
    void SetOptions(TLTColumnOptions value);
    int Tag() const { return tag_; }
    void SetTag(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int LastWidth() const { return lastWidth_; }
    // With coParentBidiMode (coParentColor) the column takes the tree's BiDiMode (Color).
    void ParentBiDiModeChanged();
    void ParentColorChanged();
    float SpringRest = 0;

    bool Visible() const { return options_.Contains(TLTColumnOption::coVisible); }
    // Text, or "Column <index>" when the text holds a character above 255.
    std::string GetDisplayName() const;
    // The header rectangle of the column, moved right by Left.
    QRect GetRect() const;
    // Where the column shows, in client coordinates: Left plus the tree's horizontal offset for
    // a scrolling column; a fixed column stays in place (see TColumnPlace).
    int GetLeft() const;
    // Lays out the header cell Client: the column image of the header's Images (UseHeaderGlyph)
    // beside, above or below the text by Layout with Spacing between, the block placed by
    // Alignment Margin from the edges, and the sort glyph (UseSortGlyph) Spacing after it;
    // mirrored for right-to-left reading. The text bounds shrink to what is left when the text
    // does not fit (the caller shortens the text to them).
    THeaderLayout ComputeHeaderLayout(const QFontMetrics& Metrics, const QRect& Client,
                                      bool UseHeaderGlyph, bool UseSortGlyph) const;
    void RestoreLastWidth();
    void Assign(const TLeanTreeColumn& source);
    bool Equals(const TLeanTreeColumn& other) const;
    // The column's stream record; Version is the header stream's (-1: without version).
    // Reading raises EReadError on a short or damaged record.
    void LoadFromStream(TStream& Stream, int Version);
    void SaveToStream(TStream& Stream) const;

private:
    friend class TLeanTreeColumns;
    void Changed();
    TLeanTreeColumns* owner_;
    std::string text_, hint_;
    int left_ = 0;
    int width_ = 50;
    uint32_t position_ = 0;
    int minWidth_ = 10;
    int maxWidth_ = 10000;
    TLeanTreeColumnStyle style_ = vsText;
    int imageIndex_ = -1;
    TBiDiMode bidi_ = bdLeftToRight;
    TLTHeaderColumnLayout layout_ = blGlyphLeft;
    int margin_ = 4;
    int spacing_ = 4;
    int tag_ = 0;
    TLTColumnOptions options_{TLTColumnOption::coAllowClick,   TLTColumnOption::coDraggable,
                              TLTColumnOption::coEnabled,      TLTColumnOption::coParentBidiMode,
                              TLTColumnOption::coParentColor,  TLTColumnOption::coResizable,
                              TLTColumnOption::coShowDropMark, TLTColumnOption::coVisible};
    TAlignment alignment_ = taLeftJustify;
    int lastWidth_ = 50;
    TColor color_ = clWindow;
};

class TLeanTreeColumns {
public:
    explicit TLeanTreeColumns(TLTHeader* header);
    ~TLeanTreeColumns();
    TLTHeader* Header() const { return header_; }

    int Count() const { return int(items_.size()); }
    TLeanTreeColumn& Items(int index) { return *items_.at(size_t(index)); }
    const TLeanTreeColumn& Items(int index) const { return *items_.at(size_t(index)); }
    TLeanTreeColumn& Add();
    // Deletes one column; references to it (hover, pressed, main, sort, auto-size) are fixed.
    void Delete(int index);
    void Clear();
    void Assign(const TLeanTreeColumns& source);
    // Count, the records and the display order. Loading replaces every column.
    void LoadFromStream(TStream& Stream, int Version);
    void SaveToStream(TStream& Stream) const;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    // Recomputes Position and Left from the position array (Left sums visible widths).
    void UpdatePositions(bool Force = false);
    void InitializePositionArray();
    // Rebuilds the display order from the columns' stored positions (after loading).
    void FixPositions();
    void AdjustPosition(TLeanTreeColumn& Column, uint32_t NewPosition);
    // Renumbers the position array and the column references (hover, pressed, tracked, clicked,
    // drop target, main, sort, auto-size, the tree's focused column) after the column at OldIndex
    // moved to NewIndex in the collection; NewIndex -1 (a deletion) drops OldIndex and lowers
    // larger indexes, the array shrinking by one. A deletion is reported before the column leaves
    // the collection, a move after the column moved.
    void IndexChanged(int OldIndex, int NewIndex);
    void Update(TLeanTreeColumn* Item);
    const std::vector<int>& PositionToIndex() const { return positionToIndex_; }

    TColumnIndex GetFirstVisibleColumn() const;
    TColumnIndex GetLastVisibleColumn() const;
    TColumnIndex GetNextColumn(TColumnIndex Column) const;
    TColumnIndex GetNextVisibleColumn(TColumnIndex Column) const;
    TColumnIndex GetPreviousColumn(TColumnIndex Column) const;
    TColumnIndex GetPreviousVisibleColumn(TColumnIndex Column) const;
    std::vector<TColumnIndex> GetVisibleColumns() const;
    int GetVisibleFixedWidth() const;
    bool IsValidColumn(TColumnIndex Column) const { return Column >= 0 && Column < Count(); }
    // The column displayed at position p; -1 beyond the array.
    TColumnIndex ColumnFromPosition(uint32_t Position) const;
    // The column under P; -2 when none. Relative: P in client coordinates, columns where they
    // show (fixed ones over the scrolling ones); else P in tree coordinates, nothing scrolled.
    TColumnIndex ColumnFromPosition(QPoint P, bool Relative = true) const;
    TColumnIndex GetColumnAndBounds(QPoint P, int& Left, int& Right, bool Relative = true) const;
    // Right edge of the last visible column; 0 without columns.
    int TotalWidth() const;
    // Where a column shows (cpScrolled for an invisible or invalid one).
    TColumnPlace GetColumnPlace(TColumnIndex Column) const;
    // What GetLeft adds to a column's Left: the horizontal offset for scrolling columns, 0 for
    // the fixed columns on the left, for those on the right the shift that keeps them at the
    // client's right end while the columns are wider than the client (never over the left ones).
    int GetDisplayShift(TColumnIndex Column) const;
    // The client x range [Left, Right) in which scrolling columns show: between the fixed
    // columns on the left and those on the right (Right is far beyond the client without them).
    void GetScrolledArea(int& Left, int& Right) const;
    // The visible columns in paint order: the scrolling ones in display order, then the fixed
    // ones, which lie over them.
    std::vector<TColumnIndex> GetPaintOrder() const;
    // Bounds of Column; for -1 the whole client width.
    void GetColumnBounds(TColumnIndex Column, int& Left, int& Right) const;
    // Fits the auto-size column to the client width (see the header's AutoSizeIndex).
    void AdjustAutoSize(TColumnIndex CurrentIndex, bool Force = false);
    // The column hoAutoResize fits: AutoSizeIndex, or the last one when that is no column;
    // -1 without columns.
    TColumnIndex AutoSizeColumn() const;
    void AnimatedResize(TColumnIndex Column, int NewWidth);
    // Header click handling: P in header coordinates.
    void HandleClick(QPoint P, TMouseButton Button, bool DblClick, bool Force, TShiftState Shift);
    bool AdjustHoverColumn(QPoint P);
    bool AdjustDownColumn(QPoint P);

    TColumnIndex HoverIndex = NoColumn;
    TColumnIndex DownIndex = NoColumn;
    TColumnIndex TrackIndex = NoColumn;
    TColumnIndex ClickIndex = NoColumn;
    TColumnIndex DropTarget = NoColumn;
    bool DropBefore = false;

private:
    friend class TLeanTreeColumn;
    void RemoveReferences(int index);
    // Calls Renumber (Index, Gone) for every column index held by the collection, the header and
    // the tree; Gone is what the index becomes when its column is deleted.
    template <class F> void RenumberReferences(F Renumber);
    // Display positions of the first and last visible scrolling column (-1 without any) and
    // where the fixed groups before and after them lie.
    struct TFixedGroups {
        int FirstScrolled = -1, LastScrolled = -1;
        int LeftWidth = 0;
        int RightStart = -1; // Left of the first fixed column on the right, -1 without one
        int RightShift = 0;  // what GetLeft adds to the Left of those
    };
    TFixedGroups GetFixedGroups() const;
    TLTHeader* header_;
    std::vector<std::unique_ptr<TLeanTreeColumn>> items_;
    std::vector<int> positionToIndex_;
    int updateCount_ = 0;
    bool clearing_ = false;
    bool fixPositions_ = false; // positions stored while loading await FixPositions
};
