#include "delivery/DeliveryNavOverlay.h"

#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/SemanticColors.h"
#include "platform/Symbols.h"
#include "platform/Typography.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

constexpr double horizontalPadding = 18;
constexpr double verticalPadding = 12;
constexpr double labelSpacing = 8;
constexpr double cornerRadius = 12;

QFont::Weight weightFor(qint64 depth)
{
    return depth == 1 ? QFont::DemiBold : QFont::Medium;
}

// One jump button: a chevron and the heading's text on a translucent rounded card.
class NavTargetButton : public QAbstractButton {
public:
    NavTargetButton(const NavTarget& target, double baseFontSize, int maxWidth, QWidget* parent)
        : QAbstractButton(parent)
        , m_target(target)
        , m_size(DeliveryNavOverlay::textSize(target.depth, baseFontSize))
        , m_font(Typography::systemFont(m_size, weightFor(target.depth)))
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        const QFontMetricsF metrics(m_font);
        const double chevron = m_size * 0.7;
        const double chrome = 2 * horizontalPadding + chevron + labelSpacing + 2 * DeliveryNavOverlay::shadowMargin;
        const double room = std::max(40.0, maxWidth - chrome);
        // One line; a heading too long for it is cut.
        QString text = target.text;
        text.replace(QChar(u'\u2028'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        m_text = metrics.elidedText(text, Qt::ElideRight, room);
        m_textWidth = EmojiText::horizontalAdvance(m_font, metrics, m_text);
        m_textHeight = metrics.height();
        setText(m_text);
        setAccessibleName(target.text);
        const double width = 2 * horizontalPadding + chevron + labelSpacing + m_textWidth;
        setFixedSize(int(std::ceil(width)), DeliveryNavOverlay::buttonHeight(target.depth, baseFontSize));
    }

    const NavTarget& target() const { return m_target; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool isDark = isDarkAppearance();
        const QRectF card = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        QPainterPath shape;
        shape.addRoundedRect(card, cornerRadius, cornerRadius);
        QColor material = palette().color(QPalette::Window);
        material.setAlphaF(isDown() ? 0.95f : 0.85f);
        painter.fillPath(shape, material);
        painter.setPen(QPen(SemanticColors::withOpacity(SemanticColors::primary(isDark), 0.1), 0.5));
        painter.drawPath(shape);

        const QColor ink = SemanticColors::primary(isDark);
        const double chevron = m_size * 0.7;
        const QRectF chevronBox(card.left() + horizontalPadding, card.center().y() - chevron / 2, chevron, chevron);
        Symbols::draw(painter, QStringLiteral("chevron.down"), chevronBox, ink);
        painter.setFont(m_font);
        painter.setPen(ink);
        const QRectF textBox(chevronBox.right() + labelSpacing, card.top(), m_textWidth + 1, card.height());
        // One line, centred in height.
        const qreal top = textBox.top() + (textBox.height() - m_textHeight) / 2;
        EmojiText::drawLine(painter, QPointF(textBox.left(), top + QFontMetricsF(m_font).ascent()), m_text);
    }

private:
    NavTarget m_target;
    double m_size;
    QFont m_font;
    QString m_text;
    double m_textWidth = 0;
    double m_textHeight = 0;
};

} // namespace

DeliveryNavOverlay::DeliveryNavOverlay(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("deliveryNavOverlay"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_stack = new QVBoxLayout(this);
    // Room around the cards for their shadows.
    m_stack->setContentsMargins(shadowMargin, shadowMargin, shadowMargin, shadowMargin);
    m_stack->setSpacing(spacing);
    m_stack->setSizeConstraint(QLayout::SetFixedSize);
}

void DeliveryNavOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A soft shadow 2 points below each card: rings of falling opacity.
    for (const QAbstractButton* button : buttons()) {
        const QRectF card = QRectF(button->geometry());
        for (int ring = shadowMargin; ring >= 1; --ring) {
            QPainterPath shade;
            shade.addRoundedRect(
                card.adjusted(-ring, -ring + 2, ring, ring + 2), cornerRadius + ring, cornerRadius + ring);
            const double opacity = 0.15 * (1.0 - double(ring) / (shadowMargin + 1)) / 3.0;
            painter.fillPath(shade, QColor::fromRgbF(0, 0, 0, float(opacity)));
        }
    }
}

DeliveryNavOverlay::~DeliveryNavOverlay() = default;

double DeliveryNavOverlay::textSize(qint64 depth, double baseFontSize)
{
    switch (depth) {
    case 0:
        return baseFontSize + 13;
    case 1:
        return baseFontSize + 5;
    case 2:
        return baseFontSize + 1;
    case 3:
        return baseFontSize - 1;
    default:
        return baseFontSize;
    }
}

int DeliveryNavOverlay::buttonHeight(qint64 depth, double baseFontSize)
{
    const double size = textSize(depth, baseFontSize);
    const double textHeight = QFontMetricsF(Typography::systemFont(size, weightFor(depth))).height();
    return int(std::ceil(2 * verticalPadding + std::max(textHeight, size * 0.7)));
}

int DeliveryNavOverlay::stackHeight(double baseFontSize)
{
    return buttonHeight(1, baseFontSize) + spacing + buttonHeight(2, baseFontSize);
}

QAbstractButton* DeliveryNavOverlay::targetButton(const NavTarget& target, double baseFontSize, int maxWidth)
{
    auto* button = new NavTargetButton(target, baseFontSize, maxWidth, this);
    // A child made after the overlay was shown stays hidden unless told otherwise.
    button->show();
    const QUuid id = target.id;
    connect(button, &QAbstractButton::clicked, this, [this, id] {
        if (m_onNavigate)
            m_onNavigate(id);
    });
    return button;
}

void DeliveryNavOverlay::setTargets(
    const std::optional<NavTarget>& nextL1, const std::optional<NavTarget>& nextL2, double baseFontSize, int maxWidth)
{
    if (nextL1 == m_nextL1 && nextL2 == m_nextL2 && baseFontSize == m_baseFontSize && maxWidth == m_maxWidth)
        return;
    m_nextL1 = nextL1;
    m_nextL2 = nextL2;
    m_baseFontSize = baseFontSize;
    m_maxWidth = maxWidth;
    // The buttons may be inside their own click; they go on the next turn.
    for (QAbstractButton* button : buttons()) {
        m_stack->removeWidget(button);
        button->hide();
        button->deleteLater();
    }
    if (nextL2 && !(nextL1 && nextL1->id == nextL2->id))
        m_stack->addWidget(targetButton(*nextL2, baseFontSize, maxWidth), 0, Qt::AlignRight);
    if (nextL1)
        m_stack->addWidget(targetButton(*nextL1, baseFontSize, maxWidth), 0, Qt::AlignRight);
    m_stack->activate();
    adjustSize();
}

QList<QAbstractButton*> DeliveryNavOverlay::buttons() const
{
    QList<QAbstractButton*> result;
    for (int i = 0; i < m_stack->count(); ++i) {
        if (auto* button = qobject_cast<QAbstractButton*>(m_stack->itemAt(i)->widget()))
            result.append(button);
    }
    return result;
}

} // namespace kestrion
