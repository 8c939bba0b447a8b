#pragma once

#include <QLabel>

namespace lh {

// A label or picture that reacts to the mouse: `pressed` on the left button going
// down (the hyperlink labels), `clicked` on a left press and release over it (the
// pictures).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void pressed();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool down_ = false;
};

}  // namespace lh
