#include "sheets/SectionBlock.h"

#include "sheets/SheetStyle.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace kestrion {

namespace {

class Card : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // The outline is centred on the edge of the shape, as a one-point stroke is.
        const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(shape, SectionBlock::cornerRadius, SectionBlock::cornerRadius);
        painter.fillPath(path, SheetStyle::primary(palette(), 0.05));
        painter.setPen(QPen(SheetStyle::secondary(palette(), 0.2), 1));
        painter.drawPath(path);
    }
};

} // namespace

SectionBlock::SectionBlock(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(titleSpacing);
    if (!title.isEmpty()) {
        m_title = new QLabel(title, this);
        m_title->setTextFormat(Qt::PlainText);
        m_title->setFont(SheetStyle::headlineFont());
        column->addWidget(m_title);
    }
    m_card = new Card(this);
    m_cardLayout = new QVBoxLayout(m_card);
    m_cardLayout->setContentsMargins(0, 0, 0, 0);
    m_cardLayout->setSpacing(0);
    column->addWidget(m_card);
}

void SectionBlock::setContent(QWidget* content)
{
    if (m_content) {
        m_cardLayout->removeWidget(m_content);
        delete m_content;
    }
    m_content = content;
    if (content) {
        content->setParent(m_card);
        m_cardLayout->addWidget(content);
    }
}

} // namespace kestrion
