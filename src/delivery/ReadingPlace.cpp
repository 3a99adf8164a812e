#include "delivery/ReadingPlace.h"

#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryPageRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrion {

namespace {

bool isUsable(const ReadingPlace::Page& page)
{
    return page.layout && page.fonts;
}

} // namespace

ReadingPlace::Box ReadingPlace::boxOf(const Page& page, std::size_t index)
{
    const DeliveryItem& item = page.layout->items[index];
    const auto lines = DeliveryPageRenderer::textLines(*page.fonts, page.textWidth, item);
    if (lines.empty())
        return { item.frame.top(), item.frame.top() };
    return { lines.front().rect.top(), lines.back().rect.bottom() };
}

std::optional<std::size_t> ReadingPlace::indexOf(const Page& page, const QUuid& id)
{
    if (id.isNull())
        return std::nullopt;
    const auto& items = page.layout->items;
    const auto found = std::find_if(
        items.begin(), items.end(), [&id](const DeliveryItem& item) { return item.hasFrame() && item.id == id; });
    if (found == items.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - items.begin());
}

std::optional<ReadingPlace> ReadingPlace::at(const Page& page, double y)
{
    if (!isUsable(page) || !std::isfinite(y))
        return std::nullopt;
    const auto& items = page.layout->items;
    // Every item before the first whose frame reaches y ends above it, its text with it.
    std::size_t index = page.layout->itemsBetween(y, y).first;
    std::optional<Box> box;
    for (; index < items.size(); ++index) {
        if (items[index].hasFrame()) {
            box = boxOf(page, index);
            if (box->bottom > y)
                break;
        }
    }
    ReadingPlace place;
    if (index < items.size() && box->top <= y) {
        const auto lines = DeliveryPageRenderer::textLines(*page.fonts, page.textWidth, items[index]);
        place.m_id = items[index].id;
        // The last line that begins at or above y.
        const auto line = std::find_if(
            lines.rbegin(), lines.rend(), [y](const DeliveryPageRenderer::TextLine& l) { return l.rect.top() <= y; });
        if (line != lines.rend()) {
            place.m_character = line->start;
            place.m_lineOffset = line->rect.height() > 0 ? (y - line->rect.top()) / line->rect.height() : 0;
        }
        return place;
    }
    if (index < items.size()) {
        place.m_below = items[index].id;
        place.m_aboveBelow = box->top - y;
    }
    for (std::size_t above = std::min(index, items.size()); above-- > 0;) {
        if (items[above].hasFrame()) {
            place.m_above = items[above].id;
            place.m_belowAbove = y - boxOf(page, above).bottom;
            break;
        }
    }
    if (place.m_above.isNull() && place.m_below.isNull())
        return std::nullopt;
    return place;
}

std::optional<double> ReadingPlace::y(const Page& page) const
{
    if (!isUsable(page))
        return std::nullopt;
    if (const std::optional<std::size_t> index = indexOf(page, m_id)) {
        const auto lines = DeliveryPageRenderer::textLines(*page.fonts, page.textWidth, page.layout->items[*index]);
        if (lines.empty())
            return page.layout->items[*index].frame.top();
        // The line that now holds the character.
        const auto line = std::find_if(lines.rbegin(), lines.rend(),
            [this](const DeliveryPageRenderer::TextLine& l) { return l.start <= m_character; });
        const QRectF& rect = (line != lines.rend() ? *line : lines.front()).rect;
        return rect.top() + m_lineOffset * rect.height();
    }
    const std::optional<std::size_t> above = indexOf(page, m_above);
    const std::optional<std::size_t> below = indexOf(page, m_below);
    if (above && below) {
        // As far across the gap as before, whatever its new height.
        const double from = boxOf(page, *above).bottom;
        const double to = boxOf(page, *below).top;
        const double gap = m_belowAbove + m_aboveBelow;
        return gap > 0 ? from + (to - from) * (m_belowAbove / gap) : from;
    }
    if (above)
        return boxOf(page, *above).bottom + m_belowAbove;
    if (below)
        return boxOf(page, *below).top - m_aboveBelow;
    return std::nullopt;
}

} // namespace kestrion
