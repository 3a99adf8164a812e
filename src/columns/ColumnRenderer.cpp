#include "columns/ColumnRenderer.h"

#include "columns/ColumnAnimator.h"
#include "columns/ColumnMetrics.h"
#include "columns/ColumnWrapCache.h"
#include "columns/LiveColumnLayout.h"
#include "platform/EmojiText.h"
#include "platform/Signposter.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QStaticText>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

using AdjustedColumn = CollapseResolver::AdjustedColumn;

constexpr qreal line = ColumnMetrics::lineHeight;
constexpr qreal inset = ColumnMetrics::textInset;

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

// Horizontal and vertical lines one point thick, as filled rectangles. A fill taller than
// about a hundred device rows is spread over the raster engine's threads, which for a hairline
// costs far more than it saves; vertical lines go in pieces short enough to stay on this one.
void drawHairlines(QPainter& painter, const QList<QLineF>& lines, const QColor& color)
{
    constexpr qreal piece = 32;
    for (const QLineF& line : lines) {
        if (line.y1() == line.y2()) {
            painter.fillRect(QRectF(std::min(line.x1(), line.x2()), line.y1() - 0.5, std::abs(line.dx()), 1), color);
            continue;
        }
        const qreal bottom = std::max(line.y1(), line.y2());
        for (qreal top = std::min(line.y1(), line.y2()); top < bottom; top += piece)
            painter.fillRect(QRectF(line.x1() - 0.5, top, 1, std::min(piece, bottom - top)), color);
    }
}

// What one drawing needs, worked out once.
struct Context {
    const ColumnScene& scene;
    const LiveColumnLayout& layout;
    const ColumnAnimator& shown;
    qreal panX;
    qreal panY;
    // The visible rectangle in layout coordinates.
    QRectF visible;
    QHash<qint64, AdjustedColumn> adjusted;
    QHash<qint64, AdjustedColumn> collapsed;
    QSet<qint64> rotated;
    QFont fonts[2];
    qreal ascents[2];

    explicit Context(const ColumnScene& s)
        : scene(s)
        , layout(*s.layout)
        , shown(*s.shown)
        , panX(s.panOffset.x())
        , panY(s.panOffset.y())
        , visible(-s.panOffset.x(), -s.panOffset.y(), s.viewportSize.width(), s.viewportSize.height())
    {
        for (const AdjustedColumn& column : s.adjustedColumns) {
            adjusted.insert(column.column, column);
            if (column.isRotated || column.displayWidth < fullWidth(column.column))
                collapsed.insert(column.column, column);
            if (column.isRotated)
                rotated.insert(column.column);
        }
        for (int bold = 0; bold < 2; ++bold) {
            fonts[bold] = ColumnMetrics::font(bold != 0);
            ascents[bold] = QFontMetricsF(fonts[bold]).ascent();
        }
    }

    bool hasEdge(qint64 index) const { return index >= 0 && index < static_cast<qint64>(layout.columnXEdges().size()); }
    qreal edge(qint64 index) const { return layout.columnXEdges()[static_cast<size_t>(index)]; }
    qreal fullWidth(qint64 column) const
    {
        return hasEdge(column + 1) && column >= 0 ? edge(column + 1) - edge(column) : 0;
    }
    // The column's left edge on screen.
    std::optional<qreal> viewX(qint64 column) const
    {
        if (const auto it = adjusted.constFind(column); it != adjusted.cend())
            return it->xOrigin;
        if (hasEdge(column))
            return edge(column) + panX;
        return std::nullopt;
    }
    bool isSelected(const QUuid& id) const { return scene.selectedNodeID == id; }
    bool isEdited(const QUuid& id) const { return scene.editingNodeID == id; }
    std::optional<QUuid> stickyNode(qint64 column) const
    {
        const auto it = scene.stickyStates.constFind(column);
        return it == scene.stickyStates.cend() ? std::nullopt : std::optional<QUuid>(it->nodeID);
    }
    // The width a node's text is wrapped at: its column's, as the layout wrapped it.
    qreal wrapWidth(const ColumnNodeFrame& frame) const
    {
        const qreal width = fullWidth(frame.column);
        return width > 0 ? width : frame.size.width();
    }
};

// Ink that fades out from opaque at one point to clear at another.
QPen fadingPen(const QColor& ink, const QPointF& opaque, const QPointF& clear)
{
    QLinearGradient gradient(opaque, clear);
    gradient.setColorAt(0, ink);
    gradient.setColorAt(1, withOpacity(ink, 0));
    return QPen(QBrush(gradient), 1);
}

// The lines of a node's text from (x, top), inside the painter's clip. Text cut off by the
// clip's right edge fades out over its last 14 points, and with a bottom given, text fades out
// over the 14 points above it. The fades act on the text's own ink, whatever lies beneath.
void drawLines(QPainter& painter, const Context& c, const SermonNode& node, qreal wrapWidth, qint64 column, qreal x,
    qreal top, bool fadesRight, std::optional<qreal> fadeBottom = std::nullopt)
{
    const bool bold = column == 0;
    const QList<WrappedLine>& lines = c.scene.wrapCache->lines(node.id(), node.text(), wrapWidth, bold);
    const QList<QStaticText>& drawn = c.scene.wrapCache->drawnLines(node.id(), node.text(), wrapWidth, bold);
    const QPen solid(c.scene.textColor);
    painter.setFont(c.fonts[bold ? 1 : 0]);
    const QRectF clip = painter.clipBoundingRect();
    const qreal depth = ColumnRenderer::fadeDepth;
    for (qsizetype i = 0; i < lines.size() && i < drawn.size(); ++i) {
        const qreal y = top + lines[i].yOffset + ColumnMetrics::textTop;
        if (y > clip.bottom())
            break;
        if (y + line < clip.top() || lines[i].string.isEmpty())
            continue;
        if (fadeBottom && y + line > *fadeBottom - depth)
            painter.setPen(fadingPen(c.scene.textColor, QPointF(x, *fadeBottom - depth), QPointF(x, *fadeBottom)));
        else if (fadesRight && x + drawn[i].size().width() > clip.right() - depth)
            painter.setPen(fadingPen(c.scene.textColor, QPointF(clip.right() - depth, y), QPointF(clip.right(), y)));
        else
            painter.setPen(solid);
        if (EmojiText::needsEmojiFont(lines[i].string))
            EmojiText::drawLine(painter, QPointF(x, y + c.ascents[bold ? 1 : 0]), lines[i].string);
        else
            painter.drawStaticText(QPointF(x, y), drawn[i]);
    }
}

// Node text clipped to a rectangle; cut-off lines fade at the right unless it is selected.
void drawClippedText(QPainter& painter, const Context& c, const SermonNode& node, qreal wrapWidth, qint64 column,
    const QRectF& clip, qreal textX, qreal top, std::optional<qreal> fadeBottom = std::nullopt)
{
    if (clip.width() <= 0 || clip.height() <= 0)
        return;
    painter.save();
    painter.setClipRect(clip);
    drawLines(painter, c, node, wrapWidth, column, textX, top, !c.isSelected(node.id()), fadeBottom);
    painter.restore();
}

int drawRuledLines(QPainter& painter, const Context& c, qreal contentHeight)
{
    const qint64 first = std::max<qint64>(static_cast<qint64>(std::floor(c.visible.top() / line)), 1);
    const qint64 last = static_cast<qint64>(std::ceil(c.visible.bottom() / line));
    if (first > last)
        return 0;
    QList<QLineF> lines;
    for (qint64 column = 0; column < c.layout.columnCount(); ++column) {
        if (c.rotated.contains(column))
            continue;
        qreal x0;
        qreal x1;
        if (const auto it = c.adjusted.constFind(column); it != c.adjusted.cend()) {
            x0 = it->xOrigin + inset;
            x1 = it->xOrigin + it->displayWidth - inset;
        } else if (c.hasEdge(column + 1)) {
            x0 = c.edge(column) + inset + c.panX;
            x1 = c.edge(column + 1) - inset + c.panX;
        } else {
            continue;
        }
        if (x1 <= x0 || x1 < 0 || x0 > c.visible.width())
            continue;
        const auto sticky = c.scene.stickyStates.constFind(column);
        for (qint64 k = first; k <= last; ++k) {
            const qreal y = line * static_cast<qreal>(k);
            if (y >= contentHeight)
                break;
            if (sticky != c.scene.stickyStates.cend() && sticky->naturalOriginY <= y && y <= sticky->subtreeBottomY)
                continue;
            lines.append(QLineF(x0, y + c.panY, x1, y + c.panY));
        }
    }
    drawHairlines(painter, lines, withOpacity(c.scene.primaryColor, ColumnRenderer::ruledLineOpacity));
    return static_cast<int>(lines.size());
}

void drawSelectionBand(QPainter& painter, const Context& c)
{
    if (!c.scene.selectedNodeID)
        return;
    const std::optional<ColumnNodeFrame> frame = c.shown.frame(*c.scene.selectedNodeID);
    if (!frame || !c.hasEdge(frame->column + 1))
        return;
    qreal x;
    qreal width;
    if (const auto it = c.adjusted.constFind(frame->column); it != c.adjusted.cend()) {
        x = it->xOrigin;
        width = it->displayWidth;
    } else {
        x = c.edge(frame->column) + c.panX;
        width = c.fullWidth(frame->column);
    }
    // Held to the viewport: a subtree may be thousands of lines tall.
    const QRectF band = QRectF(x, frame->subtreeTop + c.panY, width, frame->subtreeBottom - frame->subtreeTop)
                            .intersected(QRectF(QPointF(0, 0), c.scene.viewportSize));
    if (!band.isEmpty())
        painter.fillRect(band, withOpacity(c.scene.accentColor, ColumnRenderer::bandOpacity));
}

int drawOrdinaryNodes(QPainter& painter, const Context& c)
{
    int drawn = 0;
    for (qint64 column = 0; column < c.layout.columnCount(); ++column) {
        if (c.collapsed.contains(column))
            continue;
        const std::optional<QUuid> sticky = c.stickyNode(column);
        c.shown.forEachInRows(column, c.visible.top(), c.visible.bottom(), [&](const ColumnNodeFrame& frame) {
            if (c.isEdited(frame.nodeID) || sticky == frame.nodeID)
                return;
            if (!QRectF(frame.origin, frame.size).intersects(c.visible))
                return;
            const SermonNodePtr node = c.layout.node(frame.nodeID);
            const std::optional<qreal> x = c.viewX(frame.column);
            if (!node || !x)
                return;
            const QRectF clip(*x + inset, frame.origin.y() + c.panY, frame.size.width() - inset, frame.size.height());
            drawClippedText(
                painter, c, *node, c.wrapWidth(frame), frame.column, clip, *x + inset, frame.origin.y() + c.panY);
            ++drawn;
        });
    }
    return drawn;
}

int drawStickyHeaders(QPainter& painter, const Context& c)
{
    int drawn = 0;
    for (const ColumnStickyState& state : c.scene.stickyStates) {
        if (c.isEdited(state.nodeID) || c.rotated.contains(state.column) || state.pinnedTextY >= state.subtreeBottomY)
            continue;
        const std::optional<ColumnNodeFrame> frame = c.shown.frame(state.nodeID);
        const SermonNodePtr node = c.layout.node(state.nodeID);
        const std::optional<qreal> x = c.viewX(state.column);
        if (!frame || !node || !x)
            continue;
        qreal width = frame->size.width();
        if (const auto it = c.collapsed.constFind(state.column); it != c.collapsed.cend())
            width = it->displayWidth;
        const QRectF clip(*x, state.pinnedTextY + c.panY, width, state.subtreeBottomY - state.pinnedTextY);
        // A subtree that ends inside the pinned text fades it out at its bottom.
        std::optional<qreal> fadeBottom;
        if (state.subtreeBottomY < state.pinnedTextY + state.textHeight)
            fadeBottom = state.subtreeBottomY + c.panY;
        drawClippedText(painter, c, *node, c.wrapWidth(*frame), state.column, clip, *x + inset,
            state.pinnedTextY + c.panY, fadeBottom);
        ++drawn;
    }
    return drawn;
}

bool isOutsideVisibleRows(const Context& c, qreal top, qreal bottom)
{
    return c.visible.top() >= bottom || top >= c.visible.bottom();
}

int drawPartlyCollapsedColumns(QPainter& painter, const Context& c)
{
    int drawn = 0;
    for (const AdjustedColumn& column : c.collapsed) {
        if (column.isRotated)
            continue;
        const qreal textX = column.xOrigin + inset;
        const qreal clipWidth = std::max(column.displayWidth - inset, qreal(0));
        const std::optional<QUuid> sticky = c.stickyNode(column.column);
        c.shown.forEachInRows(column.column, c.visible.top(), c.visible.bottom(), [&](const ColumnNodeFrame& frame) {
            if (c.isEdited(frame.nodeID) || sticky == frame.nodeID)
                return;
            if (isOutsideVisibleRows(c, frame.origin.y(), frame.subtreeBottom))
                return;
            const SermonNodePtr node = c.layout.node(frame.nodeID);
            if (!node)
                return;
            // Wrapped at the full width: the lines keep their breaks while the column narrows.
            const QRectF clip(textX, frame.origin.y() + c.panY, clipWidth, frame.subtreeBottom - frame.origin.y());
            drawClippedText(
                painter, c, *node, c.wrapWidth(frame), column.column, clip, textX, frame.origin.y() + c.panY);
            ++drawn;
        });
    }
    return drawn;
}

void drawRotatedHeader(
    QPainter& painter, const Context& c, const AdjustedColumn& column, const SermonNode& node, qreal top, qreal bottom)
{
    const int bold = column.column == 0 ? 1 : 0;
    // One line, however many the node has: a strip has room for one.
    QString text = node.text();
    for (QChar& ch : text) {
        if (ch == u'\u2028' || ch == u'\n' || ch == u'\r' || ch == u'\u2029')
            ch = u' ';
    }
    const QFontMetricsF metrics(c.fonts[bold]);
    const qreal textWidth = EmojiText::horizontalAdvance(c.fonts[bold], metrics, text);
    const qreal textHeight = metrics.height();
    const qreal available = std::max(bottom - top - line, qreal(0));
    const qreal centreX = column.xOrigin + column.displayWidth / 2;
    const QRectF clip(column.xOrigin + inset, top + c.panY, column.displayWidth - 2 * inset,
        std::max(bottom - inset - top, qreal(0)));
    if (clip.width() <= 0 || clip.height() <= 0)
        return;
    painter.save();
    painter.setClipRect(clip);
    painter.save();
    painter.translate(centreX, top + inset + c.panY);
    painter.rotate(-90);
    painter.setFont(c.fonts[bold]);
    // Cut at the top: the text fades in over the strip's top 14 points, which lie 14 to 0
    // points along the turned text's way.
    if (available < textWidth)
        painter.setPen(fadingPen(c.scene.textColor, QPointF(0, 0), QPointF(ColumnRenderer::fadeDepth, 0)));
    else
        painter.setPen(c.scene.textColor);
    EmojiText::drawLine(painter, QPointF(-std::min(textWidth, available), -textHeight / 2 + c.ascents[bold]), text);
    painter.restore();
    painter.restore();
}

int drawRotatedStrips(QPainter& painter, const Context& c)
{
    int drawn = 0;
    const QColor dotColor = withOpacity(c.scene.primaryColor, ColumnRenderer::separatorOpacity);
    for (const AdjustedColumn& column : c.collapsed) {
        if (!column.isRotated)
            continue;
        const qreal dotX = column.xOrigin + column.displayWidth / 2 - ColumnRenderer::dotSize / 2;
        const auto sticky = c.scene.stickyStates.constFind(column.column);
        c.shown.forEachInRows(column.column, c.visible.top(), c.visible.bottom(), [&](const ColumnNodeFrame& frame) {
            const SermonNodePtr node = c.layout.node(frame.nodeID);
            if (!node || isOutsideVisibleRows(c, frame.subtreeTop, frame.subtreeBottom))
                return;
            if (node->hasChildren()) {
                if (c.isEdited(frame.nodeID))
                    return;
                qreal top = frame.subtreeTop;
                if (sticky != c.scene.stickyStates.cend() && sticky->nodeID == frame.nodeID)
                    top = sticky->pinnedTextY;
                drawRotatedHeader(painter, c, column, *node, top, frame.subtreeBottom);
                ++drawn;
                return;
            }
            // A leaf: one dot on each of its lines.
            const qint64 count = std::max<qint64>(static_cast<qint64>(frame.size.height() / line), 1);
            painter.setPen(Qt::NoPen);
            painter.setBrush(dotColor);
            painter.setRenderHint(QPainter::Antialiasing, true);
            for (qint64 k = 0; k < count; ++k) {
                const qreal y
                    = frame.subtreeTop + line * static_cast<qreal>(k) + line / 2 + c.panY - ColumnRenderer::dotSize / 2;
                painter.drawEllipse(QRectF(dotX, y, ColumnRenderer::dotSize, ColumnRenderer::dotSize));
            }
            painter.setRenderHint(QPainter::Antialiasing, false);
        });
    }
    return drawn;
}

void drawColumnSeparators(QPainter& painter, const Context& c)
{
    const qreal width = c.scene.viewportSize.width();
    const qreal height = c.scene.viewportSize.height();
    QList<QLineF> lines;
    const auto visibleX = [width](qreal x) { return x >= -1 && x <= width + 1; };
    if (!c.scene.adjustedColumns.empty()) {
        for (const AdjustedColumn& column : c.scene.adjustedColumns) {
            const qreal x = column.xOrigin + column.displayWidth;
            if (visibleX(x))
                lines.append(QLineF(x, 0, x, height));
        }
    } else {
        for (qint64 column = 0; column < c.layout.columnCount() && c.hasEdge(column + 1); ++column) {
            const qreal x = c.edge(column + 1) + c.panX;
            if (visibleX(x))
                lines.append(QLineF(x, 0, x, height));
        }
    }

    // Under each node with a next sibling, across every column either sibling's subtree reaches.
    const auto separate = [&](const ColumnNodeFrame& frame) {
        const std::optional<QUuid> next = c.layout.nextSiblingID(frame.nodeID);
        if (!next)
            return;
        const qreal y = frame.subtreeBottom + c.panY;
        if (y < -1 || y > height + 1)
            return;
        const std::optional<qreal> x = c.viewX(frame.column);
        if (!x)
            return;
        const qreal left = *x + inset;
        const qint64 rightA = c.layout.subtreeRightmost(frame.nodeID).value_or(frame.column);
        const qint64 rightB = c.layout.subtreeRightmost(*next).value_or(rightA);
        const qint64 rightmost = std::max(rightA, rightB);
        qreal right;
        if (const auto column = c.adjusted.constFind(rightmost); column != c.adjusted.cend())
            right = column->xOrigin + column->displayWidth - inset;
        else if (c.hasEdge(rightmost + 1))
            right = c.edge(rightmost + 1) - inset + c.panX;
        else
            return;
        if (right > left)
            lines.append(QLineF(left, y, right, y));
    };
    for (qint64 column = 0; column < c.layout.columnCount(); ++column)
        c.shown.forEachInRows(column, -1 - c.panY, height + 1 - c.panY, separate);
    drawHairlines(painter, lines, withOpacity(c.scene.primaryColor, ColumnRenderer::separatorOpacity));
}

} // namespace

QSet<qint64> ColumnRenderer::rotatedColumnSet(const std::vector<CollapseResolver::AdjustedColumn>& adjusted)
{
    QSet<qint64> rotated;
    for (const AdjustedColumn& column : adjusted) {
        if (column.isRotated)
            rotated.insert(column.column);
    }
    return rotated;
}

ColumnRenderer::Stats ColumnRenderer::drawColumnCanvas(QPainter& painter, const ColumnScene& scene)
{
    Stats stats;
    if (!scene.layout || !scene.shown || !scene.wrapCache || scene.layout->columnCount() < 1)
        return stats;
    SignpostIntervalState interval = performanceSignposter().beginInterval("ColumnDraw");
    const Context c(scene);
    painter.save();
    stats.ruledLines = drawRuledLines(painter, c, c.layout.totalSize().height());
    drawSelectionBand(painter, c);
    stats.texts += drawOrdinaryNodes(painter, c);
    stats.texts += drawStickyHeaders(painter, c);
    stats.texts += drawPartlyCollapsedColumns(painter, c);
    stats.texts += drawRotatedStrips(painter, c);
    drawColumnSeparators(painter, c);
    painter.restore();
    endSignpostInterval("ColumnDraw", interval);
    return stats;
}

} // namespace kestrion
