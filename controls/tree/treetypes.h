#pragma once
// The tree-list control's basic types: flag sets, the node record and its state bits, the tree
// states, and the small enumerations shared by every part of the control.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/sysutils.h"

// A set of the members of an enum class E, member n being bit n of S.
template <typename E, typename S = uint32_t> class TFlags {
public:
    using Storage = S;
    constexpr TFlags() = default;
    constexpr TFlags(E e) : bits_(Bit(e)) {}
    constexpr TFlags(std::initializer_list<E> list) {
        for (E e : list)
            bits_ |= Bit(e);
    }
    static constexpr TFlags FromBits(S bits) {
        TFlags f;
        f.bits_ = bits;
        return f;
    }
    constexpr S Bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool Intersects(TFlags o) const { return (bits_ & o.bits_) != 0; }
    constexpr TFlags operator|(TFlags o) const { return FromBits(bits_ | o.bits_); }
    constexpr TFlags operator&(TFlags o) const { return FromBits(bits_ & o.bits_); }
    constexpr TFlags operator-(TFlags o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TFlags operator^(TFlags o) const { return FromBits(bits_ ^ o.bits_); }
    constexpr TFlags& operator|=(TFlags o) { return bits_ |= o.bits_, *this; }
    constexpr TFlags& operator&=(TFlags o) { return bits_ &= o.bits_, *this; }
    constexpr TFlags& operator-=(TFlags o) { return bits_ &= ~o.bits_, *this; }
    constexpr bool operator==(const TFlags&) const = default;

private:
    static constexpr S Bit(E e) { return S(1) << static_cast<unsigned>(e); }
    S bits_ = 0;
};

// Failures of the control's own consistency checks and of its operations.
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};
class ELeanTreeError : public Exception {
public:
    ELeanTreeError(std::string message, int helpContext)
        : Exception(std::move(message)), HelpContext(helpContext) {}
    int HelpContext;
};
// Raises EAssertionFailed with message unless condition holds.
inline void LTAssert(bool condition, const char* message) {
    if (!condition)
        throw EAssertionFailed(message);
}

class TBaseLeanTree;

// One node: the links, counts, heights and state bits, followed in the same allocation by the
// descendants' internal data and then the host's NodeDataSize bytes.
struct TLeanNode {
    uint32_t Index;       // position among its siblings
    uint32_t ChildCount;  // number of children
    uint16_t NodeHeight;  // row height in pixels
    uint16_t States;      // vsXxx bits
    uint8_t Align;        // button and image placement inside the row
    uint8_t CheckState;   // TCheckState
    uint8_t CheckType;    // TCheckType
    uint8_t Reserved;     // keeps the counts aligned
    uint32_t TotalCount;  // 1 + all descendants
    uint32_t TotalHeight; // NodeHeight + visible children's TotalHeight while expanded
    TLeanNode* Parent;
    TLeanNode* PrevSibling;
    TLeanNode* NextSibling;
    TLeanNode* FirstChild;
    TLeanNode* LastChild;
};
using PLeanNode = TLeanNode*;
static_assert(sizeof(TLeanNode) == 64, "host data after the node must stay 8-byte aligned");

// Node state bits.
constexpr uint16_t vsInitialized = 1 << 0;
constexpr uint16_t vsChecking = 1 << 1;
constexpr uint16_t vsCutOrCopy = 1 << 2;
constexpr uint16_t vsDisabled = 1 << 3;
constexpr uint16_t vsDeleting = 1 << 4;
constexpr uint16_t vsExpanded = 1 << 5;
constexpr uint16_t vsHasChildren = 1 << 6;
constexpr uint16_t vsVisible = 1 << 7;
constexpr uint16_t vsSelected = 1 << 8;
constexpr uint16_t vsTransient = 1 << 9;
constexpr uint16_t vsAllChildrenHidden = 1 << 10;
constexpr uint16_t vsClearing = 1 << 11;
constexpr uint16_t vsMultiline = 1 << 12;
constexpr uint16_t vsHeightMeasured = 1 << 13;
constexpr uint16_t vsToggling = 1 << 14;
// Masks: what survives re-initialisation, and what may be stored in a node stream.
constexpr uint16_t ReinitStatesMask = 0xDFE9;
constexpr uint16_t ResetStatesMask = 0xDF88;
constexpr uint16_t StreamStatesMask = 0xDDE9;
constexpr uint16_t ConnectStatesMask = 0xF7E9;

enum class TLeanNodeInitState {
    ivsDisabled,
    ivsExpanded,
    ivsHasChildren,
    ivsMultiline,
    ivsSelected
};
using TLeanNodeInitStates = TFlags<TLeanNodeInitState, uint8_t>;

enum TCheckState : uint8_t {
    csUncheckedNormal,
    csUncheckedPressed,
    csCheckedNormal,
    csCheckedPressed,
    csMixedNormal,
    csMixedPressed
};
// Check types: 1 tri-state box (tracked), 2 plain box, 3 radio button, 4 button.
enum TCheckType : uint8_t { ctNone, ctTriStateCheckBox, ctCheckBox, ctRadioButton, ctButton };

// The tree's states, in bit order.
enum class TLeanTreeState {
    tsCancelHintAnimation,
    tsChangePending,
    tsCheckPropagation,
    tsCollapsing,
    tsToggleFocusedSelection,
    tsClearPending,
    tsClipboardFlushing,
    tsCopyPending,
    tsCutPending,
    tsDrawSelPending,
    tsDrawSelecting,
    tsEditing,
    tsEditPending,
    tsExpanding,
    tsHint,
    tsInAnimation,
    tsIncrementalSearching,
    tsIncrementalSearchPending,
    tsIterating,
    tsKeyCheckPending,
    tsLeftButtonDown,
    tsMouseCheckPending,
    tsMiddleButtonDown,
    tsNeedScale,
    tsNeedRootCountUpdate,
    tsOLEDragging,
    tsOLEDragPending,
    tsPainting,
    tsRightButtonDown,
    tsPopupMenuShown,
    tsScrolling,
    tsScrollPending,
    tsSizing,
    tsStopValidation,
    tsStructureChangePending,
    tsSynchMode,
    tsThumbTracking,
    tsUpdateHiddenChildrenNeeded,
    tsUpdating,
    tsUseCache,
    tsUserDragObject,
    tsUseThemes,
    tsValidating,
    tsValidationNeeded,
    tsVCLDragging,
    tsVCLDragPending,
    tsWheelPanning,
    tsWheelScrolling,
    tsWindowCreating
};
using TLeanTreeStates = TFlags<TLeanTreeState, uint64_t>;

using TColumnIndex = int;
constexpr TColumnIndex NoColumn = -1;
constexpr TColumnIndex InvalidColumn = -2;

enum TLTNodeAttachMode {
    amNoWhere,
    amInsertBefore,
    amInsertAfter,
    amAddChildFirst,
    amAddChildLast
};
enum TChangeReason {
    crIgnore,
    crAccumulated,
    crChildAdded,
    crChildDeleted,
    crNodeAdded,
    crNodeCopied,
    crNodeMoved
};
enum TLTUpdateState { usBegin, usBeginSynch, usSynch, usUpdate, usEnd, usEndSynch };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TSortDirection { sdAscending, sdDescending };
enum TLTImageKind { ikNormal, ikSelected, ikState, ikOverlay };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TShiftStateMember { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TFlags<TShiftStateMember, uint8_t>;
enum TLTNodeAlignment { naFromBottom, naFromTop, naProportional };
enum TLTDropMarkMode { dmmNone, dmmLeft, dmmRight };

// Hit positions of GetHitTestInfoAt (a 16-bit set).
enum class THitPosition {
    hiAbove,
    hiBelow,
    hiNowhere,
    hiOnItem,
    hiOnItemButton,
    hiOnItemCheckbox,
    hiOnItemIndent,
    hiOnItemLabel,
    hiOnItemLeft,
    hiOnItemRight,
    hiOnNormalIcon,
    hiOnStateIcon,
    hiToLeft,
    hiToRight
};
using THitPositions = TFlags<THitPosition, uint16_t>;
struct THitInfo {
    PLeanNode HitNode = nullptr;
    THitPositions HitPositions;
    TColumnIndex HitColumn = NoColumn;
};
