#include "mindmap/MinimapRenderer.h"

#include "mindmap/CanvasGeometry.h"
#include "platform/EmojiText.h"
#include "platform/Signposter.h"
#include "platform/Typography.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <vector>

namespace kestrion {

namespace {

QColor ink(const QColor& base, qreal opacity)
{
    QColor colour = base;
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}

QPointF rightMiddle(const NodeLayout& l)
{
    return { l.origin.x() + l.size.width(), l.origin.y() + l.size.height() / 2 };
}

QPointF leftMiddle(const NodeLayout& l)
{
    return { l.origin.x(), l.origin.y() + l.size.height() / 2 };
}

// Everything one render draws with, on the render's own thread.
struct Pass {
    const MinimapRenderer::Input& input;
    const MinimapRenderer::CancelCheck& isCancelled;
    QPainter& painter;
    QColor base;
    qreal k;

    bool cancelled() const { return isCancelled && isCancelled(); }
};

// Straight lines from a parent to each laid-out child; a parent of leaves only gets a
// bracket instead. Walks the snapshot without recursion.
void drawConnectors(Pass& pass)
{
    const TreeNodeSnapshot& tree = pass.input.root;
    const NodeLayoutMap& layouts = pass.input.layouts;
    if (tree.isEmpty() || layouts.isEmpty())
        return;
    std::vector<QLineF> lines;
    std::vector<qsizetype> stack { 0 };
    while (!stack.empty()) {
        const qsizetype index = stack.back();
        stack.pop_back();
        const TreeNodeSnapshot::Node& node = tree.node(index);
        const auto parent = layouts.constFind(node.id);
        if (node.isCollapsed || !tree.hasCopiedChildren(index) || parent == layouts.cend())
            continue;
        // Leaf children draw nothing of their own; the bracket pass marks the group.
        if (node.hasOnlyLeafChildren)
            continue;
        const QPointF start = rightMiddle(parent.value());
        bool stop = false;
        tree.forEachChild(index, [&](qsizetype child) {
            if (stop || (stop = pass.cancelled()))
                return;
            const auto layout = layouts.constFind(tree.node(child).id);
            if (layout == layouts.cend())
                return;
            lines.emplace_back(start, leftMiddle(layout.value()));
            stack.push_back(child);
        });
        if (stop)
            return;
    }
    pass.painter.setPen(QPen(ink(pass.base, 0.3), 0.5));
    pass.painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

void drawBrackets(Pass& pass)
{
    const TreeNodeSnapshot& tree = pass.input.root;
    const NodeLayoutMap& layouts = pass.input.layouts;
    if (tree.isEmpty())
        return;
    std::vector<QLineF> lines;
    std::vector<qsizetype> stack { 0 };
    while (!stack.empty()) {
        const qsizetype index = stack.back();
        stack.pop_back();
        const TreeNodeSnapshot::Node& node = tree.node(index);
        if (node.isCollapsed)
            continue;
        tree.forEachChild(index, [&](qsizetype child) { stack.push_back(child); });
        const auto parent = layouts.constFind(node.id);
        if (!node.hasOnlyLeafChildren || parent == layouts.cend())
            continue;
        std::optional<qreal> first;
        qreal last = 0;
        tree.forEachChild(index, [&](qsizetype child) {
            const auto layout = layouts.constFind(tree.node(child).id);
            if (layout == layouts.cend())
                return;
            const qreal middle = layout->origin.y() + layout->size.height() / 2;
            if (!first)
                first = middle;
            last = middle;
        });
        if (!first)
            continue;
        const QPointF from = rightMiddle(parent.value());
        const qreal x = from.x() + 8;
        lines.emplace_back(QPointF(x, *first), QPointF(x, last));
        lines.emplace_back(from, QPointF(x, (*first + last) / 2));
    }
    pass.painter.setPen(QPen(ink(pass.base, 0.25), 0.5));
    pass.painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

// One font per text size; the sizes depend on the depth alone, so a render has at most three.
struct TextFont {
    QFont font;
    QFontMetricsF metrics;
    qreal ellipsisWidth;
};

// The text of one box, on a line, cut with "…" to the box less 8 points, drawn in device
// pixels so the glyphs are sharp at any scale. Text taller than its box is not drawn.
void drawText(Pass& pass, const NodeLayout& layout, const QString& stored, std::vector<std::optional<TextFont>>& fonts)
{
    const qreal size = MinimapRenderer::textSize(layout.depth, pass.k);
    if (!(size <= layout.size.height()))
        return;
    const qreal available = (layout.size.width() - 8) * pass.k;
    if (!(available > 0))
        return;
    const size_t slot = static_cast<size_t>(std::min<qint64>(std::max<qint64>(layout.depth, 0), 2));
    std::optional<TextFont>& cached = fonts[slot];
    if (!cached) {
        const QFont font = Typography::systemFont(size * pass.k, Typography::nodeFontWeight(layout.depth));
        const QFontMetricsF metrics(font);
        cached = TextFont { font, metrics, metrics.horizontalAdvance(QChar(u'\u2026')) };
    }
    // Not even the ellipsis fits: nothing to measure.
    if (available < cached->ellipsisWidth)
        return;
    QString text = stored;
    text.replace(QChar(u'\u2028'), QChar(u' '));
    text.replace(QChar(u'\n'), QChar(u' '));
    if (EmojiText::horizontalAdvance(cached->font, cached->metrics, text) > available)
        text = cached->metrics.elidedText(text, Qt::ElideRight, available);
    if (text.isEmpty())
        return;
    const QRectF& bounds = pass.input.contentBounds;
    const QPointF baseline((layout.origin.x() + 4 - bounds.x()) * pass.k,
        (layout.origin.y() + layout.size.height() / 2 - bounds.y()) * pass.k + cached->metrics.ascent() * 0.35);
    pass.painter.setFont(cached->font);
    EmojiText::drawLine(pass.painter, baseline, text);
}

void drawNodes(Pass& pass)
{
    const NodeLayoutMap& layouts = pass.input.layouts;
    const TreeNodeSnapshot& tree = pass.input.root;
    const QHash<QUuid, qsizetype> byID = tree.indexByID();
    const QTransform content = pass.painter.transform();
    std::vector<std::optional<TextFont>> fonts(3);
    std::vector<QLineF> underlines;
    // Boxes grouped by depth class (0, 1, 2, deeper), each drawn as one path.
    std::array<QPainterPath, 4> boxes;
    std::vector<std::pair<const NodeLayout*, qsizetype>> texts;
    texts.reserve(static_cast<size_t>(layouts.size()));

    qint64 count = 0;
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it) {
        if (++count % MinimapRenderer::cancelCheckInterval == 0 && pass.cancelled())
            return;
        const NodeLayout& l = it.value();
        const QRectF box(l.origin, l.size);
        if (l.isLeaf)
            underlines.emplace_back(QPointF(box.left(), box.bottom() - 2), QPointF(box.right(), box.bottom() - 2));
        else
            boxes[static_cast<size_t>(std::min<qint64>(std::max<qint64>(l.depth, 0), 3))].addRoundedRect(box, 6, 6);
        const auto found = byID.constFind(l.nodeID);
        if (found != byID.cend() && !tree.node(found.value()).text.isEmpty())
            texts.emplace_back(&l, found.value());
    }

    QPainter& painter = pass.painter;
    painter.setPen(QPen(ink(pass.base, 0.3), 0.5));
    painter.drawLines(underlines.data(), static_cast<int>(underlines.size()));
    for (size_t depth = 0; depth < boxes.size(); ++depth) {
        if (boxes[depth].isEmpty())
            continue;
        const qreal a = boxEmphasis(static_cast<qint64>(depth));
        boxes[depth].setFillRule(Qt::WindingFill);
        painter.fillPath(boxes[depth], ink(pass.base, a * 0.1));
        painter.strokePath(boxes[depth], QPen(ink(pass.base, a), depth == 0 ? 2 : 1));
    }

    if (pass.cancelled())
        return;
    painter.setTransform(QTransform());
    painter.setPen(ink(pass.base, 0.85));
    qint64 drawn = 0;
    for (const auto& [layout, index] : texts) {
        if (++drawn % MinimapRenderer::cancelCheckInterval == 0 && pass.cancelled())
            break;
        drawText(pass, *layout, tree.node(index).text, fonts);
    }
    painter.setTransform(content);
}

} // namespace

qreal MinimapRenderer::textSize(qint64 depth, qreal k)
{
    if (!(k > 0.0001))
        return 20000;
    return std::max(Typography::nodeFontSize(depth), minimumTextPixels / k);
}

std::optional<QImage> MinimapRenderer::renderMinimap(const Input& input, const CancelCheck& isCancelled)
{
    const QSizeF pixels = input.pixelSize;
    const QRectF& bounds = input.contentBounds;
    // Cut toward zero; sizes beyond any screen are refused rather than allocated.
    const auto width = static_cast<int>(std::clamp<qreal>(pixels.width(), 0, 16384));
    const auto height = static_cast<int>(std::clamp<qreal>(pixels.height(), 0, 16384));
    SignpostIntervalState interval = performanceSignposter().beginInterval("MinimapRender",
        [&] { return QStringLiteral("px=%1x%2 nodes=%3").arg(width).arg(height).arg(input.layouts.size()); });
    auto finish = [&](std::optional<QImage> image) {
        endSignpostInterval("MinimapRender", interval);
        return image;
    };

    if (!(pixels.width() > 0 && pixels.height() > 0 && bounds.width() > 0 && bounds.height() > 0) || width < 1
        || height < 1 || !std::isfinite(bounds.x()) || !std::isfinite(bounds.y()))
        return finish(std::nullopt);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return finish(std::nullopt);
    // What is not drawn stays transparent, so the panel shows through.
    image.fill(Qt::transparent);

    const qreal k = std::min(pixels.width() / bounds.width(), pixels.height() / bounds.height());
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(k, k);
        painter.translate(-bounds.x(), -bounds.y());
        Pass pass { input, isCancelled, painter, input.isDark ? QColor(Qt::white) : QColor(Qt::black), k };
        drawConnectors(pass);
        if (!pass.cancelled())
            drawBrackets(pass);
        if (!pass.cancelled())
            drawNodes(pass);
    }
    if (isCancelled && isCancelled())
        return finish(std::nullopt);
    return finish(std::move(image));
}

} // namespace kestrion
