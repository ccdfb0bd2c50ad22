#include "controls/edits/editdragdrop.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QUrl>

#include "controls/edits/enhedit.h"

namespace {

constexpr int kRichTextFormat = 0xC0DE; // any number outside the fixed formats

bool CtrlHeld(const QDropEvent* e) {
    return (e->modifiers() & Qt::ControlModifier) != 0;
}

Qt::DropAction ActionOf(TDropEffect effect) {
    switch (effect) {
    case deCopy:
        return Qt::CopyAction;
    case deMove:
        return Qt::MoveAction;
    default:
        return Qt::IgnoreAction;
    }
}

bool AcceptableData(const QMimeData* data) {
    TEnumFormats formats(data);
    return formats.HasText() || formats.HasFiles() || (RichTextEnabled() && formats.HasRTF());
}

// Sets the event's action for the effect; an action the source does not allow is refused.
void Report(QDropEvent* e, TDropEffect effect) {
    Qt::DropAction action = ActionOf(effect);
    if (action != Qt::IgnoreAction && (e->possibleActions() & action)) {
        e->setDropAction(action);
        e->accept();
    } else if (action == Qt::MoveAction && (e->possibleActions() & Qt::CopyAction)) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->setDropAction(Qt::IgnoreAction);
        e->ignore();
    }
}

} // namespace

int RichTextFormat() {
    return kRichTextFormat;
}

bool RichTextEnabled() {
    return false;
}

QString FormatMimeType(int cf) {
    if (cf == EditCF::Text || cf == EditCF::UnicodeText)
        return "text/plain";
    if (cf == EditCF::HDrop)
        return "text/uri-list";
    if (cf == kRichTextFormat)
        return "text/rtf";
    return {};
}

// ---- Format reader -------------------------------------------------------------------------

TEnumFormats::TEnumFormats(const QMimeData* data) : data_(data) {}

bool TEnumFormats::HasFormat(int cf) const {
    if (!data_)
        return false;
    if (cf == EditCF::HDrop) {
        for (const QUrl& url : data_->urls())
            if (url.isLocalFile())
                return true;
        return false;
    }
    QString type = FormatMimeType(cf);
    return !type.isEmpty() && data_->hasFormat(type);
}

std::string TEnumFormats::Text(int cf) const {
    if (!HasFormat(cf))
        return {};
    if (cf == EditCF::Text || cf == EditCF::UnicodeText)
        return data_->text().toStdString();
    if (cf == kRichTextFormat)
        return data_->data("text/rtf").toStdString();
    return {};
}

bool TEnumFormats::ReadFileNames() {
    fileNames_.clear();
    if (data_)
        for (const QUrl& url : data_->urls())
            if (url.isLocalFile())
                fileNames_.push_back(url.toLocalFile().toStdString());
    return !fileNames_.empty();
}

// ---- Drop target ---------------------------------------------------------------------------

TDropEffect TEEDropTarget::EffectFor(bool acceptable, bool ctrl) {
    if (!acceptable)
        return deNone;
    return ctrl ? deCopy : deMove;
}

void TEEDropTarget::DragEnter(QDragEnterEvent* e) {
    acceptable_ = AcceptableData(e->mimeData());
    Report(e, EffectFor(acceptable_, CtrlHeld(e)));
}

void TEEDropTarget::DragOver(QDragMoveEvent* e) {
    TDropEffect effect = EffectFor(acceptable_, CtrlHeld(e));
    bool allow = true;
    DragMouseMove(e->position().toPoint(), allow);
    if (!allow)
        effect = deNone;
    Report(e, effect);
}

void TEEDropTarget::DragLeave() {}

void TEEDropTarget::Drop(QDropEvent* e) {
    // A drop can arrive without a drag enter (synthetic events); judge the data itself.
    acceptable_ = AcceptableData(e->mimeData());
    if (!acceptable_) {
        Report(e, deNone);
        return;
    }
    bool ctrl = CtrlHeld(e);
    QPoint pt = e->position().toPoint();
    TEnumFormats formats(e->mimeData());
    bool tookAll = true;
    movedInside_ = false;
    if (RichTextEnabled() && formats.HasRTF())
        tookAll = DropRTF(pt, formats.Text(RichTextFormat()), ctrl) && tookAll;
    else if (formats.HasText())
        tookAll = DropText(pt, formats.Text(EditCF::Text), ctrl) && tookAll;
    if (formats.HasFiles() && formats.ReadFileNames())
        tookAll = DropFiles(pt, formats.FileNames(), ctrl) && tookAll;
    TDropEffect effect = EffectFor(true, ctrl);
    // Only a drop that took everything may let the source delete its data.
    if (effect == deMove && (!tookAll || movedInside_))
        effect = deCopy;
    Report(e, effect);
}

bool TEEDropTarget::DropText(QPoint, const std::string&, bool) {
    return false;
}

bool TEEDropTarget::DropRTF(QPoint, const std::string&, bool) {
    return false;
}

bool TEEDropTarget::DropFiles(QPoint, const std::vector<std::string>&, bool) {
    return false;
}

void TEEDropTarget::DragMouseMove(QPoint, bool& Allow) {
    Allow = true;
}

// ---- The edit's drop target ----------------------------------------------------------------

void TEditDropTarget::DragMouseMove(QPoint pt, bool& Allow) {
    Allow = true;
    edit_.SetDropCaret(edit_.CharAt(pt));
}

bool TEditDropTarget::DropText(QPoint pt, const std::string& text, bool ctrl) {
    QString t = QString::fromStdString(text);
    int cut = t.indexOf('\r');
    if (cut >= 0)
        t.truncate(cut);
    cut = t.indexOf('\n');
    if (cut >= 0)
        t.truncate(cut);
    bool whole = t.size() == QString::fromStdString(text).size();
    int at = edit_.CharAt(pt);
    if (edit_.DragStartedHere() && edit_.hasSelectedText()) {
        int start = edit_.selectionStart(), end = start + edit_.selectionLength();
        if (at >= start && at <= end) {
            edit_.SetDropCaret(-1);
            movedInside_ = true; // nothing moves; the source must not delete either
            return true;
        }
        if (!ctrl) {
            // Move within the edit: delete the selection, then insert where the drop point
            // lies in the shortened text.
            QString s = edit_.text();
            s.remove(start, end - start);
            if (at > end)
                at -= end - start;
            edit_.setText(s);
            movedInside_ = true;
        }
    }
    // Between the prefix and the suffix (positions count UTF-16 units, as the text does).
    TValueSpan v = ValueSpan(edit_.text(), edit_.TypingSettings());
    at = std::clamp(at, v.Start, v.End);
    // A drop is the user's input: MaxLength cuts what does not fit.
    int limit = edit_.MaxLength();
    if (limit > 0 && t.size() > limit - edit_.text().size()) {
        t.truncate(std::max(0, static_cast<int>(limit - edit_.text().size())));
        whole = false;
    }
    edit_.SetDropCaret(-1);
    edit_.setCursorPosition(at);
    edit_.insert(t);
    edit_.SetModified(true);
    edit_.update();
    return whole;
}

// ---- Drop source and data object -----------------------------------------------------------

TDragContinue TEEDropSource::QueryContinueDrag(bool escPressed, bool leftButtonDown) {
    if (escPressed)
        return dcCancel;
    if (!leftButtonDown)
        return dcDrop;
    return dcContinue;
}

TSourceDataObject::TSourceDataObject(const std::string& text, const std::string& rtf)
    : text_(text), rtf_(rtf) {
    setText(QString::fromStdString(text));
}

bool TSourceDataObject::QueryGetData(int cf) const {
    return cf == EditCF::Text || cf == EditCF::UnicodeText ||
           (cf == RichTextFormat() && RichTextEnabled());
}

std::optional<QByteArray> TSourceDataObject::GetData(int cf) const {
    if (!QueryGetData(cf))
        return std::nullopt;
    if (cf == EditCF::Text) {
        QByteArray b(text_.data(), static_cast<qsizetype>(text_.size()));
        b.append('\0');
        return b;
    }
    if (cf == EditCF::UnicodeText) {
        QString u = QString::fromStdString(text_);
        QByteArray b(reinterpret_cast<const char*>(u.utf16()), u.size() * 2);
        b.append(2, '\0');
        return b;
    }
    return QByteArray::fromStdString(rtf_);
}

bool TSourceEnumFormatEtc::Next(int n, std::vector<int>& formats) {
    static const int list[3] = {EditCF::Text, EditCF::UnicodeText, kRichTextFormat};
    int filled = 0;
    while (filled < n && pos_ < 3) {
        formats.push_back(list[pos_++]);
        ++filled;
    }
    return filled == n;
}

bool TSourceEnumFormatEtc::Skip(int n) {
    pos_ += n;
    if (pos_ > 3) {
        pos_ = 3;
        return false;
    }
    return true;
}

Qt::DropAction StartDoDragDrop(QWidget* source, const std::string& text, const std::string& rtf,
                               Qt::DropActions allowed) {
    auto* drag = new QDrag(source);
    drag->setMimeData(new TSourceDataObject(text, rtf));
    // Qt's drag loop makes the drop source's decisions itself (Esc cancels, releasing the
    // button drops) and reports a drop on no target as IgnoreAction.
    return drag->exec(allowed, Qt::MoveAction);
}
