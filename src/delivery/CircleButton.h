#pragma once

#include <QAbstractButton>

namespace kestrion {

// A round button of the reading page: a fixed diameter, clicks taken on the disc only, the
// pointing hand over it, and the keyboard left to the page.
class CircleButton : public QAbstractButton {
    Q_OBJECT

public:
    CircleButton(int diameter, QWidget* parent = nullptr);

    int diameter() const { return m_diameter; }
    QSize sizeHint() const override;

protected:
    bool hitButton(const QPoint& position) const override;

private:
    int m_diameter;
};

} // namespace kestrion
