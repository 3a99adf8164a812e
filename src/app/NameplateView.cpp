#include "app/NameplateView.h"

#include "platform/Typography.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kestrion {

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(colour.alphaF() * float(opacity));
    return colour;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

NameplateView::NameplateView(QWidget* parent)
    : QWidget(parent)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    m_name = new QLabel(tr("Kestrion"), this);
    m_name->setFont(Typography::letteringFont(38));
    m_name->setAlignment(Qt::AlignHCenter);
    stack->addWidget(m_name);
    m_caption = new QLabel(tr("Sermon preparation"), this);
    QFont caption = Typography::systemFont(10, QFont::DemiBold);
    caption.setCapitalization(QFont::AllUppercase);
    caption.setLetterSpacing(QFont::AbsoluteSpacing, 2.4);
    m_caption->setFont(caption);
    m_caption->setAlignment(Qt::AlignHCenter);
    stack->addWidget(m_caption);
}

void NameplateView::setInk(const QColor& ink)
{
    setTextColour(m_name, ink);
    setTextColour(m_caption, withOpacity(ink, 0.6));
}

} // namespace kestrion
