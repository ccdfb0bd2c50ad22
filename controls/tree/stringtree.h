#pragma once
// TCustomLeanStringTree: the tree-list control for text. Every cell has a normal and an
// optional static text that the host supplies through OnGetText (DefaultText without one); the
// tree measures and paints them (shortened with "..." when they do not fit, word-wrapped on
// multi-line nodes), edits them in place through TStringEditLink, searches them incrementally,
// carries the main column's text in node streams (the captions chunk) and exports the content
// as text, Unicode text, CSV, HTML and RTF for the clipboard and drag and drop.
// TLeanStringTree is the control the windows use.

#include <QFont>
#include <QString>

#include "controls/tree/leantree.h"
#include "controls/tree/treecontent.h"
#include "controls/tree/treeediting.h"
#include "controls/tree/treetextfit.h"

enum TVSTTextType { ttNormal = 0, ttStatic = 1 };

// The node stream chunk that holds a node's main column text (UTF-16).
constexpr uint32_t CaptionChunk = 3;

class TCustomLeanStringTree;

using TLTPaintText =
    std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas, PLeanNode Node,
                       TColumnIndex Column, TVSTTextType TextType)>;
using TVSTGetTextEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column,
                       TVSTTextType TextType, QString& CellText)>;
using TVSTGetHintEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column,
                       TLTTooltipLineBreakStyle& LineBreakStyle, QString& HintText)>;
using TVSTNewTextEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node,
                                            TColumnIndex Column, const QString& NewText)>;
using TVSTShortenStringEvent = std::function<void(
    TBaseLeanTree* Sender, QPainter* TargetCanvas, PLeanNode Node, TColumnIndex Column,
    const QString& S, int TextSpace, bool RightToLeft, QString& Result, bool& Done)>;

// The edit link of the string tree: a line editor over the cell, fed with the cell's text and
// committing through DoNewText. Prepares edits on string trees only.
class TStringEditLink : public TLTLineEditLink {
public:
    bool PrepareEdit(TBaseLeanTree* Tree, PLeanNode Node, TColumnIndex Column) override;
};

class TCustomLeanStringTree : public TBaseLeanTree {
public:
    explicit TCustomLeanStringTree(QWidget* parent = nullptr);
    // A running edit ends with the tree: a changed text reaches OnNewText under
    // toAutoAcceptEditChange, else it is dropped.
    ~TCustomLeanStringTree() override;
    // Text trees make TCustomStringTreeOptions; the options class of a descendant makes a kind
    // derived from it.
    static std::unique_ptr<TCustomLeanTreeOptions> GetOptionsClass(TBaseLeanTree* Owner);

    const TLTTreeClass& LeanTreeClass() const override { return CustomLeanStringTreeClass; }

    // The text of a cell without one from OnGetText ("Node" by default).
    const QString& DefaultText() const { return FDefaultText; }
    void SetDefaultText(const QString& Value);
    TCustomStringTreeOptions& TreeOptions() { return *FStringTreeOptions; }
    TLTStringOptions StringOptions() const { return FStringTreeOptions->StringOptions(); }
    // A change of toShowStaticText repaints.
    void SetStringOptions(TLTStringOptions Value) { FStringTreeOptions->SetStringOptions(Value); }
    bool HasString(TLTStringOption o) const {
        return FStringTreeOptions->StringOptions().Contains(o);
    }

    // The cell's normal text (initialises Node first). Fails an assertion for nil.
    QString Text(PLeanNode Node, TColumnIndex Column);
    // Hands Text to the host as the cell's new text (OnNewText).
    void SetText(PLeanNode Node, TColumnIndex Column, const QString& Text);
    // Height of a text line and width of "..." in the tree's font (pixels).
    int TextHeight() const { return FTextHeight; }
    int EllipsisWidth() const { return FEllipsisWidth; }
    // The font, the text rectangle (client coordinates) and the text of a cell, for an editor.
    void GetTextInfo(PLeanNode Node, TColumnIndex Column, QFont& Font, QRect& R,
                     QString& Text) override;
    // The cell's normal text for assistive tools (NoColumn: the main column's).
    QString GetItemText(PLeanNode Node, TColumnIndex Column) override;

    // ---- text, measuring, painting (stringtree.cpp, stringtreepaint.cpp) ----
    virtual QString DoGetText(PLeanNode Node, TColumnIndex Column, TVSTTextType TextType);
    virtual void DoNewText(PLeanNode Node, TColumnIndex Column, const QString& Text);
    // OnPaintText: the host may change Canvas's font and pen before the text is drawn.
    virtual void DoPaintText(QPainter& Canvas, PLeanNode Node, TColumnIndex Column,
                             TVSTTextType TextType);
    // S cut to Width pixels with "..." (OnShortenString first).
    virtual QString DoShortenString(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                    const QString& S, int Width, bool RightToLeft);
    // Draws Text into R with Qt alignment and text flags.
    virtual void DrawCellText(QPainter& Canvas, const QRect& R, const QString& Text, int Flags);
    // Width of Text in Canvas's font (the tree's font without a canvas), pixels. The tree
    // measures a cell's text through it, a part at a time (TextWidth, shortening).
    virtual int MeasureTextWidth(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                 const QString& Text);
    // Width of Text as MeasureTextWidth gives it, or MaxTextWidth when at least that: only as
    // much of Text is measured as that takes.
    int TextWidth(QPainter* Canvas, PLeanNode Node, TColumnIndex Column, const QString& Text);
    // Width of the cell's text with the host's font (OnPaintText) plus 2 x TextMargin; the
    // text's share is at most MaxTextWidth (TextWidth).
    virtual int CalculateTextWidth(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                   const QString& Text);
    // Height of S (the cell's text when empty) word-wrapped to the cell's text width, in the
    // tree's font (Canvas's when given), for multi-line nodes in OnMeasureItem. A text taller
    // than a row can be (65535 pixels) is laid out only as far as that.
    virtual int ComputeNodeHeight(QPainter* Canvas, PLeanNode Node, TColumnIndex Column,
                                  QString S = {});

    // ---- exports (stringtree.cpp) ----
    // What an export of Source writes; cells whose font or colour OnPaintText changes carry
    // that look.
    TExportContent GatherContent(TLTRenderSource Source);
    std::string ContentToText(TLTRenderSource Source, char16_t Separator);
    std::u16string ContentToUnicode(TLTRenderSource Source, char16_t Separator);
    std::string ContentToHTML(TLTRenderSource Source, const QString& Caption = {});
    std::string ContentToRTF(TLTRenderSource Source);
    // Renders a clipboard format (text, Unicode text, CSV with the locale's list separator,
    // both RTF formats, HTML); false for other formats and empty results.
    bool ContentToClipboard(int Format, TLTRenderSource Source, QByteArray& Data);
    bool RenderOLEData(int Format, bool ForClipboard, QByteArray& Data) override;

    // ---- overrides ----
    int DoGetNodeWidth(PLeanNode Node, TColumnIndex Column, QPainter* Canvas) override;
    // The tree's font as OnPaintText sets it for the cell's normal text.
    QFont DoGetHintFont(PLeanNode Node, TColumnIndex Column) override;
    void DoPaintNode(TLTPaintInfo& PaintInfo) override;
    // True when the cell has no normal text and OnGetCellIsEmpty, when assigned, agrees.
    bool DoGetCellIsEmpty(PLeanNode Node, TColumnIndex Column) override;
    int DoIncrementalSearch(PLeanNode Node, const std::u16string& Text) override;
    QString DoGetNodeHint(PLeanNode Node, TColumnIndex Column,
                          TLTTooltipLineBreakStyle& LineBreakStyle) override;
    QString DoGetNodeTooltip(PLeanNode Node, TColumnIndex Column,
                             TLTTooltipLineBreakStyle& LineBreakStyle) override;
    void ReinitNode(PLeanNode Node, bool Recursive) override;
    void InvalidateNode(PLeanNode Node) override;
    void WriteChunks(TMemoryStream& Stream, PLeanNode Node) override;
    bool ReadChunk(TStream& Stream, int Version, PLeanNode Node, uint32_t ChunkType) override;
    void MainColumnChanged() override;
    // Forgets every node's measured text width (after a font or main column change).
    void ClearCachedWidths();
    // Measuring of a cell's texts in Canvas's font: MeasureTextWidth.
    TTextWidth CellMeasure(QPainter* Canvas, PLeanNode Node, TColumnIndex Column);

    TLTPaintText OnPaintText;
    TVSTGetTextEvent OnGetText;
    TVSTGetHintEvent OnGetHint;
    TVSTNewTextEvent OnNewText;
    TVSTShortenStringEvent OnShortenString;

protected:
    // Makes the tree with its header and options object from the given classes; the options
    // class must make TCustomStringTreeOptions (else EAssertionFailed).
    TCustomLeanStringTree(QWidget* parent, TLTHeaderClass HeaderClass,
                          TLTOptionsClass OptionsClass);
    std::shared_ptr<ILTEditLink> DoCreateEditor(PLeanNode Node, TColumnIndex Column) override;
    void changeEvent(QEvent* e) override;

private:
    uint32_t& CachedWidth(PLeanNode Node) const {
        return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(Node) + FTextWidthOffset);
    }
    void UpdateFontMetrics();
    // Sets the text font and colour of a cell (the selection text colour where the selection
    // or the drop target is drawn).
    void PrepareTextFont(QPainter& Canvas, const TLTPaintInfo& PaintInfo);
    void PaintNormalText(TLTPaintInfo& PaintInfo, const QString& Text);
    void PaintStaticText(TLTPaintInfo& PaintInfo, const QString& Text);

    QString FDefaultText = QStringLiteral("Node");
    TCustomStringTreeOptions* FStringTreeOptions; // the tree's options object
    size_t FTextWidthOffset = 0;                  // of the cached width, from the node's start
    int FTextHeight = 0;
    int FEllipsisWidth = 0;
    bool FFontChanged = false; // OnPaintText changed the font
};

class TLeanStringTree : public TCustomLeanStringTree {
public:
    explicit TLeanStringTree(QWidget* parent = nullptr);
    // Makes TStringTreeOptions.
    static std::unique_ptr<TCustomLeanTreeOptions> GetOptionsClass(TBaseLeanTree* Owner);

protected:
    using TCustomLeanStringTree::TCustomLeanStringTree;
};
