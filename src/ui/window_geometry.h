#pragma once

#include <QFont>
#include <QSize>

class QWidget;

namespace lh {

// "宋体" at `pixels` height; where it is missing, an installed CJK font stands in.
QFont songFont(int pixels, bool bold = false);

// Keeps the widget's outer size (frame included) at `outer`: the client size is the
// outer size less the window manager's frame, once the frame is known. `fixed` also
// forbids resizing.
void keepOuterSize(QWidget* window, QSize outer, bool fixed);

}  // namespace lh
