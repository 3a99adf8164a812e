#pragma once

namespace kestrion {

class FocusedValues;

// A view that offers focused values to the menu commands (see CommandRouter).
class FocusedValuePublisher {
public:
    virtual ~FocusedValuePublisher() = default;

    // Writes the view's current values; called afresh whenever the menus read them, so the
    // values always reflect the view's state of that moment.
    virtual void publishFocusedValues(FocusedValues& values) const = 0;

protected:
    FocusedValuePublisher() = default;
    FocusedValuePublisher(const FocusedValuePublisher&) = default;
    FocusedValuePublisher& operator=(const FocusedValuePublisher&) = default;
};

} // namespace kestrion
