#include "ui/qt_control_surface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>

#include "ui/main_window.h"
#include "ui/ui_text.h"

namespace lh {

namespace {

const char* const kTagProperty = "lhTag";

class WidgetControl : public PersistedControl {
public:
    explicit WidgetControl(QWidget* widget) : widget_(widget) {}

    std::string name() const override {
        return widget_ ? programText(widget_->objectName()) : std::string();
    }
    std::string tag() const override {
        return widget_ ? programText(widget_->property(kTagProperty).toString()) : std::string();
    }
    void setTag(const std::string& tag) override {
        if (widget_) widget_->setProperty(kTagProperty, qtText(tag));
    }

    std::string text() const override {
        if (auto* e = qobject_cast<QLineEdit*>(widget_)) return programText(e->text());
        if (auto* p = qobject_cast<QPlainTextEdit*>(widget_))
            return toProgramLines(p->toPlainText());
        if (auto* c = qobject_cast<QComboBox*>(widget_)) return programText(c->currentText());
        return {};
    }
    void setText(const std::string& text) override {
        if (auto* e = qobject_cast<QLineEdit*>(widget_)) {
            e->setText(qtText(text));
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(widget_)) {
            p->setPlainText(fromProgramLines(text));
        } else if (auto* c = qobject_cast<QComboBox*>(widget_); c != nullptr && c->isEditable()) {
            c->setEditText(qtText(text));
        }
    }

    bool checked() const override {
        auto* b = qobject_cast<QAbstractButton*>(widget_);
        return b != nullptr && b->isChecked();
    }
    void setChecked(bool on) override {
        if (auto* b = qobject_cast<QAbstractButton*>(widget_); b != nullptr && b->isCheckable())
            b->setChecked(on);
    }

    bool isDropDownList() const override {
        auto* c = qobject_cast<QComboBox*>(widget_);
        return c == nullptr || !c->isEditable();
    }
    int itemCount() const override {
        auto* c = qobject_cast<QComboBox*>(widget_);
        return c != nullptr ? c->count() : 0;
    }
    int selectedIndex() const override {
        auto* c = qobject_cast<QComboBox*>(widget_);
        return c != nullptr ? c->currentIndex() : -1;
    }
    void setSelectedIndex(int index) override {
        if (auto* c = qobject_cast<QComboBox*>(widget_))
            c->setCurrentIndex(index < -1 ? -1 : index);
    }

private:
    QPointer<QWidget> widget_;
};

}  // namespace

std::unique_ptr<PersistedControl> adaptWidget(QWidget* widget) {
    return std::make_unique<WidgetControl>(widget);
}

QtControlSurface::QtControlSurface(const std::vector<QWidget*>& widgets) {
    for (QWidget* w : widgets) controls_.push_back(adaptWidget(w));
}

QtControlSurface::QtControlSurface(const MainWindow& window)
    : QtControlSurface(window.storedControls()) {}

QtControlSurface::~QtControlSurface() = default;

std::vector<PersistedControl*> QtControlSurface::controls() {
    std::vector<PersistedControl*> result;
    result.reserve(controls_.size());
    for (const auto& c : controls_) result.push_back(c.get());
    return result;
}

}  // namespace lh
