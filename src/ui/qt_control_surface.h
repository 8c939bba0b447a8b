#pragma once

#include <memory>
#include <vector>

#include "settings/control_surface.h"

class QWidget;

namespace lh {

class MainWindow;

// The window's widgets as the settings store sees them: names, tags and values of the
// controls it keeps, in the window's visiting order. Made afresh for each save or
// restore; the widgets must outlive it.
class QtControlSurface : public ControlSurface {
public:
    explicit QtControlSurface(const std::vector<QWidget*>& widgets);
    explicit QtControlSurface(const MainWindow& window);
    ~QtControlSurface() override;

    std::vector<PersistedControl*> controls() override;

private:
    std::vector<std::unique_ptr<PersistedControl>> controls_;
};

// One widget adapted to the store (edit boxes, check boxes, radio buttons, combo boxes,
// buttons); other widgets keep only their name and tag.
std::unique_ptr<PersistedControl> adaptWidget(QWidget* widget);

}  // namespace lh
