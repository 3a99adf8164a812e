#include "delivery/DeliveryPageRenderer.h"

#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryText.h"
#include "delivery/FollowRunnerButton.h"
#include "platform/Appearance.h"
#include "platform/SemanticColors.h"
#include "platform/Typography.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kestrion {

namespace {

constexpr double runnerX = DeliveryContentLayout::runnerX;
constexpr double dotRadius = 6;
// The glow is the dot grown by 2 and blurred by 3.
constexpr double glowRadius = 8;
constexpr double glowBlur = 3;
constexpr double quoteBarOffset = 10;
constexpr double quoteBarWidth = 3;
constexpr double textReachLeft = 12;
constexpr double markerInsetFoot = FollowRunnerButton::bottomOffset + FollowRunnerButton::discDiameter / 2.0 + 4;

// Keeps what is drawn out of the foot that controls over the page take.
void clipToReadingArea(QPainter& painter, const DeliveryPageRenderer::Page& page, double bottom)
{
    if (page.readingBottom)
        painter.setClipRect(QRectF(0, 0, page.canvasSize.width(), std::max(bottom, 0.0)), Qt::IntersectClip);
}

// The bottom of the text shown above the foot: no line is shown cut in half over the empty foot.
double textBottom(const DeliveryPageRenderer::Page& page)
{
    const double bottom = *page.readingBottom + page.scrollY;
    double raised = bottom;
    const double reach = page.fonts->heading(0).ascent() + 4;
    const auto [first, last] = page.layout->itemsBetween(bottom, bottom + reach);
    for (std::size_t i = first; i < last; ++i) {
        for (const auto& line : DeliveryPageRenderer::textLines(*page.fonts, page.textWidth, page.layout->items[i])) {
            if (line.rect.top() < bottom && line.rect.bottom() > bottom)
                raised = std::min(raised, line.rect.top());
        }
    }
    return raised - page.scrollY;
}

double snapped(double value, double ratio)
{
    return std::round(value * ratio) / ratio;
}

double deviceRatio(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    return device ? std::max(device->devicePixelRatioF(), 1.0) : 1.0;
}

QPen hairline(const QColor& colour, double width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void drawGuideLine(QPainter& painter, const DeliveryContentLayout& layout, double top, double bottom, bool isDark)
{
    constexpr double dash = 8;
    constexpr double gap = 4;
    const double end = layout.totalHeight - DeliveryContentLayout::bottomMargin;
    // Only the stretch in view, starting on the dash pattern of the whole line.
    const double from = std::max(0.0, std::floor(top / (dash + gap)) * (dash + gap));
    const double to = std::min(end, bottom);
    if (to <= from)
        return;
    QPen pen = hairline(SemanticColors::withOpacity(SemanticColors::primary(isDark), 0.2), 1);
    pen.setDashPattern({ dash, gap });
    painter.setPen(pen);
    painter.drawLine(QPointF(runnerX, from), QPointF(runnerX, to));
}

void drawEnd(QPainter& painter, const DeliveryPageRenderer::Page& page, double x0, const QRectF& visible)
{
    const DeliveryContentLayout& layout = *page.layout;
    const double endY = layout.totalHeight - DeliveryContentLayout::bottomMargin;
    const double width = page.canvasSize.width();
    const QColor primary = SemanticColors::primary(page.isDark);
    if (endY >= visible.top() - 1 && endY <= visible.bottom() + 1) {
        painter.setPen(hairline(SemanticColors::withOpacity(primary, 0.2), 0.5));
        painter.drawLine(QPointF(-x0, endY), QPointF(width - x0, endY));
    }
    if (!(endY < visible.bottom()))
        return;
    const QRectF band(-x0, endY, width, std::max(page.viewportHeight, 1.0));
    if (!band.intersects(visible))
        return;
    painter.save();
    painter.setClipRect(band.intersected(visible), Qt::IntersectClip);
    QLinearGradient shade(0, endY, 0, endY + band.height());
    shade.setColorAt(0, SemanticColors::withOpacity(primary, 0.22));
    shade.setColorAt(1, SemanticColors::withOpacity(primary, 0));
    painter.setPen(QPen(QBrush(shade), 0.5));
    // Lines at 45 degrees, 20 points apart: y = x + k·s.
    const double s = DeliveryPageRenderer::hatchSpacing * std::numbers::sqrt2;
    const auto first = static_cast<qint64>(std::floor((band.top() - band.right()) / s)) - 1;
    const auto last = static_cast<qint64>(std::ceil((band.bottom() - band.left()) / s)) + 1;
    const double left = band.left() - DeliveryPageRenderer::hatchSpacing;
    const double right = band.right() + DeliveryPageRenderer::hatchSpacing;
    for (qint64 k = first; k <= last; ++k) {
        const double offset = static_cast<double>(k) * s;
        painter.drawLine(QPointF(left, left + offset), QPointF(right, right + offset));
    }
    painter.restore();
}

void drawMarker(QPainter& painter, const DeliveryPageRenderer::Page& page, const DeliveryItem& item)
{
    const double inset
        = page.isTimerStarted ? DeliveryPageRenderer::markerInsetStarted : DeliveryPageRenderer::markerInsetIdle;
    const double below = item.y - page.scrollY;
    // Hidden under the readouts at the top and above the follow button at the foot of the runner
    // line, which stands over the labels' right ends; faded in between.
    const double clearOfTop = (below - inset) / DeliveryPageRenderer::markerFadeLength;
    const double clearOfFoot
        = (page.canvasSize.height() - markerInsetFoot - below) / DeliveryPageRenderer::markerFadeLength;
    const double fade = std::clamp(std::min(clearOfTop, clearOfFoot), 0.0, 1.0);
    if (!(fade > 0))
        return;
    const QFont font = DeliveryContentLayout::minuteLabelFont();
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(item.text);
    painter.save();
    painter.setOpacity(painter.opacity() * fade);
    painter.setFont(font);
    painter.setPen(SemanticColors::secondary(page.isDark));
    // The label's bottom-right corner on the marker's y.
    painter.drawText(QPointF(DeliveryContentLayout::markerLabelRight - width, item.y - metrics.descent()), item.text);
    painter.restore();
}

const DeliveryText& textOf(DeliveryFonts& fonts, const DeliveryItem& item)
{
    return item.kind == DeliveryItem::Kind::Leaf ? fonts.leaf(item.isQuote) : fonts.heading(item.depth);
}

// The width a text is set in: the text width less its indent.
double settingWidth(double textWidth, const DeliveryItem& item)
{
    return DeliveryContentLayout::measuringWidth(textWidth, item.frame.left() - DeliveryContentLayout::margin);
}

void drawText(QPainter& painter, const DeliveryPageRenderer::Page& page, const DeliveryItem& item, double linesEnd)
{
    const bool isLeaf = item.kind == DeliveryItem::Kind::Leaf;
    const DeliveryText& text = textOf(*page.fonts, item);
    const QColor ink = Appearance::inkColor(page.isDark);
    const double width = settingWidth(page.textWidth, item);
    if (isLeaf && item.isQuote) {
        const double ascent = page.fonts->leaf(false).ascent();
        QPainterPath bar;
        bar.addRoundedRect(QRectF(item.frame.left() - quoteBarOffset, item.frame.top() - ascent - 2, quoteBarWidth,
                               item.frame.height() + 2),
            1.5, 1.5);
        painter.fillPath(bar, SemanticColors::withOpacity(SemanticColors::orange(page.isDark), 0.35));
    }
    const QColor colour
        = isLeaf ? ink : SemanticColors::withOpacity(ink, DeliveryPageRenderer::headingAlpha(item.depth));
    // The first baseline on the frame's top edge.
    text.draw(painter, DeliveryText::displayText(item.text), width, item.frame.topLeft(), colour, linesEnd);
}

} // namespace

double DeliveryPageRenderer::xOffset(double canvasWidth, double textWidth)
{
    const double offset = (canvasWidth - (textWidth + DeliveryContentLayout::margin)) * 0.5;
    return std::isfinite(offset) ? std::max(offset, 0.0) : 0.0;
}

double DeliveryPageRenderer::headingAlpha(qint64 depth)
{
    return headingAlphas[static_cast<std::size_t>(std::clamp<qint64>(depth, 0, 4))];
}

void DeliveryPageRenderer::drawContent(QPainter& painter, const Page& page, const QRectF& dirty)
{
    if (!page.layout || !page.fonts)
        return;
    const DeliveryContentLayout& layout = *page.layout;
    const double ratio = deviceRatio(painter);
    const double x0 = snapped(xOffset(page.canvasSize.width(), page.textWidth), ratio);
    const double scrollY = page.scrollY;

    // What may be drawn, in content coordinates: the viewport with some overscan, within the
    // area asked for.
    const QRectF visible(
        -x0, scrollY - visibleOverscan, page.canvasSize.width(), page.canvasSize.height() + 2 * visibleOverscan);
    QRectF drawn = dirty;
    const double bottom = page.readingBottom ? textBottom(page) : 0;
    // A line cut at the foot is left out whole: a tall letter may reach above its top.
    const double linesEnd = page.readingBottom ? bottom + scrollY : std::numeric_limits<double>::infinity();
    if (page.readingBottom)
        drawn = drawn.intersected(QRectF(0, 0, page.canvasSize.width(), bottom));
    if (drawn.isEmpty())
        return;
    const QRectF area = visible.intersected(drawn.translated(-x0, scrollY).adjusted(-1, -1, 1, 1));
    if (area.isEmpty())
        return;

    painter.save();
    clipToReadingArea(painter, page, bottom);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(x0, -scrollY);

    if (area.left() <= runnerX + 1 && area.right() >= runnerX - 1)
        drawGuideLine(painter, layout, area.top(), area.bottom(), page.isDark);
    drawEnd(painter, page, x0, area);

    // Text is set with its first baseline on the frame's top, so it reaches above the frame by
    // up to the largest ascent; minute labels stand above their y.
    const double reach = page.fonts->heading(0).ascent() + 4;
    const auto [first, last] = layout.itemsBetween(area.top(), area.bottom() + reach);
    for (std::size_t i = first; i < last; ++i) {
        const DeliveryItem& item = layout.items[i];
        switch (item.kind) {
        case DeliveryItem::Kind::TimeMarker:
            if (!item.isCrowded && item.y >= visible.top() && item.y <= visible.bottom() && area.left() <= runnerX)
                drawMarker(painter, page, item);
            break;
        case DeliveryItem::Kind::HeadingDivider:
            if (item.y >= area.top() && item.y <= area.bottom()) {
                painter.setPen(hairline(SemanticColors::withOpacity(Appearance::inkColor(page.isDark), 0.2), 0.5));
                painter.drawLine(QPointF(DeliveryContentLayout::margin, item.y),
                    QPointF(DeliveryContentLayout::margin + item.width, item.y));
            }
            break;
        case DeliveryItem::Kind::Heading:
        case DeliveryItem::Kind::Leaf:
            if (item.frame.bottom() >= area.top() && item.frame.top() - reach <= area.bottom()
                && item.frame.left() - textReachLeft <= area.right())
                drawText(painter, page, item, linesEnd);
            break;
        }
    }
    painter.restore();
}

std::vector<DeliveryPageRenderer::TextLine> DeliveryPageRenderer::textLines(
    DeliveryFonts& fonts, double textWidth, const DeliveryItem& item)
{
    std::vector<TextLine> result;
    if (!item.hasFrame())
        return result;
    const std::vector<DeliveryText::Line> lines
        = textOf(fonts, item).lines(DeliveryText::displayText(item.text), settingWidth(textWidth, item));
    result.reserve(lines.size());
    // The first baseline stands on the frame's top.
    for (const DeliveryText::Line& line : lines)
        result.push_back({ line.start,
            QRectF(item.frame.left(), item.frame.top() + line.top, std::max(line.width, 0.0), line.height) });
    return result;
}

std::optional<double> DeliveryPageRenderer::runnerY(const DeliveryContentLayout* layout, const Runner& runner)
{
    if (!layout || runner.state == TimerState::Idle)
        return std::nullopt;
    const double progress = std::isfinite(runner.progress) ? std::clamp(runner.progress, 0.0, 1.0) : 0.0;
    return layout->yForFraction(progress);
}

QRectF DeliveryPageRenderer::runnerHeadBounds(const Page& page, double y)
{
    const double reach = glowRadius + glowBlur + 2;
    const double x0 = xOffset(page.canvasSize.width(), page.textWidth);
    return QRectF(x0 + runnerX - reach, y - page.scrollY - reach, 2 * reach, 2 * reach);
}

void DeliveryPageRenderer::drawRunner(QPainter& painter, const Page& page, const Runner& runner)
{
    const std::optional<double> y = runnerY(page.layout, runner);
    if (!y)
        return;
    double alpha = 1;
    if (runner.progress > 1) {
        // Over time: a pulse of one cycle a second between 0.35 and 1.
        alpha = 0.35 + 0.65 * (std::sin(2 * std::numbers::pi * runner.time) + 1) / 2;
    }
    const double ratio = deviceRatio(painter);
    const double x0 = snapped(xOffset(page.canvasSize.width(), page.textWidth), ratio);
    const QColor red = SemanticColors::red(page.isDark);

    painter.save();
    clipToReadingArea(painter, page, page.readingBottom.value_or(0));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(x0, -page.scrollY);
    const double lineTop = std::max(0.0, page.scrollY - 1);
    if (*y > lineTop) {
        painter.setPen(hairline(red, 2));
        painter.drawLine(QPointF(runnerX, lineTop), QPointF(runnerX, *y));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(SemanticColors::withOpacity(red, alpha));
    painter.drawEllipse(QPointF(runnerX, *y), dotRadius, dotRadius);

    // The blurred glow: full within the disc less the blur, fading to nothing beyond it.
    const double outer = glowRadius + glowBlur;
    QRadialGradient glow(QPointF(runnerX, *y), outer);
    const QColor glowColour = SemanticColors::withOpacity(red, alpha * 0.4);
    glow.setColorAt(0, glowColour);
    glow.setColorAt((glowRadius - glowBlur) / outer, glowColour);
    glow.setColorAt(1, SemanticColors::withOpacity(red, 0));
    painter.setBrush(glow);
    painter.drawEllipse(QPointF(runnerX, *y), outer, outer);
    painter.restore();
}

} // namespace kestrion
