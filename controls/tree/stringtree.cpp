// TCustomLeanStringTree: cell texts, measuring, editing, incremental search, the captions chunk
// of node streams and the exports.
#include "controls/tree/stringtree.h"

#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treestreamformat.h"
#include "controls/tree/treetextfit.h"
#include "platform/classes.h"
#include "platform/formatsettings.h"
#include "platform/gui/qtcolors.h"

std::unique_ptr<TCustomLeanTreeOptions>
TCustomLeanStringTree::GetOptionsClass(TBaseLeanTree* Owner) {
    return std::make_unique<TCustomStringTreeOptions>(Owner);
}

TCustomLeanStringTree::TCustomLeanStringTree(QWidget* parent)
    : TCustomLeanStringTree(parent, &GetHeaderClass, &TCustomLeanStringTree::GetOptionsClass) {}

TCustomLeanStringTree::TCustomLeanStringTree(QWidget* parent, TLTHeaderClass HeaderClass,
                                             TLTOptionsClass OptionsClass)
    : TBaseLeanTree(parent, HeaderClass, OptionsClass),
      FStringTreeOptions(dynamic_cast<TCustomStringTreeOptions*>(&TBaseLeanTree::TreeOptions())) {
    LTAssert(FStringTreeOptions != nullptr, "Invalid parameters.");
    FTextWidthOffset = AllocateInternalDataArea(sizeof(uint32_t));
    UpdateFontMetrics();
}

TCustomLeanStringTree::~TCustomLeanStringTree() {
    // The editor goes with the tree: a changed text is kept under toAutoAcceptEditChange,
    // while the tree can still take it.
    if (IsEditing() && HasString(TLTStringOption::toAutoAcceptEditChange))
        AbandonEdit(true);
}

std::unique_ptr<TCustomLeanTreeOptions> TLeanStringTree::GetOptionsClass(TBaseLeanTree* Owner) {
    return std::make_unique<TStringTreeOptions>(Owner);
}

TLeanStringTree::TLeanStringTree(QWidget* parent)
    : TCustomLeanStringTree(parent, &GetHeaderClass, &TLeanStringTree::GetOptionsClass) {}

void TCustomLeanStringTree::SetDefaultText(const QString& Value) {
    if (Value == FDefaultText)
        return;
    FDefaultText = Value;
    ClearCachedWidths();
    viewport()->update();
}

void TCustomLeanStringTree::UpdateFontMetrics() {
    QFontMetrics fm(font());
    FTextHeight = fm.height();
    FEllipsisWidth = fm.horizontalAdvance(QStringLiteral("..."));
}

void TCustomLeanStringTree::changeEvent(QEvent* e) {
    TBaseLeanTree::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        UpdateFontMetrics();
        ClearCachedWidths();
    }
}

void TCustomLeanStringTree::ClearCachedWidths() {
    for (PLeanNode n = GetFirstNoInit(); n; n = GetNextNoInit(n))
        CachedWidth(n) = 0;
}

void TCustomLeanStringTree::MainColumnChanged() {
    TBaseLeanTree::MainColumnChanged();
    ClearCachedWidths();
}

// ---- texts ----

QString TCustomLeanStringTree::Text(PLeanNode Node, TColumnIndex Column) {
    LTAssert(Node != nullptr, "Node must not be nil.");
    return DoGetText(Node, Column, ttNormal);
}

void TCustomLeanStringTree::SetText(PLeanNode Node, TColumnIndex Column, const QString& Text) {
    DoNewText(Node, Column, Text);
}

QString TCustomLeanStringTree::DoGetText(PLeanNode Node, TColumnIndex Column,
                                         TVSTTextType TextType) {
    if (Node != RootNode())
        InitIfNeeded(Node);
    QString text = TextType == ttNormal ? FDefaultText : QString();
    if (OnGetText)
        OnGetText(this, Node, Column, TextType, text);
    return text;
}

void TCustomLeanStringTree::DoNewText(PLeanNode Node, TColumnIndex Column, const QString& Text) {
    if (OnNewText)
        OnNewText(this, Node, Column, Text);
    if (Node && Node != RootNode() && (Column == Header().MainColumn() || Column == NoColumn))
        CachedWidth(Node) = 0;
}

void TCustomLeanStringTree::DoPaintText(QPainter& Canvas, PLeanNode Node, TColumnIndex Column,
                                        TVSTTextType TextType) {
    if (OnPaintText) {
        QFont before = Canvas.font();
        OnPaintText(this, Canvas, Node, Column, TextType);
        if (Canvas.font() != before)
            FFontChanged = true;
    }
}

QString TCustomLeanStringTree::DoShortenString(QPainter* Canvas, PLeanNode Node,
                                               TColumnIndex Column, const QString& S, int Width,
                                               bool RightToLeft) {
    if (OnShortenString) {
        QString result;
        bool done = false;
        OnShortenString(this, Canvas, Node, Column, S, Width, RightToLeft, result, done);
        if (done)
            return result;
    }
    return ShortenString(CellMeasure(Canvas, Node, Column), S, Width, RightToLeft);
}

int TCustomLeanStringTree::MeasureTextWidth(QPainter* Canvas, PLeanNode, TColumnIndex,
                                            const QString& Text) {
    QFontMetrics fm(Canvas ? Canvas->font() : font());
    return fm.horizontalAdvance(Text);
}

TTextWidth TCustomLeanStringTree::CellMeasure(QPainter* Canvas, PLeanNode Node,
                                              TColumnIndex Column) {
    return [this, Canvas, Node, Column](QStringView t) {
        return MeasureTextWidth(Canvas, Node, Column, t.toString());
    };
}

int TCustomLeanStringTree::TextWidth(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                     const QString& Text) {
    return TextWidthUpTo(CellMeasure(Canvas, Node, Column), Text, MaxTextWidth);
}

int TCustomLeanStringTree::CalculateTextWidth(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                              const QString& Text) {
    int result = 2 * TextMargin();
    if (Text.isEmpty())
        return result;
    if (Canvas) {
        Canvas->save();
        Canvas->setFont(font());
        DoPaintText(*Canvas, Node, Column, ttNormal);
        result += TextWidth(Canvas, Node, Column, Text);
        Canvas->restore();
    } else if (OnPaintText) {
        QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&scratch);
        p.setFont(font());
        DoPaintText(p, Node, Column, ttNormal);
        result += TextWidth(&p, Node, Column, Text);
    } else {
        result += TextWidth(nullptr, Node, Column, Text);
    }
    return result;
}

QFont TCustomLeanStringTree::DoGetHintFont(PLeanNode Node, TColumnIndex Column) {
    if (!OnPaintText || !Node || Node == RootNode())
        return font();
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&scratch);
    p.setFont(font());
    DoPaintText(p, Node, Column, ttNormal);
    return p.font();
}

int TCustomLeanStringTree::DoGetNodeWidth(PLeanNode Node, TColumnIndex Column, QPainter* Canvas) {
    if (!Node || Node == RootNode())
        return 0;
    auto& cols = Header().Columns();
    bool realColumn = Header().UseColumns() && cols.IsValidColumn(Column);
    if ((Node->States & vsMultiline) && realColumn)
        return cols.Items(Column).Width();
    bool main = !realColumn || Column == Header().MainColumn();
    if (main) {
        uint32_t& cached = CachedWidth(Node);
        if (cached == 0)
            cached = uint32_t(
                CalculateTextWidth(Canvas, Node, Column, DoGetText(Node, Column, ttNormal)));
        return int(cached);
    }
    return CalculateTextWidth(Canvas, Node, Column, DoGetText(Node, Column, ttNormal));
}

int TCustomLeanStringTree::ComputeNodeHeight(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                             QString S) {
    if (!Node || Node == RootNode())
        return 0;
    if (S.isEmpty())
        S = DoGetText(Node, Column, ttNormal);
    auto& cols = Header().Columns();
    bool realColumn = Header().UseColumns() && cols.IsValidColumn(Column);
    bool main = !realColumn || Column == Header().MainColumn();
    int cellWidth = realColumn ? cols.Items(Column).Width() : std::max(ClientWidth(), RangeX());
    int width = cellWidth - (main ? NodeContentLeft(Node) : Margin()) - 2 * TextMargin();
    TAlignment align = realColumn ? cols.Items(Column).Alignment() : Alignment();
    int flags = Qt::TextWordWrap | Qt::AlignTop |
                (align == taRightJustify ? Qt::AlignRight
                 : align == taCenter     ? Qt::AlignHCenter
                                         : Qt::AlignLeft);
    const QFont f = Canvas ? Canvas->font() : font();
    QFontMetrics fm(f);
    if (S.isEmpty())
        return fm.height();
    // Only the lines a row can hold are measured.
    const QString shown = FitWrappedText(f, S, width, 0xFFFF);
    return fm.boundingRect(QRect(0, 0, std::max(1, width), 1 << 20), flags, shown).height();
}

void TCustomLeanStringTree::GetTextInfo(PLeanNode Node, TColumnIndex Column, QFont& Font, QRect& R,
                                        QString& Text) {
    Font = font();
    R = GetDisplayRect(Node, Column, true);
    if (!R.isEmpty()) {
        // The whole cell from the text's left edge: the editor may grow over empty space.
        QRect cell = GetDisplayRect(Node, Column, false);
        R.setRight(cell.right());
    }
    Text = DoGetText(Node, Column, ttNormal);
}

QString TCustomLeanStringTree::GetItemText(PLeanNode Node, TColumnIndex Column) {
    if (!Node || Node == RootNode())
        return {};
    if (Column == NoColumn && Header().UseColumns())
        Column = Header().MainColumn();
    QFont font;
    QRect r;
    QString text;
    GetTextInfo(Node, Column, font, r, text);
    return text;
}

// ---- overrides ----

bool TCustomLeanStringTree::DoGetCellIsEmpty(PLeanNode Node, TColumnIndex Column) {
    // A cell with text is never empty; OnGetCellIsEmpty decides for the others.
    return DoGetText(Node, Column, ttNormal).isEmpty() &&
           TBaseLeanTree::DoGetCellIsEmpty(Node, Column);
}

int TCustomLeanStringTree::DoIncrementalSearch(PLeanNode Node, const std::u16string& Text) {
    if (OnIncrementalSearch)
        return TBaseLeanTree::DoIncrementalSearch(Node, Text);
    QString cell = DoGetText(Node, FocusedColumn(), ttNormal);
    QString search = QString::fromStdU16String(Text);
    return cell.startsWith(search, Qt::CaseInsensitive) ? 0 : 1;
}

QString TCustomLeanStringTree::DoGetNodeHint(PLeanNode Node, TColumnIndex Column,
                                             TLTTooltipLineBreakStyle& LineBreakStyle) {
    QString result = TBaseLeanTree::DoGetNodeHint(Node, Column, LineBreakStyle);
    if (OnGetHint)
        OnGetHint(this, Node, Column, LineBreakStyle, result);
    return result;
}

QString TCustomLeanStringTree::DoGetNodeTooltip(PLeanNode Node, TColumnIndex Column,
                                                TLTTooltipLineBreakStyle& LineBreakStyle) {
    if (OnGetHint) {
        QString result;
        OnGetHint(this, Node, Column, LineBreakStyle, result);
        return result;
    }
    return Node ? DoGetText(Node, Column, ttNormal) : QString();
}

void TCustomLeanStringTree::ReinitNode(PLeanNode Node, bool Recursive) {
    TBaseLeanTree::ReinitNode(Node, Recursive);
    if (Node && Node != RootNode())
        CachedWidth(Node) = 0;
}

void TCustomLeanStringTree::InvalidateNode(PLeanNode Node) {
    if (Node && Node != RootNode()) {
        CachedWidth(Node) = 0;
        Node->States &= ~vsHeightMeasured;
    }
    TBaseLeanTree::InvalidateNode(Node);
}

std::shared_ptr<ILTEditLink> TCustomLeanStringTree::DoCreateEditor(PLeanNode Node,
                                                                   TColumnIndex Column) {
    std::shared_ptr<ILTEditLink> link = TBaseLeanTree::DoCreateEditor(Node, Column);
    if (!link)
        link = std::make_shared<TStringEditLink>();
    return link;
}

// ---- the captions chunk ----

void TCustomLeanStringTree::WriteChunks(TMemoryStream& Stream, PLeanNode Node) {
    TBaseLeanTree::WriteChunks(Stream, Node);
    if (!HasString(TLTStringOption::toSaveCaptions))
        return;
    QString text = DoGetText(Node, Header().MainColumn(), ttNormal);
    size_t bytes = size_t(text.size()) * sizeof(char16_t);
    if (bytes > size_t(std::numeric_limits<int32_t>::max()))
        throw EWriteError("Stream write error");
    const uint32_t header[2] = {CaptionChunk, uint32_t(bytes)};
    Stream.TMemoryStream::Write(header, sizeof header);
    if (bytes)
        Stream.TMemoryStream::Write(text.utf16(), int64_t(bytes));
}

bool TCustomLeanStringTree::ReadChunk(TStream& Stream, int Version, PLeanNode Node,
                                      uint32_t ChunkType) {
    if (ChunkType != CaptionChunk)
        return TBaseLeanTree::ReadChunk(Stream, Version, Node, ChunkType);
    int64_t size = Stream.Size() - Stream.Position();
    if (size % 2)
        throw EReadError("Stream read error"); // half a character: the stream is damaged
    std::u16string text(size_t(size / 2), u'\0');
    if (size)
        Stream.ReadBuffer(text.data(), size);
    DoNewText(Node, Header().MainColumn(), QString::fromStdU16String(text));
    return true;
}

// ---- exports ----

TExportContent TCustomLeanStringTree::GatherContent(TLTRenderSource Source) {
    if (!OnPaintText)
        return GatherExportContent(*this, Source, [this](PLeanNode n, TColumnIndex c) {
            return DoGetText(n, c, ttNormal);
        });
    // The host may give cells a font and colour of their own (OnPaintText): each cell's look is
    // asked on a scratch canvas as its text is taken, in the order the cells are gathered.
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&scratch);
    const QColor text = palette().color(QPalette::Text);
    const int dpi = logicalDpiY();
    std::vector<TExportFont> fonts;
    std::vector<int> cellFonts;
    // Each look's index in fonts: a host may give thousands of cells a look of their own.
    struct THash {
        size_t operator()(const TExportFont& f) const noexcept {
            return qHashMulti(0, f.Name, f.Size, f.Bold, f.Italic, f.Underline, f.Color);
        }
    };
    std::unordered_map<TExportFont, int, THash> seen;
    TExportContent c = GatherExportContent(*this, Source, [&](PLeanNode n, TColumnIndex col) {
        p.setFont(font());
        p.setPen(text);
        DoPaintText(p, n, col, ttNormal);
        int index = -1;
        if (p.font() != font() || p.pen().color() != text) {
            TExportFont e = ExportFontOf(p.font(), QColorToColor(p.pen().color()), dpi);
            auto [it, added] = seen.try_emplace(e, int(fonts.size()));
            if (added)
                fonts.push_back(e);
            index = it->second;
        }
        cellFonts.push_back(index);
        return DoGetText(n, col, ttNormal);
    });
    size_t next = 0;
    for (TExportRow& r : c.Rows) {
        r.Fonts.assign(cellFonts.begin() + long(next),
                       cellFonts.begin() + long(next + r.Cells.size()));
        next += r.Cells.size();
    }
    c.CellFonts = std::move(fonts);
    return c;
}

std::string TCustomLeanStringTree::ContentToText(TLTRenderSource Source, char16_t Separator) {
    return ::ContentToText(GatherContent(Source), Separator);
}

std::u16string TCustomLeanStringTree::ContentToUnicode(TLTRenderSource Source, char16_t Separator) {
    return ::ContentToUnicode(GatherContent(Source), Separator);
}

std::string TCustomLeanStringTree::ContentToHTML(TLTRenderSource Source, const QString& Caption) {
    return ::ContentToHTML(GatherContent(Source), Caption);
}

std::string TCustomLeanStringTree::ContentToRTF(TLTRenderSource Source) {
    return ::ContentToRTF(GatherContent(Source));
}

bool TCustomLeanStringTree::ContentToClipboard(int Format, TLTRenderSource Source,
                                               QByteArray& Data) {
    QString sep = QString::fromStdString(LocaleSettings().ListSeparator);
    char16_t listSep = sep.isEmpty() ? u',' : char16_t(sep.at(0).unicode());
    return ::ContentToClipboard(Format, GatherContent(Source), listSep, Data);
}

bool TCustomLeanStringTree::RenderOLEData(int Format, bool ForClipboard, QByteArray& Data) {
    if (TBaseLeanTree::RenderOLEData(Format, ForClipboard, Data))
        return true;
    return ContentToClipboard(Format, ForClipboard ? rsCutCopySet : rsSelected, Data);
}

// ---- TStringEditLink ----

bool TStringEditLink::PrepareEdit(TBaseLeanTree* Tree, PLeanNode Node, TColumnIndex Column) {
    auto* tree = dynamic_cast<TCustomLeanStringTree*>(Tree);
    if (!tree || !Node)
        return false;
    AutoAcceptEditChange = tree->HasString(TLTStringOption::toAutoAcceptEditChange);
    OnGetText = [tree](PLeanNode n, TColumnIndex c) {
        return tree->DoGetText(n, c, ttNormal).toStdString();
    };
    OnNewText = [tree](PLeanNode n, TColumnIndex c, const std::string& t) {
        tree->DoNewText(n, c, QString::fromStdString(t));
    };
    if (!TLTLineEditLink::PrepareEdit(Tree, Node, Column))
        return false;
    QFont f;
    QRect r;
    QString text;
    tree->GetTextInfo(Node, Column, f, r, text);
    Editor()->setFont(f);
    // The text in the window-text colour, whatever colour the cell's text is painted in.
    QPalette palette = Editor()->palette();
    QColor windowText = tree->palette().color(QPalette::WindowText);
    for (auto role : {QPalette::Text, QPalette::WindowText})
        palette.setColor(role, windowText);
    Editor()->setPalette(palette);
    auto& cols = tree->Header().Columns();
    bool realColumn = tree->Header().UseColumns() && cols.IsValidColumn(Column);
    TAlignment align = realColumn ? cols.Items(Column).Alignment() : tree->Alignment();
    TBiDiMode bidi = realColumn ? cols.Items(Column).BiDiMode() : tree->BiDiMode();
    bool rtl = bidi != bdLeftToRight;
    Editor()->setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    Qt::Alignment flag = align == taRightJustify ? Qt::AlignRight
                         : align == taCenter     ? Qt::AlignHCenter
                                                 : Qt::AlignLeft;
    if (TLTMultiLineEdit* memo = MultiLineEdit()) {
        QTextOption option = memo->document()->defaultTextOption();
        option.setAlignment(flag);
        memo->document()->setDefaultTextOption(option);
    } else {
        Edit()->setAlignment(flag);
    }
    // A single-line editor grows with its text (reached through the tree: the editor may
    // outlive this link).
    if (Edit()) {
        QPointer<TCustomLeanStringTree> owner = tree;
        TLTEdit* edit = Edit();
        QObject::connect(edit, &QLineEdit::textChanged, edit, [owner, edit, Node, rtl] {
            if (!owner || edit->Stopped)
                return;
            auto* link = dynamic_cast<TStringEditLink*>(owner->EditLink().get());
            if (!link || link->Edit() != edit)
                return;
            // Measured no further than the client area, which the editor never passes.
            QMargins m = edit->textMargins();
            const QFontMetrics fm = edit->fontMetrics();
            int width = TextWidthUpTo(TextWidthOf(fm), edit->text(), owner->ClientWidth() + 1) +
                        2 * owner->TextMargin() + m.left() + m.right() + 8;
            QRect r = link->GetBounds();
            if (width <= r.width())
                return;
            owner->InvalidateNode(Node);
            if (rtl)
                r.setLeft(r.right() + 1 - width);
            else
                r.setWidth(width);
            link->SetBounds(r);
        });
    }
    return true;
}
