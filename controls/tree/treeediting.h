#pragma once
// The in-place editors and TLTLineEditLink, the edit link that places one over the cell: a line
// editor for single-line nodes, a word-wrapping multi-line editor for multi-line ones. The host
// supplies the cell's text (OnGetText) and takes the edited one (OnNewText). Enter accepts (on a
// multi-line node only with Ctrl; without it Enter starts a new line), Escape cancels; losing
// the focus accepts with AutoAcceptEditChange, else cancels. The text is committed only by
// EndEdit, at most once per edit, and only when the user modified it (even back to the same
// text).

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <string>
#include <type_traits>

#include "controls/tree/leantree.h"

class TLTLineEditLink;

// What both editors share. Keys: Enter (with Ctrl on the multi-line editor) ends the edit and
// Escape cancels it, each giving the focus back to the tree; on the line editor Up becomes Left
// and Down Right; Tab is swallowed; the editor wants every key (no shortcut takes one). An
// editor tells the tree, never the link, so that it may outlive the link.
template <typename TBase> class TLTEditor : public TBase {
public:
    static constexpr bool MultiLine = std::is_base_of_v<QPlainTextEdit, TBase>;
    TLTEditor(TBaseLeanTree* Tree, bool AutoAccept);
    bool Stopped = false; // the edit has ended; nothing more goes to the tree

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QPointer<TBaseLeanTree> tree_;
    bool autoAccept_;
};

// The editor of single-line nodes.
class TLTEdit : public TLTEditor<QLineEdit> {
public:
    TLTEdit(TBaseLeanTree* Tree, bool AutoAccept);
};

// The editor of multi-line nodes: wraps at its width, scrolls vertically only.
class TLTMultiLineEdit : public TLTEditor<QPlainTextEdit> {
public:
    TLTMultiLineEdit(TBaseLeanTree* Tree, bool AutoAccept);
    QString text() const { return toPlainText(); }
};

class TLTLineEditLink : public ILTEditLink {
public:
    TLTLineEditLink() = default;
    ~TLTLineEditLink() override;
    TLTLineEditLink(const TLTLineEditLink&) = delete;
    TLTLineEditLink& operator=(const TLTLineEditLink&) = delete;

    std::function<std::string(PLeanNode Node, TColumnIndex Column)> OnGetText;
    std::function<void(PLeanNode Node, TColumnIndex Column, const std::string& Text)> OnNewText;
    bool AutoAcceptEditChange = true;
    static constexpr int MinWidth = 30; // pixels

    bool BeginEdit() override;
    bool CancelEdit() override;
    bool EndEdit() override;
    bool PrepareEdit(TBaseLeanTree* Tree, PLeanNode Node, TColumnIndex Column) override;
    QRect GetBounds() const override;
    void ProcessMessage(QEvent* Event) override;
    // At least MinWidth wide (when the client area allows), inside the client area.
    void SetBounds(QRect R) override;
    // The editor in use: Edit for a single-line node, MultiLineEdit for a multi-line one (the
    // other is nil); Editor is whichever exists.
    TLTEdit* Edit() const { return edit_; }
    TLTMultiLineEdit* MultiLineEdit() const { return memo_; }
    QWidget* Editor() const;

private:
    void Release();
    // The editor's text, whether the user changed it, and marking it stopped and hidden.
    QString EditorText() const;
    bool EditorModified() const;
    void StopEditor();
    QPointer<TBaseLeanTree> tree_;
    QPointer<TLTEdit> edit_;
    QPointer<TLTMultiLineEdit> memo_;
    PLeanNode node_ = nullptr;
    TColumnIndex column_ = NoColumn;
    bool stopped_ = false;
    std::string original_;
};
