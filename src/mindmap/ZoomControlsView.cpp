#include "mindmap/ZoomControlsView.h"

#include "platform/PlainButton.h"
#include "platform/Typography.h"

#include <QHBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestrion {

ZoomControlsView::ZoomControlsView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("zoomControls"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(0);

    // The row's 12-point font sizes the two symbols.
    const qreal symbolSize = 12;
    auto symbolButton = [&](const QString& symbol, const QString& name) {
        auto* button = new PlainButton(this);
        button->setSymbol(symbol, symbolSize);
        button->setFixedSize(symbolButtonSide, symbolButtonSide);
        button->setAccessibleName(name);
        return button;
    };
    m_zoomOutButton = symbolButton(QStringLiteral("minus"), tr("Zoom Out"));
    m_percentageButton = new PlainButton(this);
    m_percentageButton->setFont(Typography::systemFont(11, QFont::Medium, FontDesign::Rounded));
    m_percentageButton->setMinimumSize(percentageMinimumWidth, symbolButtonSide);
    m_percentageButton->setAccessibleName(tr("Actual Size"));
    m_zoomInButton = symbolButton(QStringLiteral("plus"), tr("Zoom In"));

    row->addWidget(m_zoomOutButton);
    row->addWidget(m_percentageButton);
    row->addWidget(m_zoomInButton);

    connect(m_zoomOutButton, &PlainButton::clicked, this, [this] {
        if (m_onZoomOut)
            m_onZoomOut();
    });
    connect(m_percentageButton, &PlainButton::clicked, this, [this] {
        if (m_onReset)
            m_onReset();
    });
    connect(m_zoomInButton, &PlainButton::clicked, this, [this] {
        if (m_onZoomIn)
            m_onZoomIn();
    });
    m_percentageButton->setText(percentageText(m_scale));
}

void ZoomControlsView::setScale(qreal scale)
{
    m_scale = scale;
    m_percentageButton->setText(percentageText(scale));
}

QString ZoomControlsView::percentageText(qreal scale)
{
    if (!std::isfinite(scale))
        return QStringLiteral("100%");
    // Far beyond any scale the canvas allows, yet never beyond what an integer holds.
    const double percent = std::clamp(static_cast<double>(scale) * 100.0, -1.0e15, 1.0e15);
    return QString::number(static_cast<qint64>(std::round(percent))) + QLatin1Char('%');
}

} // namespace kestrion
