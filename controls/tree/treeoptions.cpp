// The tree's option sets, colours and scroll bar options.
#include "controls/tree/treeoptions.h"

#include "controls/tree/leantree.h"

void TCustomLeanTreeOptions::SetPaintOptions(TLTPaintOptions value) {
    if (value == paint_)
        return;
    auto old = paint_;
    paint_ = value;
    owner_->OptionsChanged(TLTOptionKind::Paint, old.Bits(), value.Bits());
}

void TCustomLeanTreeOptions::SetAnimationOptions(TLTAnimationOptions value) {
    animation_ = value;
}

void TCustomLeanTreeOptions::SetAutoOptions(TLTAutoOptions value) {
    if (value == auto_)
        return;
    auto old = auto_;
    auto_ = value;
    owner_->OptionsChanged(TLTOptionKind::Auto, old.Bits(), value.Bits());
}

void TCustomLeanTreeOptions::SetSelectionOptions(TLTSelectionOptions value) {
    if (value == selection_)
        return;
    auto old = selection_;
    selection_ = value;
    owner_->OptionsChanged(TLTOptionKind::Selection, old.Bits(), value.Bits());
}

void TCustomLeanTreeOptions::SetMiscOptions(TLTMiscOptions value) {
    if (value == misc_)
        return;
    auto old = misc_;
    misc_ = value;
    owner_->OptionsChanged(TLTOptionKind::Misc, old.Bits(), value.Bits());
}

void TCustomLeanTreeOptions::Assign(const TCustomLeanTreeOptions& source) {
    SetPaintOptions(source.paint_);
    SetAnimationOptions(source.animation_);
    SetAutoOptions(source.auto_);
    SetSelectionOptions(source.selection_);
    SetMiscOptions(source.misc_);
}

void TCustomStringTreeOptions::SetStringOptions(TLTStringOptions value) {
    if (value == string_)
        return;
    bool staticText = (value ^ string_).Contains(TLTStringOption::toShowStaticText);
    string_ = value;
    if (staticText && !Owner()->IsLoading())
        Owner()->viewport()->update();
}

void TCustomStringTreeOptions::Assign(const TCustomLeanTreeOptions& source) {
    TCustomLeanTreeOptions::Assign(source);
    if (auto* strings = dynamic_cast<const TCustomStringTreeOptions*>(&source))
        SetStringOptions(strings->string_);
}

TLTColors::TLTColors(TBaseLeanTree* owner)
    : owner_(owner), colors_{clBtnShadow, clHighlight, clHighlight, clHighlight,  clBtnFace,
                             clBtnShadow, clBtnFace,   clBtnFace,   clWindowText, clHighlight,
                             clBtnFace,   clHighlight, clHighlight, clHighlight,  clBtnShadow} {}

void TLTColors::Set(Index i, TColor value) {
    if (colors_[i] == value)
        return;
    colors_[i] = value;
    if (owner_->IsLoading())
        return;
    if (i == TreeLineColor)
        owner_->PrepareBitmaps(true, true); // the line brush and the button frames
    owner_->InvalidateTree();
}

void TLTColors::Assign(const TLTColors& source) {
    bool lines = colors_[TreeLineColor] != source.colors_[TreeLineColor];
    colors_ = source.colors_;
    if (lines && !owner_->IsLoading())
        owner_->PrepareBitmaps(true, true);
    if (owner_->UpdateCount() == 0)
        owner_->InvalidateTree();
}

void TScrollBarOptions::SetAlwaysVisible(bool value) {
    if (value != alwaysVisible_) {
        alwaysVisible_ = value;
        owner_->ScrollBarOptionsChanged();
    }
}

void TScrollBarOptions::SetScrollBars(TScrollStyle value) {
    if (value != scrollBars_) {
        scrollBars_ = value;
        owner_->ScrollBarOptionsChanged();
    }
}

void TScrollBarOptions::SetScrollBarStyle(TScrollBarStyle value) {
    LTAssert(value == sbmRegular, "Flat scroll bars styles are disabled.");
    style_ = value;
}

void TScrollBarOptions::Assign(const TScrollBarOptions& source) {
    HorizontalIncrement = source.HorizontalIncrement;
    VerticalIncrement = source.VerticalIncrement;
    style_ = source.style_;
    alwaysVisible_ = source.alwaysVisible_;
    scrollBars_ = source.scrollBars_;
    owner_->ScrollBarOptionsChanged();
}
