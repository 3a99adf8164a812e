#include "delivery/DeliveryFonts.h"

#include "delivery/DeliveryContentLayout.h"

#include <algorithm>

namespace kestrion {

DeliveryFonts::DeliveryFonts(double baseSize)
    : m_baseSize(baseSize)
{
}

const DeliveryText& DeliveryFonts::heading(qint64 depth)
{
    const qint64 bounded = std::clamp<qint64>(depth, 0, 4);
    std::optional<DeliveryText>& slot = m_headings[static_cast<std::size_t>(bounded)];
    if (!slot)
        slot.emplace(DeliveryContentLayout::font(bounded, false, m_baseSize));
    return *slot;
}

const DeliveryText& DeliveryFonts::leaf(bool isQuote)
{
    std::optional<DeliveryText>& slot = m_leaves[isQuote ? 1 : 0];
    if (!slot)
        slot.emplace(DeliveryContentLayout::leafFont(isQuote, m_baseSize));
    return *slot;
}

void DeliveryFonts::makeAll()
{
    for (qint64 depth = 0; depth < static_cast<qint64>(m_headings.size()); ++depth)
        heading(depth);
    leaf(false);
    leaf(true);
}

} // namespace kestrion
