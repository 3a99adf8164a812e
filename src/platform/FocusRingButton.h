#pragma once

#include <QPushButton>

namespace kestrion {

// A push button that shows a clear ring while it has the keyboard by Tab or Shift+Tab, over
// any fill: in the accent colour, or in the accent's text colour on a button filled with the
// accent. The style's own sign (an accent border) vanishes on such a button, is absent on a
// flat one, and looks like a default button's on the others.
class FocusRingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kestrion
