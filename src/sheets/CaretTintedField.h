#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <functional>

namespace kestrion {

// A small one-line field for a whole number typed as digits: the custom-minutes field of the
// duration rows. Anything but the ASCII digits 0 to 9 is dropped as it is typed or pasted.
// Its owner chooses the colours (the rows draw white text and caret on an accent capsule while
// the field is active), can read and move the keyboard focus, and receives Return instead of
// the sheet around it.
//
// The caret is drawn in the text colour; the owners want the two alike whenever the caret
// shows, since the field is active while it has the keyboard.
class CaretTintedField : public QLineEdit {
    Q_OBJECT
public:
    explicit CaretTintedField(QWidget* parent = nullptr);

    // Only the ASCII digits of the text, in order. A character counts as a whole grapheme
    // cluster, so a digit with a combining mark is dropped with its mark.
    static QString digitsOnly(const QString& text);

    // The owner's colours; the placeholder is drawn in the text colour at half alpha.
    void setColors(const QColor& textColor, const QColor& selectionColor);
    QColor textColor() const { return m_textColor; }
    QColor selectionColor() const { return m_selectionColor; }

    // Whether the field has the keyboard. Setting it moves the keyboard in on the next turn of
    // the event loop; clearing it takes the keyboard away only from this field, and hands it
    // to the keeper, so that the window's keys still reach its form.
    bool isFocused() const { return m_isFocused; }
    void setFocused(bool focused);
    // The widget that takes the keyboard from the field; the field's window unless set.
    void setFocusKeeper(QWidget* keeper) { m_focusKeeper = keeper; }

    // Return in the field.
    void setOnSubmit(std::function<void()> onSubmit) { m_onSubmit = std::move(onSubmit); }

Q_SIGNALS:
    // Every edit by the user, with the text after filtering, also when nothing was dropped.
    void digitsEdited(const QString& text);
    void focusedChanged(bool focused);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void filterEdit(const QString& text);
    void storeFocused(bool focused);
    void syncFocus();

    QColor m_textColor;
    QColor m_selectionColor;
    bool m_isFocused = false;
    bool m_focusSyncPending = false;
    QPointer<QWidget> m_focusKeeper;
    std::function<void()> m_onSubmit;
};

} // namespace kestrion
