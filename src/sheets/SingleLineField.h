#pragma once

#include <QLineEdit>
#include <QString>

#include <functional>

namespace kestrion {

// A plain one-line text field of the details sheets (title, scripture, series, place). Line
// breaks typed or pasted into it become spaces, so what it hands over is always one line; a
// line break already in the text it was given (a title's own line separator) stays. Return is
// reported to the owner and never reaches the sheet's default action.
class SingleLineField : public QLineEdit {
    Q_OBJECT
public:
    explicit SingleLineField(QWidget* parent = nullptr);

    // Each line break of the text as a space; a CR LF pair is one break.
    static QString withLineBreaksAsSpaces(const QString& text);

    // Return in the field; without it Return goes on to the sheet like any other key.
    void setOnSubmit(std::function<void()> onSubmit) { m_onSubmit = std::move(onSubmit); }

Q_SIGNALS:
    // Every edit by the user, with the text the field keeps (textEdited may still carry the
    // line breaks).
    void lineEdited(const QString& text);
    void focusLost();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void flattenEdit(const QString& text);

    QString m_textBeforeEdit;
    std::function<void()> m_onSubmit;
};

} // namespace kestrion
