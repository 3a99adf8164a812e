#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

namespace kestrion {

// Keeps the bare editing keys (Backspace, Delete, Space, Return, Enter, Tab, with or without
// Shift) with a text field that has the keyboard, so a menu shortcut on one of them never
// acts on nodes while the user types. Installed once on the application.
class TextFieldKeyGuard : public QObject {
    Q_OBJECT
public:
    // Installs the application's guard; later calls do nothing.
    static void install();

    // A widget that takes typed text: line edits, text editors, spin boxes and any widget that
    // accepts input methods.
    static bool isTextField(const QWidget* widget);
    static bool isBareEditingKey(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TextFieldKeyGuard(QObject* parent);
};

} // namespace kestrion
