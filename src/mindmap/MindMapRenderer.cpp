#include "mindmap/MindMapRenderer.h"

#include "document/SearchMatching.h"
#include "mindmap/CanvasGeometry.h"
#include "mindmap/ShownTextLine.h"
#include "mindmap/TextBitmapCache.h"
#include "mindmap/TextBitmapKey.h"
#include "platform/Appearance.h"
#include "platform/Signposter.h"
#include "platform/Typography.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace kestrion {

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QRectF frameOf(const NodeLayout& layout)
{
    return QRectF(layout.origin, layout.size);
}

bool isLeafChild(const SermonNodePtr& node)
{
    return !node->hasChildren();
}

} // namespace

QColor MindMapRenderer::inkColor(bool isDark)
{
    return Appearance::inkColor(isDark);
}

QColor MindMapRenderer::orangeColor(bool isDark)
{
    return isDark ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

MindMapRenderer::MindMapRenderer()
    : m_foldFont(Typography::systemFont(11, QFont::Medium, FontDesign::Monospaced))
    , m_badgeFont(Typography::systemFont(9, QFont::Normal))
{
}

QString MindMapRenderer::readingTimeText(qint64 words, qint64 wordsPerMinute)
{
    const qint64 pace = std::max<qint64>(wordsPerMinute, 1);
    const qint64 minutes = std::max<qint64>((words + pace - 1) / pace, 1);
    return QStringLiteral("%1 min").arg(minutes);
}

NodeLayoutMap MindMapRenderer::displayLayouts(const NodeLayoutMap& layouts, const QHash<QUuid, QPointF>& offsets)
{
    if (offsets.isEmpty())
        return layouts;
    NodeLayoutMap moved = layouts;
    for (auto it = offsets.cbegin(); it != offsets.cend(); ++it) {
        auto layout = moved.find(it.key());
        if (layout != moved.end())
            layout->origin += it.value();
    }
    return moved;
}

MindMapRenderer::Stats MindMapRenderer::render(
    QPainter& painter, const QSizeF& size, const Scene& scene, const QRectF& exposed)
{
    Signposter& signposter = performanceSignposter();
    const NodeLayoutMap& cached = *scene.layouts;
    SignpostIntervalState draw = signposter.beginInterval("CanvasDraw", [&] {
        return QStringLiteral("nodes=%1 scale=%2").arg(cached.size()).arg(QString::asprintf("%.2f", scene.scale));
    });

    // A small repaint (the editor's caret, a node's outline) draws only what reaches it.
    const QRectF visible
        = visibleContentRect(scene.panOffset, scene.scale, exposed.isValid() ? exposed : QRectF(QPointF(), size));
    // Most frames have nothing moving: draw from the cached layouts without copying them.
    NodeLayoutMap moved;
    const bool isMoving = scene.nodeAnimOffsets && !scene.nodeAnimOffsets->isEmpty();
    if (isMoving)
        moved = displayLayouts(cached, *scene.nodeAnimOffsets);
    const NodeLayoutMap& layouts = isMoving ? moved : cached;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(scene.panOffset);
    painter.scale(scene.scale, scene.scale);

    Stats stats;
    // Gliding nodes are drawn away from the layouts the branch bounds hold.
    const bool pruning = !isMoving && scene.layoutGeneration && scene.root && !cached.isEmpty()
        && cached.branchBounds(cached.cbegin());
    std::vector<QUuid> reached;
    SignpostIntervalState connections = signposter.beginInterval("drawConnections");
    stats.connectors = drawConnectorTree(painter, scene, layouts, visible, pruning, &reached);
    endSignpostInterval("drawConnections", connections);

    SignpostIntervalState nodes = signposter.beginInterval("drawNodes");
    stats.drawn = drawNodeLayer(painter, scene, layouts, visible, pruning ? &reached : nullptr);
    endSignpostInterval("drawNodes", nodes);

    signposter.emitEvent("DrawStats", [&] {
        return QStringLiteral("conn=%1 drawn=%2 total=%3 scale=%4 cache=%5")
            .arg(stats.connectors)
            .arg(stats.drawn)
            .arg(cached.size())
            .arg(QString::asprintf("%.2f", scene.scale))
            .arg(scene.textCache ? static_cast<qint64>(scene.textCache->entries().size()) : 0);
    });

    drawGhosts(painter, scene, visible);
    if (scene.dragNodeID && scene.dropTarget)
        drawDropIndicator(painter, scene, layouts);
    if (scene.lassoRect)
        drawLasso(painter, scene, *scene.lassoRect);

    painter.restore();
    endSignpostInterval("CanvasDraw", draw);
    return stats;
}

int MindMapRenderer::drawConnectorTree(QPainter& painter, const Scene& scene, const NodeLayoutMap& layouts,
    const QRectF& visible, bool pruning, std::vector<QUuid>* reached)
{
    if (!scene.root || layouts.isEmpty())
        return 0;
    const QColor ink = inkColor(scene.isDark);
    QPen pen(ink, 1);
    // Flat ends: the pieces of a fan meet end to end without overlapping.
    QPen fanPen(ink, 1, Qt::SolidLine, Qt::FlatCap);
    std::vector<ConnectorEnd> ends;
    painter.setBrush(Qt::NoBrush);
    int count = 0;
    // Iterative: a tree nested thousands of levels deep must not exhaust the stack.
    std::vector<SermonNode*> stack { scene.root.get() };
    while (!stack.empty()) {
        SermonNode* node = stack.back();
        stack.pop_back();
        const auto parentIt = layouts.constFind(node->id());
        if (pruning) {
            if (parentIt == layouts.cend())
                continue;
            // A branch wholly out of view: counted as walked, skipped with all it holds.
            const BranchBounds* branch = layouts.branchBounds(parentIt);
            if (!branch || !branch->bounds.intersects(visible)) {
                count += branch ? branch->parents : 0;
                continue;
            }
            reached->push_back(node->id());
        }
        if (node->isCollapsed() || !node->hasChildren())
            continue;
        if (parentIt == layouts.cend())
            continue;
        const NodeLayout& parent = parentIt.value();
        const auto& children = node->children();
        ++count;

        if (node->hasOnlyLeafChildren() && children.size() >= 2) {
            const auto first = layouts.constFind(children.front()->id());
            const auto last = layouts.constFind(children.back()->id());
            if (first != layouts.cend() && last != layouts.cend()) {
                // The bracket's column beside the parent, checked before its path is made.
                const qreal spine = parent.origin.x() + parent.size.width() + 14;
                const QRectF reach(
                    QPointF(spine - 8, first->origin.y()), QPointF(spine + 8, last->origin.y() + last->size.height()));
                if (reach.intersects(visible)) {
                    pen.setColor(withAlpha(ink, bracketOpacity(parent.depth)));
                    painter.setPen(pen);
                    painter.drawPath(bracketPath(parent, first.value(), last.value()));
                }
            }
        } else {
            const qreal right = parent.origin.x() + parent.size.width();
            const qreal parentMid = parent.origin.y() + parent.size.height() * 0.5;
            ends.clear();
            for (const SermonNodePtr& child : children) {
                const auto childIt = layouts.constFind(child->id());
                if (childIt == layouts.cend())
                    continue;
                const NodeLayout& c = childIt.value();
                // Only the connectors that cross the view are stroked.
                const qreal top = std::min(parentMid, c.origin.y());
                const qreal bottom = std::max(parentMid, c.origin.y() + c.size.height());
                const qreal left = std::min(right, c.origin.x());
                const qreal far = std::max(right, c.origin.x() + 4);
                if (bottom < visible.top() || top > visible.bottom() || far < visible.left() || left > visible.right())
                    continue;
                ends.push_back({ QRectF(c.origin, c.size), isLeafChild(child) });
            }
            if (!ends.empty()) {
                // One stroke for all of them: elbows stroked one by one would lay their shared
                // trunk over itself once per child, darkening it into a bar.
                fanPen.setColor(withAlpha(ink, connectorOpacity(node->depth())));
                painter.setPen(fanPen);
                painter.drawPath(connectorFanPath(parent, ends, children.size() == 1));
            }
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(it->get());
    }
    return count;
}

int MindMapRenderer::drawNodeLayer(QPainter& painter, const Scene& scene, const NodeLayoutMap& layouts,
    const QRectF& visible, const std::vector<QUuid>* candidates)
{
    struct Shown {
        const QUuid* id;
        const NodeLayout* layout;
        bool selected;
    };
    std::vector<Shown> shown;
    int selectedCount = 0;
    auto consider = [&](const QUuid& id, const NodeLayout& layout) {
        if (scene.editingNodeID && *scene.editingNodeID == id)
            return;
        if (!frameOf(layout).intersects(visible))
            return;
        const bool selected = (scene.selectedNodeID && *scene.selectedNodeID == id)
            || (scene.selectedNodeIDs && scene.selectedNodeIDs->contains(id));
        selectedCount += selected ? 1 : 0;
        shown.push_back({ &id, &layout, selected });
    };
    if (candidates) {
        for (const QUuid& id : *candidates) {
            const auto it = layouts.constFind(id);
            if (it != layouts.cend())
                consider(id, it.value());
        }
    } else {
        for (auto it = layouts.cbegin(); it != layouts.cend(); ++it)
            consider(it.key(), it.value());
    }

    // The outlines of selected nodes drawn together keep clear of each other.
    std::vector<QRectF> outlines;
    if (selectedCount >= 2) {
        std::vector<QRectF> boxes;
        boxes.reserve(static_cast<size_t>(selectedCount));
        for (const Shown& node : shown) {
            if (node.selected)
                boxes.push_back(frameOf(*node.layout));
        }
        outlines = selectionOutlines(boxes);
    }

    size_t selectedIndex = 0;
    for (const Shown& node : shown) {
        const QUuid& id = *node.id;
        const bool isFadingIn = scene.fadeInNodeIDs && scene.fadeInNodeIDs->contains(id);
        if (isFadingIn)
            painter.setOpacity(scene.animationProgress);
        NodeStyle style;
        style.selected = node.selected;
        if (node.selected && !outlines.empty())
            style.selectionOutline = outlines[selectedIndex++];
        if (scene.isSearching && !scene.searchQuery.isEmpty() && scene.searchMatchSet
            && scene.searchMatchSet->contains(id)) {
            const SermonNodePtr found = scene.nodeLookup->value(id);
            style.matchRanges = SearchMatching::matchRanges(found ? found->text() : QString(), scene.searchQuery);
            style.isCurrentMatch = scene.currentMatchID && *scene.currentMatchID == id;
        }
        drawCanvasNode(painter, scene, *node.layout, frameOf(*node.layout), style);
        if (isFadingIn)
            painter.setOpacity(1);
    }
    return static_cast<int>(shown.size());
}

void MindMapRenderer::drawGhosts(QPainter& painter, const Scene& scene, const QRectF& visible)
{
    if (!scene.fadeOutGhosts || scene.fadeOutGhosts->isEmpty())
        return;
    painter.setOpacity(1 - scene.animationProgress);
    for (const GhostNode& ghost : *scene.fadeOutGhosts) {
        const QRectF frame = frameOf(ghost.layout);
        if (!frame.intersects(visible))
            continue;
        NodeStyle style;
        style.textOverride = &ghost.text;
        drawCanvasNode(painter, scene, ghost.layout, frame, style);
    }
    painter.setOpacity(1);
}

void MindMapRenderer::drawDropIndicator(QPainter& painter, const Scene& scene, const NodeLayoutMap& layouts)
{
    const SermonNodePtr parent = scene.nodeLookup->value(scene.dropTarget->parentID);
    const std::optional<IndicatorLine> line = dropIndicatorLine(*scene.dropTarget, parent, layouts);
    if (!line)
        return;
    painter.setPen(QPen(scene.accent, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(line->start, line->start + QPointF(line->width, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(scene.accent);
    painter.drawEllipse(QRectF(line->start.x() - 3, line->start.y() - 3, 6, 6));
}

void MindMapRenderer::drawLasso(QPainter& painter, const Scene& scene, const QRectF& rect)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(scene.accent, 0.08));
    painter.drawRoundedRect(rect, 2, 2);
    QPen pen(withAlpha(scene.accent, 0.5), 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    // Qt's dash pattern is in line widths; the width is 1.
    pen.setDashPattern({ 4, 3 });
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect, 2, 2);
}

const QStaticText& MindMapRenderer::staticText(
    const QString& text, const QFont& font, QHash<QString, QStaticText>& cache)
{
    auto it = cache.find(text);
    if (it == cache.end()) {
        QStaticText staticText(text);
        staticText.setTextFormat(Qt::PlainText);
        staticText.setPerformanceHint(QStaticText::AggressiveCaching);
        staticText.prepare(QTransform(), font);
        it = cache.insert(text, staticText);
    }
    return it.value();
}

void MindMapRenderer::drawCanvasNode(
    QPainter& painter, const Scene& scene, const NodeLayout& layout, const QRectF& frame, const NodeStyle& style)
{
    const QColor ink = inkColor(scene.isDark);
    const SermonNodePtr node = scene.nodeLookup ? scene.nodeLookup->value(layout.nodeID) : nullptr;

    // 1. Background by kind of node.
    if (layout.isLeaf && layout.isQuote) {
        const QColor orange = orangeColor(scene.isDark);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(orange, scene.isDark ? 0.08 : 0.06));
        painter.drawRoundedRect(frame.adjusted(-2, -1, 2, 1), 4, 4);
        painter.setBrush(withAlpha(orange, 0.5));
        painter.drawRoundedRect(QRectF(frame.left() - 2, frame.top() + 2, 3, frame.height() - 4), 1.5, 1.5);
    } else if (layout.isLeaf) {
        painter.setPen(QPen(withAlpha(ink, 0.15), 1));
        const qreal y = frame.bottom() - 2;
        painter.drawLine(QPointF(frame.left() + 4, y), QPointF(frame.right() - 4, y));
    } else {
        const qreal e = boxEmphasis(layout.depth);
        painter.setPen(QPen(withAlpha(ink, e), layout.depth == 0 ? 2 : 1));
        painter.setBrush(withAlpha(ink, e * 0.1));
        painter.drawRoundedRect(frame, 6, 6);
    }

    // 2. Fold circle and reading-time badge of a node with children.
    const bool hasToggle = !layout.isLeaf && node && node->hasChildren();
    const qreal midY = frame.center().y();
    if (!layout.isLeaf) {
        if (hasToggle) {
            const qreal grey = scene.isDark ? 0.2 : 0.95;
            painter.setPen(QPen(withAlpha(ink, 0.3), 1));
            painter.setBrush(
                QColor::fromRgbF(static_cast<float>(grey), static_cast<float>(grey), static_cast<float>(grey)));
            painter.drawEllipse(QRectF(
                frame.right() - foldCircleRadius, midY - foldCircleRadius, 2 * foldCircleRadius, 2 * foldCircleRadius));
            const QStaticText& glyph = staticText(
                node->isCollapsed() ? QStringLiteral("+") : QString(QChar(0x2212)), m_foldFont, m_foldTexts);
            painter.setFont(m_foldFont);
            painter.setPen(withAlpha(ink, 0.5));
            const QSizeF glyphSize = glyph.size();
            painter.drawStaticText(
                QPointF(frame.right() - glyphSize.width() / 2, midY - glyphSize.height() / 2), glyph);
        }
        const qint64 words = scene.subtreeWordCounts ? scene.subtreeWordCounts->value(layout.nodeID, 0) : 0;
        if (words >= 1) {
            const QStaticText& badge
                = staticText(readingTimeText(words, scene.readingPaceWPM), m_badgeFont, m_badgeTexts);
            const QSizeF badgeSize = badge.size();
            QPointF topLeft;
            if (hasToggle && node->isCollapsed())
                topLeft = QPointF(frame.right() + 7 + 4, midY - badgeSize.height() / 2);
            else
                topLeft = QPointF(frame.right() - 4 - badgeSize.width(), frame.bottom() + 2);
            painter.setFont(m_badgeFont);
            painter.setPen(withAlpha(ink, 0.3));
            painter.drawStaticText(topLeft, badge);
        }
    }

    // 3. Search outline; outlines leave the fold circle clear.
    if (style.matchRanges) {
        const qreal grow = layout.isLeaf ? 4 : 3;
        const qreal radius = layout.isLeaf ? 6 : 8;
        const qreal width = style.isCurrentMatch ? 2.5 : 2;
        const QColor colour
            = style.isCurrentMatch ? QColor::fromRgbF(1, 0.55f, 0, 0.8f) : QColor::fromRgbF(1, 0.7f, 0, 0.5f);
        painter.setPen(QPen(colour, width));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(outlinePath(frame.adjusted(-grow, -grow, grow, grow), radius,
            hasToggle ? std::optional(foldCircleGap(midY, width)) : std::nullopt));
    }

    // 4. Selection outline, over the search outline.
    if (style.selected) {
        const QRectF outline = style.selectionOutline
            ? *style.selectionOutline
            : frame.adjusted(-selectionOutset, -selectionOutset, selectionOutset, selectionOutset);
        painter.setPen(QPen(scene.accent, selectionLineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(
            outlinePath(outline, 8, hasToggle ? std::optional(foldCircleGap(midY, selectionLineWidth)) : std::nullopt));
    }

    // 5. Text.
    const QString& text = style.textOverride ? *style.textOverride : (node ? node->text() : QString());
    if (text.isEmpty())
        return;
    const qreal textX = frame.left() + 16;
    const qreal textY = frame.top() + (layout.isLeaf ? 3 : 8);

    const TextBitmapKey key = TextBitmapKey::forNode(text, layout.depth, layout.isQuote);

    // 6. Search match backgrounds, behind the text.
    if (style.matchRanges && !style.matchRanges->isEmpty() && !style.textOverride)
        drawMatchBackgrounds(painter, key.text, layout, textX, textY, *style.matchRanges, style.isCurrentMatch);

    // 7. Text bitmap.
    if (!scene.textCache)
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    std::optional<TextBitmapCache::Bitmap> bitmap
        = scene.textCache->lookupBitmap(key, scene.isDark, scene.scale, ratio);
    if (!bitmap) {
        bitmap = TextBitmapCache::renderTextBitmap(key, scene.isDark, scene.scale, ratio);
        if (!bitmap) {
            // Too large for a bitmap: drawn directly, clipped to what is shown.
            TextBitmapCache::drawText(painter, key, scene.isDark, QPointF(textX - 2, textY));
            return;
        }
        scene.textCache->insertBitmap(key, bitmap->image, bitmap->naturalSize, bitmap->baseline);
    }
    const QRectF target(QPointF(textX - 2, textY), bitmap->naturalSize);
    if (TextBitmapCache::pixelFactor(key.fontSize, scene.scale, ratio) > scene.scale * ratio) {
        // Zoomed far out the bitmap holds more pixels than it covers: filtered down, small
        // text stays an even grey instead of breaking into specks.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, bitmap->image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        return;
    }
    // Pixel for pixel from a whole device pixel: stretched by the hair its rounded-up size
    // differs, or placed between pixels, the glyphs would lose or double columns. Glyphs stand
    // on whole pixel rows, in the bitmap as on the canvas: the bitmap's first baseline goes on
    // the row that text drawn directly would stand on, whatever fraction of a pixel the font's
    // ascent leaves.
    const QTransform world = painter.worldTransform();
    const QPointF corner = world.map(target.topLeft()) * ratio;
    const qreal baseline = bitmap->baseline * TextBitmapCache::pixelFactor(key.fontSize, scene.scale, ratio);
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.drawImage(
        QPointF(std::round(corner.x()), std::round(corner.y() + baseline) - std::round(baseline)), bitmap->image);
    painter.setWorldTransform(world);
}

QList<QRectF> MindMapRenderer::matchRectangles(
    const QString& displayText, const QFont& font, const QList<MatchRange>& ranges)
{
    const QFontMetricsF metrics(font);
    const qreal lineHeight = std::ceil(metrics.ascent() + std::abs(metrics.descent()) + metrics.leading());
    // Lines and their starts, in user-perceived characters.
    const QStringList lines = displayText.split(QChar(u'\n'));
    std::vector<std::vector<qsizetype>> boundaries; // per line: UTF-16 offset of each character start, then its end
    std::vector<qsizetype> starts;
    qsizetype start = 0;
    for (const QString& line : lines) {
        std::vector<qsizetype> offsets;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
        offsets.push_back(0);
        for (qsizetype p = finder.toNextBoundary(); p != -1; p = finder.toNextBoundary())
            offsets.push_back(p);
        if (offsets.back() != line.size())
            offsets.push_back(line.size());
        starts.push_back(start);
        // The next line starts after this one's characters and its line break.
        start += static_cast<qsizetype>(offsets.size());
        boundaries.push_back(std::move(offsets));
    }
    std::vector<std::unique_ptr<ShownTextLine>> shown(lines.size());
    QList<QRectF> rects;
    for (const MatchRange& range : ranges) {
        size_t k = starts.size() - 1;
        for (size_t i = 0; i < starts.size(); ++i) {
            if (starts[i] <= range.lower)
                k = i;
            else
                break;
        }
        const std::vector<qsizetype>& offsets = boundaries[k];
        const qsizetype count = static_cast<qsizetype>(offsets.size()) - 1;
        const qsizetype local = std::clamp<qsizetype>(range.lower - starts[k], 0, count);
        const qsizetype end = std::clamp<qsizetype>(range.upper - starts[k], local, count);
        const qsizetype from = offsets[static_cast<size_t>(local)];
        const qsizetype to = offsets[static_cast<size_t>(end)];
        if (!shown[k])
            shown[k] = std::make_unique<ShownTextLine>(lines[static_cast<qsizetype>(k)], font);
        for (const auto& [left, right] : shown[k]->spans(from, to)) {
            rects.append(QRectF(
                std::ceil(left) - 1, lineHeight * static_cast<qreal>(k), std::ceil(right - left) + 2, lineHeight));
        }
    }
    return rects;
}

void MindMapRenderer::drawMatchBackgrounds(QPainter& painter, const QString& displayText, const NodeLayout& layout,
    qreal textX, qreal textY, const QList<MatchRange>& ranges, bool isCurrent)
{
    // Measured in the face the text is drawn in, italic for quotes, so the marks sit under it.
    const qreal size = Typography::nodeFontSize(layout.depth);
    const QFont::Weight weight = Typography::nodeFontWeight(layout.depth);
    const QFont font
        = layout.isQuote ? Typography::italicSystemFont(size, weight) : Typography::systemFont(size, weight);
    const QColor colour = isCurrent ? QColor::fromRgbF(1, 0.55f, 0, 0.4f) : QColor::fromRgbF(1, 0.8f, 0, 0.3f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (const QRectF& rect : matchRectangles(displayText, font, ranges))
        painter.drawRoundedRect(rect.translated(textX, textY), 2, 2);
}

} // namespace kestrion
