#pragma once
// TLTLineEditLink: an edit link with a single-line QLineEdit placed over the cell. The host
// supplies the cell's text (OnGetText) and takes the edited one (OnNewText). Enter accepts,
// Escape cancels; losing the focus accepts with AutoAcceptEditChange, else cancels. The text
// is committed only by EndEdit, and at most once per edit.

#include <QLineEdit>
#include <QPointer>
#include <string>

#include "controls/tree/leantree.h"

class TLTLineEditLink;

// The editor control. It tells the tree, never the link, so that it may outlive the link.
class TLTEdit : public QLineEdit {
public:
    TLTEdit(TBaseLeanTree* tree, bool autoAccept);
    bool Stopped = false; // the edit has ended; nothing more goes to the tree

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QPointer<TBaseLeanTree> tree_;
    bool autoAccept_;
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
    TLTEdit* Edit() const { return edit_; }

private:
    void Release();
    QPointer<TBaseLeanTree> tree_;
    QPointer<TLTEdit> edit_;
    PLeanNode node_ = nullptr;
    TColumnIndex column_ = NoColumn;
    bool stopped_ = false;
    std::string original_;
};
