#pragma once
// TFlyPanelController: the shape and frame of the borderless main window. It lays out caption,
// container, content and bottom bar (keeping them anchored when the form is resized), cuts the
// window's corners with a mask, answers resize hit tests (mapped to the window system's move and
// resize), paints the ring frames and collapses the form to its caption. The geometry itself is
// TFlyPanelLayout's. GUI thread only.

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

#include "app/flypanellayout.h"

class QMouseEvent;
class QPainter;

class TFlyPanelController {
public:
    TFlyPanelController();
    ~TFlyPanelController();
    TFlyPanelController(const TFlyPanelController&) = delete;
    TFlyPanelController& operator=(const TFlyPanelController&) = delete;

    // Margins and ring count.
    TFlyPanelLayout Geometry;

    // Colours offered to the host.
    TColor CaptionColor = clWhite;
    TColor WindowColor = 0xFBFBFB;
    static constexpr TColor SeparatorColor = 0xC0C0C0;
    static constexpr TColor WeekendColor = 0x8A8A8A; // the calendar's weekend days
    static constexpr TColor LabelColor = 0x6E6E6E;   // grey label text

    // Ring colours, outermost ring first.
    std::array<TColor, 3> FormFrameColors{0xACACAC, 0xFFFFFF, 0xE7E6E2};
    std::array<TColor, 3> PanelFrameColors{0xF5F4F0, 0xF7F7F4, 0xFAF9F7};
    std::array<TColor, 8> CaptionTopColors{0xDFDFD7, 0xE6E6E1, 0xE8E8E3, 0xF0F0ED,
                                           0xF4F4F2, 0xF8F8F7, 0xFBFBFA, 0xFDFDFD};
    std::array<TColor, 8> CaptionColors{0xE2E2DA, 0xECECE9, 0xF0F0ED, 0xF3F3F1,
                                        0xF7F7F5, 0xF9F9F8, 0xFCFCFB, 0xFDFDFD};

    // Places container (a child of form) inside the outer margin, caption at the container's
    // top, then content and bottom bar; fits the form to the content (the width only while
    // collapsed) and sets the window's outline. From then on a resize of the form keeps the
    // four anchored and renews the outline.
    void Layout(QWidget* form, QWidget* caption, QWidget* container, QWidget* content,
                QWidget* bottomBar);
    // Content between caption and bottom bar, inner margin left and right.
    void PlaceContent(QWidget* container, QWidget* bottomBar, QWidget* content,
                      QWidget* caption) const;
    // The bottom bar along the container's bottom, inner margin on three sides.
    void PlaceBottomBar(QWidget* container, QWidget* bottomBar) const;
    // Sizes the form round content, bottom bar and caption (width only while collapsed).
    void FitForm(QWidget* form, QWidget* content, QWidget* bottomBar, QWidget* caption) const;

    // When hidden2 is shown: hides hidden2 and hidden1, keeps the form's height and shrinks the
    // form to its caption; otherwise restores the kept height and shows hidden1 and hidden2.
    void ToggleCollapse(QWidget* form, QWidget* caption, QWidget* hidden1, QWidget* hidden2);
    bool Collapsed() const { return collapsed_; }
    // The form's height when expanded: the kept height while collapsed, else its height.
    int ExpandedHeight(const QWidget* form) const;
    // Sets the form's height when expanded: kept for the next expand while collapsed, else the
    // form is resized.
    void SetExpandedHeight(QWidget* form, int height);

    // Cuts the corners of form's window (a mask of TFlyPanelLayout::WindowRegion).
    void SetWindowRegion(QWidget* form) const;

    // The hit-test answer for a point in global screen coordinates over form.
    THitTest HitTest(const QWidget* form, QPoint globalPos, bool sizeHorz, bool sizeVert) const;
    // The mouse cursor that shows hit.
    static Qt::CursorShape HitCursor(THitTest hit);
    // Starts the window system's resize of form's window at the edge or corner of hit (a
    // fallback follows the mouse where the window system has none). False for HTCLIENT.
    static bool StartSizing(QWidget* form, THitTest hit);
    // For the form's mouse handlers: a move without buttons sets the cursor of the point, a
    // left press on a resize band starts sizing. True when the event was used.
    bool HandleMouse(QWidget* form, QMouseEvent* e, bool sizeHorz, bool sizeVert) const;

    // Painting, on a painter over a control of the given size.
    // The form's three chamfered rings.
    void DrawFormFrame(QPainter& p, QSize size) const;
    // The container's three rings; the top part only when withTop.
    void DrawPanelFrame(QPainter& p, QSize size, bool withTop) const;
    // The caption's eight rings, fading from grey to white inwards.
    void PaintCaption(QPainter& p, QSize size) const;
    // A separator line from (3, 2) to the width less 3.
    void DrawCaptionSeparator(QPainter& p, QSize size) const;

private:
    class TAnchors;
    void Realign();

    bool collapsed_ = false;
    int savedHeight_ = 0;
    std::unique_ptr<TAnchors> anchors_;
};

// Draws frame lines pixel by pixel (the end pixel of each line left out).
void DrawFrameLines(QPainter& p, const std::vector<TFrameLine>& lines);
