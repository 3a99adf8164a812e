#pragma once

#include <QAbstractButton>
#include <QString>

namespace kestrion {

// A button without bezel or background: a symbol (by name, see Symbols) or its text, centred
// in its frame and drawn in the secondary colour. Its whole frame takes the click. It takes no
// keyboard focus, so the canvas keeps the keyboard.
class PlainButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PlainButton(QWidget* parent = nullptr);

    // Shows the symbol at this size instead of the text.
    void setSymbol(const QString& name, qreal size);
    const QString& symbol() const { return m_symbol; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    qreal m_symbolSize = 12;
};

} // namespace kestrion
