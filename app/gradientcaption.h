#pragma once
// TGradientCaption: the panel class of the main window's caption bar. Without a painter it
// paints as a plain panel (background, raised bevel, its caption text centred); with one it
// paints only the painter's caption rings over its background.

#include <QString>
#include <QWidget>

class TFlyPanelController;

class TGradientCaption : public QWidget {
    Q_OBJECT
public:
    explicit TGradientCaption(QWidget* parent = nullptr);

    // Attaches the painter (not owned; null detaches it). It must outlive the caption or be
    // detached first. The next paint uses it.
    void SetCaptionPainter(const TFlyPanelController* painter);
    const TFlyPanelController* CaptionPainter() const { return painter_; }

    // The text a plain panel shows.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& text);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    const TFlyPanelController* painter_ = nullptr;
    QString caption_;
};
