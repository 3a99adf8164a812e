#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

namespace kestrion {

// The application's name in its lettering over the caption "SERMON PREPARATION", as the
// welcome and About windows show them.
class NameplateView : public QWidget {
    Q_OBJECT
public:
    explicit NameplateView(QWidget* parent = nullptr);

    // The name in the ink colour, the caption in it at 0.6.
    void setInk(const QColor& ink);

    QLabel* name() const { return m_name; }
    QLabel* caption() const { return m_caption; }

private:
    QLabel* m_name = nullptr;
    QLabel* m_caption = nullptr;
};

// The colour with its opacity multiplied by the given one.
QColor withOpacity(QColor colour, qreal opacity);
// Gives a label or button its text colour.
void setTextColour(QWidget* widget, const QColor& colour);

} // namespace kestrion
