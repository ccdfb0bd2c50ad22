#pragma once
// The enhanced edit with a small button inside its right edge: a push button with a glyph and
// a caption, or a combo-box drop-down arrow, drawn themed while visual styles are active
// (themelib.h) and classic otherwise. A click on it, or F4, fires OnClickBtn.

#include <QAbstractButton>
#include <QImage>
#include <QPointer>

#include "controls/edits/enhedit.h"

enum TButtonStyle { bsButton, bsDropDown };

class TEnhEditBtn;

// The speed button inside the button part; it paints itself by its edit's ButtonStyle.
class TEnhSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TEnhSpeedButton(QWidget* parent = nullptr);

    bool Etched() const { return etched_; }
    void SetEtched(bool v);
    bool Focused() const { return focused_; }
    void SetFocused(bool v);
    bool Flat() const { return flat_; }
    void SetFlat(bool v);
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& g);
    int NumGlyphs = 1;
    bool Hot() const { return hot_; }
    // Whether themed drawing can be used at all (decided at construction).
    bool ThemesUsable() const { return themesUsable_; }
    // The style the button draws in; set by the edit.
    TButtonStyle Style = bsButton;
    // The font of the caption (the edit's).
    QFont CaptionFont;

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    // The theme state: 3 pressed, 2 hot, 1 normal, 4 disabled.
    int ThemeState() const;
    void PaintGlyphAndCaption(QPainter& p, const QRect& r, bool glyphLeft);

    bool etched_ = false, focused_ = false, flat_ = false, hot_ = false;
    bool themesUsable_ = false;
    QImage glyph_;
};

// The button part: one speed button filling it. A click fires OnClick and then gives the
// focus to FocusControl (or to itself when it is a tab stop).
class TEditButton : public QWidget {
    Q_OBJECT
public:
    explicit TEditButton(QWidget* parent = nullptr);
    TEnhSpeedButton* Button() const { return button_; }
    QPointer<QWidget> FocusControl;
    TNotifyEvent OnClick;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void ButtonClicked();
    TEnhSpeedButton* button_;
};

class TEnhEditBtn : public TEnhEdit {
    Q_OBJECT
public:
    explicit TEnhEditBtn(QWidget* parent = nullptr);

    TEditButton* ButtonPart() const { return button_; }
    TButtonStyle ButtonStyle() const { return button_->Button()->Style; }
    void SetButtonStyle(TButtonStyle s);
    int ButtonWidth() const { return buttonWidth_; }
    // Sets the button's width and the text's right inset, and lays the button out again.
    void SetButtonWidth(int w);
    const std::string& ButtonHint() const { return buttonHint_; }
    // The button shows a hint exactly when this is not empty.
    void SetButtonHint(const std::string& h);
    // Off: the text cannot be pasted or cut.
    bool EditorEnabled = true;
    bool Etched() const { return button_->Button()->Etched(); }
    void SetEtched(bool v) { button_->Button()->SetEtched(v); }
    // Flat edit and flat button.
    void SetFlat(bool v) override;
    const QImage& Glyph() const { return button_->Button()->Glyph(); }
    void SetGlyph(const QImage& g) { button_->Button()->SetGlyph(g); }
    std::string ButtonCaption() const { return button_->Button()->text().toStdString(); }
    void SetButtonCaption(const std::string& c);
    TNotifyEvent OnClickBtn;

    uint32_t GetVersionNr() const override { return 0x01030001; }
    // Fires OnClickBtn.
    virtual void ClickButton();
    // Lays out: grows the edit to its minimum height, places the button, sets the text inset.
    void ResizeButton();
    // The least height for the edit's font.
    int MinHeight() const;

    void CutToClipboard() override;
    bool PasteFromClipboard() override;
    void Loaded() override;

protected:
    void KeyDown(QKeyEvent* e, int key) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void UpdateButtonLook();
    TEditButton* button_;
    int buttonWidth_ = 16;
    std::string buttonHint_;
};
