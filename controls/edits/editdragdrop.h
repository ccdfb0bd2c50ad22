#pragma once
// Drag and drop of text for the edits, in the shape of the classic OLE layer over Qt's drag
// and drop: a reader of the formats a dragged QMimeData offers, a drop target base with
// overridable drop operations, the edit's drop target, a drop source and a data object that
// offers a text. There is no process-wide set-up: Qt's drag and drop needs none.
//
// Formats keep their classic numbers: text (1) and Unicode text (13) are "text/plain",
// files (15) are local-file URLs, rich text is "text/rtf" (listed, never accepted or served:
// the rich-text switch is off).

#include <QByteArray>
#include <QMimeData>
#include <QPoint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class TEnhEdit;

// The classic format numbers, scoped so that other clipboard code may use the bare names.
namespace EditCF {
inline constexpr int Text = 1;
inline constexpr int UnicodeText = 13;
inline constexpr int HDrop = 15;
} // namespace EditCF
// The number the rich-text format is known by; fixed here (no clipboard registration).
int RichTextFormat();
// Whether rich text is accepted on drops and served by the data object; always false.
bool RichTextEnabled();
// The MIME type of a format number; empty for an unknown one.
QString FormatMimeType(int cf);

// Which of the formats a dragged object offers, and their contents.
class TEnumFormats {
public:
    explicit TEnumFormats(const QMimeData* data);
    // The object offers the format (files: at least one local-file URL).
    bool HasFormat(int cf) const;
    bool HasText() const { return HasFormat(EditCF::Text); }
    bool HasRTF() const { return HasFormat(RichTextFormat()); }
    bool HasFiles() const { return HasFormat(EditCF::HDrop); }
    // The text of EditCF::Text or the rich-text format (UTF-8); empty when not offered.
    std::string Text(int cf) const;
    // Fills FileNames() with the local files offered; false when there are none.
    bool ReadFileNames();
    const std::vector<std::string>& FileNames() const { return fileNames_; }

private:
    const QMimeData* data_;
    std::vector<std::string> fileNames_;
};

// The effect a drop or a drag over reports.
enum TDropEffect { deNone, deCopy, deMove };

// A drop target with overridable operations; the widget forwards its drag events here.
class TEEDropTarget {
public:
    virtual ~TEEDropTarget() = default;

    // Widget event entry points: they set the event's drop action and accept or ignore it.
    void DragEnter(QDragEnterEvent* e);
    void DragOver(QDragMoveEvent* e);
    void DragLeave();
    void Drop(QDropEvent* e);

    // The effect for a drag whose acceptability is known, from the Ctrl key.
    static TDropEffect EffectFor(bool acceptable, bool ctrl);
    bool Acceptable() const { return acceptable_; }

    // Each returns whether the target took all of what it was given; a drop that took less
    // is reported as a copy, so the source keeps its data. The base takes nothing.
    virtual bool DropText(QPoint pt, const std::string& text, bool ctrl);
    virtual bool DropRTF(QPoint pt, const std::string& text, bool ctrl);
    virtual bool DropFiles(QPoint pt, const std::vector<std::string>& names, bool ctrl);
    // Allow (preset true) false refuses a drop at that point. Base: allows.
    virtual void DragMouseMove(QPoint pt, bool& Allow);

protected:
    bool acceptable_ = false;
    // Set by DropText when it moved the source's own text itself; the drop then reports a
    // copy so the source deletes nothing.
    bool movedInside_ = false;
};

// The edit's drop target: a drop caret follows the mouse and text drops are inserted there.
class TEditDropTarget : public TEEDropTarget {
public:
    explicit TEditDropTarget(TEnhEdit& edit) : edit_(edit) {}
    void DragMouseMove(QPoint pt, bool& Allow) override;
    // Inserts the text up to its first line break at the character under pt. A drag that
    // started in the edit moves (or, with Ctrl, copies) its selection; dropping it on itself
    // changes nothing.
    bool DropText(QPoint pt, const std::string& text, bool ctrl) override;

private:
    TEnhEdit& edit_;
};

// What a running drag is told to do next.
enum TDragContinue { dcContinue, dcDrop, dcCancel };

// The drop source's decisions during a drag.
class TEEDropSource {
public:
    // Esc cancels; a released left button drops.
    static TDragContinue QueryContinueDrag(bool escPressed, bool leftButtonDown);
    // Records whether the current target refuses (no target).
    void GiveFeedback(bool noTarget) { noTarget_ = noTarget; }
    bool NoTarget() const { return noTarget_; }

private:
    bool noTarget_ = true;
};

// The data object of a drag: a text (and a rich text that is never served).
class TSourceDataObject : public QMimeData {
    Q_OBJECT
public:
    TSourceDataObject(const std::string& text, const std::string& rtf);
    // Whether the format can be served (text and Unicode text; rich text only with the switch).
    bool QueryGetData(int cf) const;
    // The data of a format: EditCF::Text the text and a zero byte, EditCF::UnicodeText the text in
    // UTF-16 and a zero character; none for anything else.
    std::optional<QByteArray> GetData(int cf) const;
    const std::string& SourceText() const { return text_; }

private:
    std::string text_, rtf_;
};

// Walks the fixed format list text, Unicode text, rich text.
class TSourceEnumFormatEtc {
public:
    // Fills up to n formats from the current position; false (S_FALSE) when fewer were filled.
    bool Next(int n, std::vector<int>& formats);
    // Advances by n; false when that passes the end (the position stops there).
    bool Skip(int n);
    void Reset() { pos_ = 0; }
    TSourceEnumFormatEtc Clone() const { return {}; }
    int Position() const { return pos_; }

private:
    int pos_ = 0;
};

// Runs a drag of text from source with the allowed actions and gives the action the target
// reported (Qt::IgnoreAction when it was cancelled or dropped on no target).
Qt::DropAction StartDoDragDrop(QWidget* source, const std::string& text, const std::string& rtf,
                               Qt::DropActions allowed);
