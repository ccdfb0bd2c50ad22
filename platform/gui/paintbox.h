#pragma once
// A plain drawing surface: OnPaint draws it. Mouse input it does not take goes to its parent.

#include <QPainter>
#include <QWidget>
#include <functional>

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}
    // Called with a painter on the box for every repaint.
    std::function<void(TPaintBox& sender, QPainter& canvas)> OnPaint;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!OnPaint)
            return;
        QPainter p(this);
        OnPaint(*this, p);
    }
};
