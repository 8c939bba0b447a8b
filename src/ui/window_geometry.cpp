#include "ui/window_geometry.h"

#include <QEvent>
#include <QMargins>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace lh {

QFont songFont(int pixels, bool bold) {
    QFont f;
    f.setFamilies({QString::fromUtf8("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                   QStringLiteral("WenQuanYi Zen Hei")});
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

namespace {

// Watches the window until the window manager has put a frame around it, then shrinks
// the client area by that frame.
class OuterSizeKeeper : public QObject {
public:
    OuterSizeKeeper(QWidget* window, QSize outer, bool fixed)
        : QObject(window), window_(window), outer_(outer), fixed_(fixed) {
        apply(QSize(0, 0));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ &&
            (event->type() == QEvent::Show || event->type() == QEvent::Move)) {
            QTimer::singleShot(0, this, [this] { adjust(); });
        }
        return false;
    }

private:
    void adjust() {
        const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
        if (frame == frame_ || frame.width() < 0 || frame.height() < 0) return;
        apply(frame);
    }

    void apply(QSize frame) {
        frame_ = frame;
        const QSize client = outer_ - frame;
        if (fixed_) {
            window_->setFixedSize(client);
        } else if (window_->size() != client) {
            window_->resize(client);
        }
    }

    QWidget* window_;
    QSize outer_;
    bool fixed_;
    QSize frame_{-1, -1};
};

}  // namespace

void keepOuterSize(QWidget* window, QSize outer, bool fixed) {
    new OuterSizeKeeper(window, outer, fixed);
}

}  // namespace lh
