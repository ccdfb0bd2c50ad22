#pragma once
// TSpeedButtonEnh: a graphic button with a glyph and a caption, flat or raised, that can act
// as one of a group of buttons of which one stays down, and that can have a drop-down strip of
// DropDownWidth pixels at its right edge: a press there drops the button down (OnDropChanging,
// OnDropChanged) instead of clicking it.

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/colors.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TIndicatorBorder { ibNone, ibFlat, ibSunken, ibRaised };
// The visual state; also the index of the state's image in the glyph strip.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButtonEnh : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TSpeedButtonEnh& sender)>;
    using TMouseEvent = std::function<void(TSpeedButtonEnh& sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, int x, int y)>;
    using TDropChangingEvent = std::function<void(TSpeedButtonEnh& sender, bool& allowed)>;
    using THintEvent = std::function<void(TSpeedButtonEnh& sender, int cell, std::string& hint)>;

    explicit TSpeedButtonEnh(QWidget* owner);
    ~TSpeedButtonEnh() override;

    // Buttons alive in the process.
    static int InstanceCount();

    bool AllowAllUp() const { return allowAllUp_; }
    // Copied to the other buttons of the group.
    void SetAllowAllUp(bool value);
    bool AllowDropDown() const { return allowDropDown_; }
    void SetAllowDropDown(bool value) { allowDropDown_ = value; }
    bool Down() const { return down_; }
    // Only with a group index: pressing releases the other buttons of the group; releasing
    // the down button is refused unless AllowAllUp. Without a group the button stays up.
    void SetDown(bool value);
    TColor DropDownArrowColor() const { return dropDownArrowColor_; }
    void SetDropDownArrowColor(TColor value);
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // An image strip of NumGlyphs images side by side: up, disabled, down, exclusive. The
    // bottom-left pixel's colour is transparent.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    TIndicatorBorder IndicatorBorder() const { return indicatorBorder_; }
    void SetIndicatorBorder(TIndicatorBorder value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    // Distance of the glyph from the edge; -1 centres glyph and caption together.
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value); // 1 to 4
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // The caption; '&' marks the accelerator character.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);

    bool DroppedDown() const { return droppedDown_; }
    // Asks OnDropChanging; when allowed, changes the state, raises OnDropChanged and repaints.
    void SetDroppedDown(bool value);
    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }

    // Raises OnClick.
    virtual void Click();
    // Raises OnDefaultSelect.
    virtual void DefaultSelect();

    // OnChange follows every change of Down (the group's releases included); OnHint may
    // change the tool tip (cell 1: over the drop-down strip, else 0).
    TNotifyEvent OnClick, OnDblClick, OnChange, OnDefaultSelect, OnDropChanged;
    TMouseEvent OnMouseDown, OnMouseMove, OnMouseUp;
    TDropChangingEvent OnDropChanging;
    THintEvent OnHint;

    QSize sizeHint() const override { return QSize(23, 22); }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // The buttons of this one's group on the same parent.
    QList<TSpeedButtonEnh*> GroupMembers() const;
    // Releases the other down buttons of the group and gives them this one's AllowAllUp.
    void UpdateExclusive();
    void ButtonPressed(TSpeedButtonEnh& sender);
    void UpdateTracking();
    bool Inside(int x, int y) const;
    void Changed();
    QImage StateImage(TButtonState state) const;
    void DrawGlyphAndCaption(QPainter& p, const QRect& client, QPoint offset);
    void PaintDropDownStrip(QPainter& p, const QRect& strip);

    bool allowAllUp_ = false, allowDropDown_ = false, down_ = false, flat_ = false;
    TColor dropDownArrowColor_ = clBlack;
    int dropDownWidth_ = 0, groupIndex_ = 0, margin_ = -1, numGlyphs_ = 1, spacing_ = 4;
    TIndicatorBorder indicatorBorder_ = ibFlat;
    TButtonLayout layout_ = blGlyphLeft;
    bool transparent_ = true;
    QImage glyph_;
    std::string caption_;

    TButtonState state_ = bsUp;
    bool dragging_ = false;       // the left button went down on the button part
    bool mouseInControl_ = false; // for the flat look
    bool dropPressed_ = false;    // the press was in the drop-down strip
    bool droppedDown_ = false;
};
