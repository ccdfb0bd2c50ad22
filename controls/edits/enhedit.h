#pragma once
// The enhanced edit: a single-line QLineEdit with typed input (twelve edit types, see
// edittyping.h), a fixed prefix and suffix around the value, a grey cue text while empty and
// unfocused, colours for focus, modification, error and disabled state, an attached label,
// a lookup list with history and persistence (editlookup.h), web and mail address look,
// drag and drop of text (editdragdrop.h), clipboard events, a flat look and validation.
//
// Texts are UTF-8 std::string; positions count characters of the window text from 0.

#include <QLineEdit>
#include <QPointer>
#include <memory>
#include <string>

#include "controls/calendar/calendartypes.h"
#include "controls/edits/editdragdrop.h"
#include "controls/edits/editlookup.h"
#include "controls/edits/edittyping.h"
#include "platform/colors.h"

#include <QLabel>

class QPainter;

enum class TEditAlign { eaLeft, eaRight, eaDefault, eaCenter };
// The Qt alignment of a; eaDefault aligns left. Always vertically centred.
Qt::Alignment AlignmentOf(TEditAlign a);
enum TLabelPosition {
    lpLeftTop,
    lpLeftCenter,
    lpLeftBottom,
    lpTopLeft,
    lpBottomLeft,
    lpLeftTopLeft,
    lpLeftCenterLeft,
    lpLeftBottomLeft,
    lpTopCenter,
    lpBottomCenter
};

using TValueValidateEvent =
    std::function<void(QObject* Sender, const std::string& value, bool& IsValid)>;
using TClipboardEvent = std::function<void(QObject* Sender, const std::string& value, bool& allow)>;
using TLookupSelectEvent = std::function<void(QObject* Sender, std::string& Value)>;
using TLookupIndexSelectEvent = std::function<void(QObject* Sender, int Index, std::string& Value)>;
using TURLClickEvent = std::function<void(QObject* Sender, const std::string& URL, bool& Show)>;

// Where the label stands for an edit at editRect with a label of labelSize.
QRect LabelRect(TLabelPosition pos, const QRect& editRect, const QSize& labelSize, int margin);

class TEnhEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEnhEdit(QWidget* parent = nullptr);
    // Saves the persisted text and lists first (failures are dropped: nothing may escape a
    // destructor).
    ~TEnhEdit() override;

    // ---- Value ---------------------------------------------------------------------------
    // The value: the window text without Prefix (when it begins with it) and Suffix.
    std::string Text() const;
    // Sets the value ("0" for an empty numeric value, Precision formatting, upper case for
    // hex; EConvertError for a malformed etFloat/etMoney number with Precision); clears the
    // modified state.
    void SetText(const std::string& v);
    // The value as a number by type (EConvertError for malformed numeric text).
    double ValueAsFloat() const;
    void SetValueAsFloat(double x);
    void SetValueAsInteger(int i);
    // Selects the value part (after "://" or "mailto:" with ShowURL).
    void SelectAll();
    // The window text (prefix, value and suffix) as the platform edit holds it.
    std::string WindowText() const { return text().toStdString(); }

    TEnhEditType EditType() const { return typing_.EditType; }
    void SetEditType(TEnhEditType t);
    std::string Prefix() const { return typing_.Prefix.toStdString(); }
    std::string Suffix() const { return typing_.Suffix.toStdString(); }
    void SetPrefix(const std::string& v);
    void SetSuffix(const std::string& v);
    int Precision() const { return typing_.Precision; }
    // Taken only for etString, etFloat and etMoney; the value is rewritten with it.
    void SetPrecision(int v);
    bool Signed() const { return typing_.Signed; }
    void SetSigned(bool v) { typing_.Signed = v; }
    int LengthLimit() const { return typing_.LengthLimit; }
    void SetLengthLimit(int v) { typing_.LengthLimit = std::max(0, v); }
    bool TabOnFullLength() const { return typing_.TabOnFullLength; }
    void SetTabOnFullLength(bool v) { typing_.TabOnFullLength = v; }
    bool AutoThousandSeparator() const { return typing_.AutoThousandSeparator; }
    void SetAutoThousandSeparator(bool v);
    bool ExcelStyleDecimalSeparator() const { return typing_.ExcelStyleDecimalSeparator; }
    void SetExcelStyleDecimalSeparator(bool v) { typing_.ExcelStyleDecimalSeparator = v; }
    // The most characters the user may bring into the window text by typing, pasting or
    // dropping (0: no limit). The texts the edit sets itself (Text, the number formats, the
    // sign, "0" before a decimal separator) are never cut, so the limit is the edit's own and
    // Qt's limit on the line edit stays off; maxLength and setMaxLength reach this one too.
    int MaxLength() const { return typing_.MaxLength; }
    void SetMaxLength(int v) { typing_.MaxLength = std::max(0, v); }
    int maxLength() const { return typing_.MaxLength > 0 ? typing_.MaxLength : 32767; }
    void setMaxLength(int v) { SetMaxLength(v); }
    std::string ValidChars() const { return typing_.ValidChars.toStdString(); }
    void SetValidChars(const std::string& v) { typing_.ValidChars = QString::fromStdString(v); }
    // The settings the typing rules see (separators from the locale at construction).
    const TTypingSettings& TypingSettings() const;
    // Takes the decimal and thousand separators of fs.
    void SetFormatSettings(const TFormatSettings& fs) { typing_.SetSeparators(fs); }

    // ---- Behaviour -----------------------------------------------------------------------
    bool AutoFocus = false;
    bool AutoSelect = true;
    bool ReturnIsTab = false;
    bool CanUndo() const { return canUndo_ && typing_.EditType != etPassword; }
    void SetCanUndo(bool v) { canUndo_ = v; }
    bool ShowError() const { return showError_; }
    void SetShowError(bool v) { showError_ = v; }
    bool ShowModified = false;
    bool Modified() const { return isModified(); }
    // Sets the modified flag and, with ShowModified, the modified text colour.
    void SetModified(bool v);
    bool Error() const { return error_; }
    // With ShowError: error colours on, or the focus/normal colours back.
    void SetError(bool v);
    bool HintShowLargeText = false;
    bool ShowURL() const { return showURL_; }
    void SetShowURL(bool v);
    bool URLLook() const { return urlLook_; }
    TColor URLColor = clBlue;

    // ---- Look ----------------------------------------------------------------------------
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor c);
    TColor DisabledColor = clSilver;
    TColor ErrorColor = clRed, ErrorFontColor = clWhite;
    TColor FocusColor = clNone, FocusFontColor = clWindowText;
    TColor ModifiedColor = clHighlight;
    TColor FocusBorderColor = clNone;
    bool FocusBorder = false;
    bool FocusLabel = false;
    int FocusWidthInc = 0;
    TEditAlign EditAlign() const { return editAlign_; }
    void SetEditAlign(TEditAlign a);
    TEditAlign FocusAlign = TEditAlign::eaDefault;
    bool Flat() const { return flat_; }
    virtual void SetFlat(bool v);
    TColor FlatLineColor = clBlack;
    bool FlatParentColor = true;
    bool SoftBorder = false;
    bool Transparent() const { return transparent_; }
    // The parent's background shows through the edit.
    void SetTransparent(bool v);
    int ErrorMarkerPos = 0, ErrorMarkerLen = 0;
    const std::string& EmptyText() const { return emptyText_; }
    void SetEmptyText(const std::string& v);
    // The label follows the edit's visibility.
    void setVisible(bool visible) override;

    // ---- Label ---------------------------------------------------------------------------
    std::string LabelCaption() const;
    // Creates the label on first use (parented to the edit's parent).
    void SetLabelCaption(const std::string& v);
    TLabelPosition LabelPosition() const { return labelPosition_; }
    void SetLabelPosition(TLabelPosition p);
    int LabelMargin() const { return labelMargin_; }
    void SetLabelMargin(int m);
    bool LabelAlwaysEnabled = false;
    // The label's own font, used unless LabelParentFont: then it follows the edit's font.
    const QFont& LabelFont() const { return labelFont_; }
    void SetLabelFont(const QFont& f);
    bool LabelParentFont() const { return labelParentFont_; }
    void SetLabelParentFont(bool v);
    bool LabelTransparent() const { return labelTransparent_; }
    void SetLabelTransparent(bool v);
    QLabel* Label() const { return label_; }
    void PlaceLabel();

    // ---- Lookup, persistence, drag and drop ----------------------------------------------
    TLookupSettings& Lookup() { return lookup_; }
    TPersistence& Persistence() { return persistence_; }
    TListHintWindow* LookupWindow() const { return lookupWindow_; }
    bool LookupShown() const;
    // Re-reads the typed part and shows or hides the lookup list.
    void UpdateLookup();
    // Picks the list's current entry into the edit.
    void PickLookup();
    // Enter, Home, End, PageUp, PageDown, Up, Down while the list is shown; false for others.
    bool LookupKey(int key);
    bool OleDropSource = false;
    bool OleDropTarget() const { return dropTarget_ != nullptr; }
    void SetOleDropTarget(bool v);
    TEEDropTarget* DropTarget() const { return dropTarget_.get(); }
    // The drop caret's character position, -1 when none.
    int DropCaret() const { return dropCaret_; }
    void SetDropCaret(int pos);
    bool DragStartedHere() const { return dragStartedHere_; }

    // Runs once the host has set the properties (the form's loading): applies the look and
    // reads the persisted text and lists.
    virtual void Loaded();

    // ---- Virtual operations --------------------------------------------------------------
    std::string Version() const;
    virtual uint32_t GetVersionNr() const { return 0x02070002; }
    // Asks ValidateEvent; a nested call answers true.
    virtual bool IsValid(const std::string& value);
    virtual void ValidateEvent(const std::string& value, bool& IsValid);
    // Reading and writing the persisted text and lists (with Persistence.Enable). The
    // platform's failures pass through.
    virtual void LoadPersist();
    virtual void SavePersist();

    // ---- Clipboard -----------------------------------------------------------------------
    void CopyToClipboard();
    virtual void CutToClipboard();
    // Pastes clipboard text by the type's rules; false when refused.
    virtual bool PasteFromClipboard();
    // Pastes text by the type's rules; false when refused.
    bool PasteText(const std::string& text);

    // The text rectangle insets (the edit with button reserves its right edge).
    int LeftInset() const { return leftInset_; }
    int RightInset() const { return rightInset_; }
    void SetRightInset(int v);

    // ---- Events --------------------------------------------------------------------------
    TNotifyEvent OnChange, OnClick, OnDblClick, OnEnter, OnExit;
    TNotifyEvent OnMouseEnter, OnMouseLeave, OnLabelClick, OnLabelDblClick;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TValueValidateEvent OnValueValidate;
    TClipboardEvent OnClipboardCopy, OnClipboardCut, OnClipboardPaste;
    TLookupSelectEvent OnLookupSelect;
    TLookupIndexSelectEvent OnLookupIndexSelect;
    TURLClickEvent OnURLClick;

protected:
    // Runs the drag of the selected text; gives the action the target reported. Tests
    // replace it to deliver the drag to a target of their own.
    virtual Qt::DropAction ExecDrag(const std::string& text, Qt::DropActions allowed);
    // The key-down handling after OnKeyDown (which may have changed key; 0 never arrives).
    virtual void KeyDown(QKeyEvent* e, int key);
    // The change notification (error state, address look, OnChange).
    virtual void Change();
    // Applies the text margins for the current look.
    virtual void ApplyTextRect();
    bool IsHot() const { return hot_; }

    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    friend class TEditDropTarget;
    void ApplyColors();
    void SetURLLook(bool on);
    void ApplyState(const TEditState& st);
    TEditState State() const;
    void MoneyReformatNow();
    void HandleChar(QKeyEvent* e, QChar ch);
    // The caret position (0..length) nearest to a point in the edit.
    int CharAt(const QPoint& pt) const;
    // The x position of the caret place before character pos.
    int CharX(int pos) const;
    void StartDrag();
    // The focus border over the window's edge: the frame of FocusBorderColor while focused;
    // else, with FocusBorder, a sunken edge and a button-face ring while hot or focused and
    // otherwise two rings in the parent's colour that hide the frame.
    void PaintBorder(QPainter& p);

    TTypingSettings typing_;
    std::string emptyText_;
    bool canUndo_ = true, showError_ = false, showURL_ = false, urlLook_ = false;
    bool error_ = false, hot_ = false, flat_ = false;
    bool validating_ = false, swallowChange_ = false;
    TColor color_ = clWindow, fontColor_ = clWindowText;
    TEditAlign editAlign_ = TEditAlign::eaLeft, alignBeforeFocus_ = TEditAlign::eaLeft;
    int leftInset_ = 0, rightInset_ = 0;
    int focusWidthAdded_ = 0;
    std::string focusText_;
    QPointer<QLabel> label_;
    TLabelPosition labelPosition_ = lpLeftTop;
    int labelMargin_ = 4;
    QFont labelFont_;
    bool labelParentFont_ = true, labelTransparent_ = false, transparent_ = false;
    TLookupSettings lookup_;
    TPersistence persistence_;
    QPointer<TListHintWindow> lookupWindow_;
    std::unique_ptr<TEEDropTarget> dropTarget_;
    int dropCaret_ = -1;
    bool dragArmed_ = false, dragStartedHere_ = false;
    QPoint dragArmPos_;
};
