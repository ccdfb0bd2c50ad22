#pragma once
// The tree's behaviour switches (TreeOptions), its colour set (Colors) and its scroll bar
// options. Each object belongs to one tree and tells it when a switch changes.

#include <array>

#include "controls/tree/treetypes.h"
#include "platform/colors.h"

enum class TLTPaintOption {
    toHideFocusRect,
    toHideSelection,
    toHotTrack,
    toPopupMode,
    toShowBackground,
    toShowButtons,
    toShowDropmark,
    toShowHorzGridLines,
    toShowRoot,
    toShowTreeLines,
    toShowVertGridLines,
    toThemeAware,
    toUseBlendedImages,
    toGhostedIfUnfocused,
    toFullVertGridLines,
    toAlwaysHideSelection,
    toUseBlendedSelection,
    toStaticBackground
};
using TLTPaintOptions = TFlags<TLTPaintOption, uint32_t>;

enum class TLTAnimationOption { toAnimatedToggle };
using TLTAnimationOptions = TFlags<TLTAnimationOption, uint8_t>;

enum class TLTAutoOption {
    toAutoDropExpand,
    toAutoExpand,
    toAutoScroll,
    toAutoScrollOnExpand,
    toAutoSort,
    toAutoSpanColumns,
    toAutoTristateTracking,
    toAutoHideButtons,
    toAutoDeleteMovedNodes,
    toDisableAutoscrollOnFocus,
    toAutoChangeScale,
    toAutoFreeOnCollapse,
    toDisableAutoscroll
};
using TLTAutoOptions = TFlags<TLTAutoOption, uint16_t>;

enum class TLTSelectionOption {
    toDisableDrawSelection,
    toExtendedFocus,
    toFullRowSelect,
    toLevelSelectConstraint,
    toMiddleClickSelect,
    toMultiSelect,
    toRightClickSelect,
    toSiblingSelectConstraint,
    toCenterScrollIntoView,
    toSimpleDrawSelection
};
using TLTSelectionOptions = TFlags<TLTSelectionOption, uint16_t>;

enum class TLTMiscOption {
    toAcceptOLEDrop,
    toCheckSupport,
    toEditable,
    toFullRepaintOnResize,
    toGridExtensions,
    toInitOnSave,
    toReportMode,
    toToggleOnDblClick,
    toWheelPanning,
    toReadOnly,
    toVariableNodeHeight,
    toFullRowDrag
};
using TLTMiscOptions = TFlags<TLTMiscOption, uint16_t>;

// Which of the option sets changed (passed to the tree).
enum class TLTOptionKind { Paint, Animation, Auto, Selection, Misc };

class TCustomLeanTreeOptions {
public:
    explicit TCustomLeanTreeOptions(TBaseLeanTree* owner) : owner_(owner) {}
    virtual ~TCustomLeanTreeOptions() = default;

    TLTPaintOptions PaintOptions() const { return paint_; }
    TLTAnimationOptions AnimationOptions() const { return animation_; }
    TLTAutoOptions AutoOptions() const { return auto_; }
    TLTSelectionOptions SelectionOptions() const { return selection_; }
    TLTMiscOptions MiscOptions() const { return misc_; }

    // Each setter stores a changed value and lets the tree react (not while it is loading).
    void SetPaintOptions(TLTPaintOptions value);
    void SetAnimationOptions(TLTAnimationOptions value);
    void SetAutoOptions(TLTAutoOptions value);
    void SetSelectionOptions(TLTSelectionOptions value);
    void SetMiscOptions(TLTMiscOptions value);
    // Copies the five sets through the setters (descendants copy their own sets too).
    virtual void Assign(const TCustomLeanTreeOptions& source);

protected:
    TBaseLeanTree* Owner() const { return owner_; }

private:
    TBaseLeanTree* owner_;
    TLTPaintOptions paint_{TLTPaintOption::toShowButtons, TLTPaintOption::toShowDropmark,
                           TLTPaintOption::toShowRoot,    TLTPaintOption::toShowTreeLines,
                           TLTPaintOption::toThemeAware,  TLTPaintOption::toUseBlendedImages};
    TLTAnimationOptions animation_;
    TLTAutoOptions auto_{TLTAutoOption::toAutoDropExpand, TLTAutoOption::toAutoScrollOnExpand,
                         TLTAutoOption::toAutoTristateTracking,
                         TLTAutoOption::toAutoDeleteMovedNodes};
    TLTSelectionOptions selection_;
    TLTMiscOptions misc_{TLTMiscOption::toAcceptOLEDrop, TLTMiscOption::toFullRepaintOnResize,
                         TLTMiscOption::toInitOnSave, TLTMiscOption::toToggleOnDblClick,
                         TLTMiscOption::toWheelPanning};
};

enum class TLTStringOption { toSaveCaptions, toShowStaticText, toAutoAcceptEditChange };
using TLTStringOptions = TFlags<TLTStringOption, uint8_t>;
constexpr TLTStringOptions DefaultStringOptions{TLTStringOption::toSaveCaptions,
                                                TLTStringOption::toAutoAcceptEditChange};

// The options of text trees: the five sets and StringOptions.
class TCustomStringTreeOptions : public TCustomLeanTreeOptions {
public:
    using TCustomLeanTreeOptions::TCustomLeanTreeOptions;
    TLTStringOptions StringOptions() const { return string_; }
    // Stores the set; a change of toShowStaticText repaints the tree (not while it loads).
    void SetStringOptions(TLTStringOptions value);
    // As the base, and StringOptions from text tree options.
    void Assign(const TCustomLeanTreeOptions& source) override;

private:
    TLTStringOptions string_ = DefaultStringOptions;
};

// The options object of TLeanStringTree.
class TStringTreeOptions : public TCustomStringTreeOptions {
public:
    using TCustomStringTreeOptions::TCustomStringTreeOptions;
};

// The 15 colours of a tree, by index.
class TLTColors {
public:
    enum Index {
        DisabledColor,
        DropMarkColor,
        DropTargetColor,
        FocusedSelectionColor,
        GridLineColor,
        TreeLineColor,
        UnfocusedSelectionColor,
        BorderColor,
        HotColor,
        FocusedSelectionBorderColor,
        UnfocusedSelectionBorderColor,
        DropTargetBorderColor,
        SelectionRectangleBlendColor,
        SelectionRectangleBorderColor,
        HeaderHotColor,
        Count
    };
    explicit TLTColors(TBaseLeanTree* owner);
    TColor Get(Index i) const { return colors_[i]; }
    // Stores a changed colour and invalidates the tree (not while loading); TreeLineColor also
    // rebuilds the line brush and the buttons.
    void Set(Index i, TColor value);
    // Copies all 15 colours (rebuilding lines and buttons for a new TreeLineColor) and
    // invalidates the tree unless it is updating.
    void Assign(const TLTColors& source);

private:
    TBaseLeanTree* owner_;
    std::array<TColor, Count> colors_;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarStyle { sbmRegular, sbmFlat, sbm3D };

class TScrollBarOptions {
public:
    explicit TScrollBarOptions(TBaseLeanTree* owner) : owner_(owner) {}
    bool AlwaysVisible() const { return alwaysVisible_; }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    TScrollBarStyle ScrollBarStyle() const { return style_; }
    int HorizontalIncrement = 20; // pixels per scroll line
    int VerticalIncrement = 20;
    // Changes re-apply the tree's scroll bar policies.
    void SetAlwaysVisible(bool value);
    void SetScrollBars(TScrollStyle value);
    // Only sbmRegular is accepted; other styles fail an assertion.
    void SetScrollBarStyle(TScrollBarStyle value);
    void Assign(const TScrollBarOptions& source);
    TBaseLeanTree* GetOwner() const { return owner_; }

private:
    TBaseLeanTree* owner_;
    bool alwaysVisible_ = false;
    TScrollStyle scrollBars_ = ssBoth;
    TScrollBarStyle style_ = sbmRegular;
};
