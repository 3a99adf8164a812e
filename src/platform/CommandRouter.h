#pragma once

#include "platform/FocusedValues.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <vector>

namespace kestrion {

class FocusedValuePublisher;

// Routes menu commands to the focused document window and to the canvas that has the keyboard.
//
// Two kinds of publishers offer focused values:
// - a view publishes while it, or a widget inside it, has the keyboard focus in the active
//   window (the mind-map canvas: zoom, find, node actions);
// - a scene publishes for its whole window while that window is active (the root view: mode
//   switch, focus mode, file settings).
// Reading collects the scene's values first, then those of the focused views from the outside
// in, so an inner view's value replaces an outer one's under the same key.
//
// While the menu bar holds the keyboard (its menus walked with the keys), the widget that had it
// before still counts as focused.
//
// Values are collected afresh on every read; valuesChanged() tells the menus to read again. It
// is emitted on every focus or window activation change and whenever a publisher reports a
// change of its state, so a menu item's enablement is never stale. Main thread only.
class CommandRouter : public QObject {
    Q_OBJECT

public:
    // The application-wide router; it follows the application's focus.
    static CommandRouter& shared();

    explicit CommandRouter(QObject* parent = nullptr);
    ~CommandRouter() override;

    // The publisher is usually the widget itself; it must live as long as the widget does.
    // A widget registered again replaces its earlier registration.
    void addViewPublisher(QWidget* view, const FocusedValuePublisher* publisher);
    void addScenePublisher(QWidget* window, const FocusedValuePublisher* publisher);
    void removePublisher(QWidget* widget);

    // The active window when a scene or view publisher lives in it; else none.
    QWidget* focusedWindow() const;
    // The innermost view publisher holding the focus widget of the active window; else none.
    QWidget* focusedView() const;
    // The widget with the keyboard; while the menu bar holds it, the widget that had it before.
    QWidget* focusWidget() const;

    FocusedValues values() const;
    template <class Key> std::optional<typename Key::Value> value() const { return values().template get<Key>(); }

    // Publishers call this after every change of state their values depend on.
    void publisherChanged(QWidget* publisher);

    // Tests pass the focus explicitly; null means: ask the application.
    void setFocusOverride(QWidget* focusWidget);

Q_SIGNALS:
    void valuesChanged();

private:
    struct Registration {
        QPointer<QWidget> widget;
        const FocusedValuePublisher* publisher = nullptr;
        bool isScene = false;
    };

    QWidget* currentActiveWindow() const;
    const Registration* registrationOf(const QWidget* widget) const;
    void prune();

    std::vector<Registration> m_registrations;
    QPointer<QWidget> m_focusOverride;
    // The last focus widget that was not a menu bar.
    QPointer<QWidget> m_lastFocus;
};

} // namespace kestrion
