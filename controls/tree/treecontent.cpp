// The content of a tree's export.
#include "controls/tree/treecontent.h"

#include <algorithm>
#include <cmath>

#include "controls/tree/leantree.h"
#include "controls/tree/treeclipboard.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/qtcolors.h"

TExportFont ExportFontOf(const QFont& Font, TColor Color, int PixelsPerInch) {
    TExportFont e;
    e.Name = Font.family();
    if (Font.pointSize() > 0)
        e.Size = Font.pointSize();
    else if (Font.pixelSize() > 0 && PixelsPerInch > 0)
        e.Size = std::max(1, int(std::lround(Font.pixelSize() * 72.0 / PixelsPerInch)));
    else
        e.Size = 9;
    e.Bold = Font.bold();
    e.Italic = Font.italic();
    e.Underline = Font.underline();
    e.Color = Color;
    return e;
}

TExportContent GatherExportContent(TBaseLeanTree& Tree, TLTRenderSource Source,
                                   const TLTCellTextGetter& GetText) {
    TExportContent c;
    TLTHeader& header = Tree.Header();
    std::vector<TColumnIndex> columns;
    if (header.UseColumns())
        columns = header.Columns().GetVisibleColumns();
    for (size_t i = 0; i < columns.size(); ++i) {
        const TLeanTreeColumn& col = header.Columns().Items(columns[i]);
        TExportColumn e;
        e.Text = QString::fromStdString(col.Text());
        e.Alignment = col.Alignment();
        e.RightToLeft = col.BiDiMode() != bdLeftToRight;
        e.Width = col.Width();
        e.ParentColor = col.Options().Contains(TLTColumnOption::coParentColor);
        e.Color = col.Color();
        c.Columns.push_back(e);
        if (columns[i] == header.MainColumn())
            c.MainColumn = i;
    }

    using Step = PLeanNode (TBaseLeanTree::*)(PLeanNode);
    PLeanNode node = nullptr;
    Step next = nullptr;
    switch (Source) {
    case rsInitialized: // the initialised nodes' step is const: see the loop
        node = Tree.GetFirstInitialized();
        break;
    case rsSelected:
        node = Tree.GetFirstSelected(), next = &TBaseLeanTree::GetNextSelected;
        break;
    case rsCutCopySet:
        node = Tree.GetFirstCutCopy(), next = &TBaseLeanTree::GetNextCutCopy;
        break;
    case rsVisible:
        node = Tree.GetFirstVisible(), next = &TBaseLeanTree::GetNextVisible;
        break;
    default:
        node = Tree.GetFirst(), next = &TBaseLeanTree::GetNext;
        break;
    }
    for (; node; node = next ? (Tree.*next)(node) : Tree.GetNextInitialized(node)) {
        TExportRow r;
        r.Level = Tree.GetNodeLevel(node);
        r.Height = int(Tree.GetNodeHeight(node));
        if (columns.empty())
            r.Cells.push_back(GetText(node, NoColumn));
        else
            for (TColumnIndex col : columns)
                r.Cells.push_back(GetText(node, col));
        c.Rows.push_back(std::move(r));
    }

    const QPalette& palette = Tree.palette();
    const int dpi = Tree.logicalDpiY();
    c.Font = ExportFontOf(Tree.font(), QColorToColor(palette.color(QPalette::Text)), dpi);
    c.HeaderFont =
        ExportFontOf(header.Font(), QColorToColor(palette.color(QPalette::ButtonText)), dpi);
    c.Color = Tree.Color();
    c.HeaderColor = header.Background();
    c.Alignment = Tree.Alignment();
    c.Margin = Tree.Margin();
    c.Indent = int(Tree.Indent());
    c.HeaderHeight = header.Height();
    // The tree keeps no room between its frame and its client area: a border width of 0.
    c.BorderWidth = Tree.BorderStyle() != bsNone ? 0 : -1;
    c.HorzGridLines = Tree.HasPaint(TLTPaintOption::toShowHorzGridLines);
    c.VertGridLines = Tree.HasPaint(TLTPaintOption::toShowVertGridLines);
    c.ClientWidth = Tree.ClientWidth();
    c.PixelsPerInch = Tree.logicalDpiX();
    return c;
}

bool ContentToClipboard(int Format, const TExportContent& Content, char16_t ListSeparator,
                        QByteArray& Data) {
    const std::string name = ClipboardFormatName(Format);
    std::string bytes;
    if (Format == CF_TEXT || Format == CF_UNICODETEXT)
        bytes = ContentToText(Content, u'\t');
    else if (name == CFSTR_CSV)
        bytes = ContentToText(Content, ListSeparator);
    else if (name == CFSTR_RTF || name == CFSTR_RTFNOOBJS)
        bytes = ContentToRTF(Content);
    else if (name == CFSTR_HTML)
        bytes = HTMLDocument(ContentToHTML(Content, QString()));
    else
        return false;
    if (bytes.empty())
        return false;
    Data = QByteArray(bytes.data(), qsizetype(bytes.size()));
    return true;
}
