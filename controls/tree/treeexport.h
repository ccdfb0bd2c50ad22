#pragma once
// The content writers of the text trees' exports: plain text (UTF-8, also the CSV), Unicode
// text, HTML and RTF, written from rows of cell texts with levels, the visible columns and the
// look of the tree.
//
// Text and CSV follow RFC 4180: a cell holding the separator, a double quote or a line break is
// quoted, with inner quotes doubled; every line (header too) has the same number of fields; the
// main column takes L + 1 fields (L the deepest level), the text at its node's level. A tree
// without columns writes one line per node: its level's separators, then the text.
//
// HTML comes without line breaks; RTF writes every character as a \u escape, its font and
// colour tables holding what the cells use.

#include <QString>
#include <QStringView>
#include <string>
#include <vector>

#include "controls/tree/treetypes.h"
#include "platform/colors.h"

struct TExportFont {
    QString Name = QStringLiteral("Sans Serif");
    int Size = 9; // points
    bool Bold = false, Italic = false, Underline = false;
    TColor Color = clWindowText;
    bool operator==(const TExportFont&) const = default;
};

struct TExportColumn {
    QString Text;
    TAlignment Alignment = taLeftJustify;
    bool RightToLeft = false;
    int Width = 50;          // pixels
    bool ParentColor = true; // the column takes the tree's colour
    TColor Color = clWindow;
};

struct TExportRow {
    uint32_t Level = 0;
    int Height = 18; // pixels
    // One text per entry of TExportContent::Columns (one text when there are no columns).
    std::vector<QString> Cells;
    // Per cell an index into TExportContent::CellFonts; missing or -1: the tree's font.
    std::vector<int> Fonts;
};

struct TExportContent {
    std::vector<TExportColumn> Columns; // visible columns in display order; empty: none
    size_t MainColumn = 0;              // index into Columns
    std::vector<TExportRow> Rows;
    // Look of the tree.
    TExportFont Font, HeaderFont;
    std::vector<TExportFont> CellFonts;
    TColor Color = clWindow;
    TColor HeaderColor = clBtnFace;
    TAlignment Alignment = taLeftJustify; // of the tree without columns
    int Margin = 4;
    int Indent = 18;
    int HeaderHeight = 17;
    int BorderWidth = -1; // room inside the tree's frame, pixels; -1: no frame
    bool SolidLines = false;
    bool HorzGridLines = false, VertGridLines = false;
    int ClientWidth = 200;
    int PixelsPerInch = 96;
};

// The content as UTF-8 text, cells separated by Separator, lines ended by CR LF.
std::string ContentToText(const TExportContent& Content, char16_t Separator);
// The same as UTF-16.
std::u16string ContentToUnicode(const TExportContent& Content, char16_t Separator);
// An HTML fragment (style block and table) in UTF-8; Caption, when not empty, becomes the
// table's caption attribute. Texts and attribute values are escaped.
std::string ContentToHTML(const TExportContent& Content, const QString& Caption);
// A whole HTML document around a fragment, as text/html carries it.
std::string HTMLDocument(const std::string& Fragment);
// The content as an RTF table (7-bit ASCII).
std::string ContentToRTF(const TExportContent& Content);
