#pragma once
// Gathers what a tree's export writes (treeexport.h): the visible columns, the nodes of a render
// source with their levels and cell texts, and the tree's look.

#include <QByteArray>
#include <QFont>
#include <functional>

#include "controls/tree/treeexport.h"

class TBaseLeanTree;

// Which nodes an export covers.
enum TLTRenderSource {
    rsAll = 0,
    rsInitialized = 1,
    rsSelected = 2,
    rsCutCopySet = 3,
    rsVisible = 4
};

// Font as an export writes it, in Color; a size in pixels becomes points at PixelsPerInch
// (rounded), and a font with neither (or without a resolution) 9 points.
TExportFont ExportFontOf(const QFont& Font, TColor Color, int PixelsPerInch);

// The cell text of Node in Column (NoColumn for a tree without columns).
using TLTCellTextGetter = std::function<QString(PLeanNode Node, TColumnIndex Column)>;

// The content of Source's nodes in tree order: per node its level, height and the texts of the
// visible columns in display order (one text without columns); the tree's and header's fonts,
// colours, margin, indent, grid lines, client width and resolution.
TExportContent GatherExportContent(TBaseLeanTree& Tree, TLTRenderSource Source,
                                   const TLTCellTextGetter& GetText);

// Renders Content in a clipboard format as its MIME type carries it: "Plain text" and "Unicode
// text" UTF-8 with tabs, "CSV" UTF-8 with ListSeparator, both RTF formats, "HTML Format" a whole
// document. False for other formats and for an empty result.
bool ContentToClipboard(int Format, const TExportContent& Content, char16_t ListSeparator,
                        QByteArray& Data);
