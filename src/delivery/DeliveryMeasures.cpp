#include "delivery/DeliveryMeasures.h"

#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryFonts.h"
#include "delivery/DeliveryText.h"
#include "document/SameText.h"
#include "document/WordCount.h"

#include <algorithm>

namespace kestrion {

DeliveryMeasures::Key DeliveryMeasures::key(qint64 depth, bool isLeaf, bool isQuote, double textWidth, double baseSize)
{
    Key key;
    key.baseSize = baseSize;
    key.width
        = DeliveryContentLayout::measuringWidth(textWidth, DeliveryContentLayout::itemIndent(depth, isLeaf, isQuote));
    if (isLeaf)
        key.font = isQuote ? quoteFont : leafFont;
    else
        key.font = static_cast<qint8>(std::clamp<qint64>(depth, 0, 4));
    return key;
}

DeliveryMeasures::Measure DeliveryMeasures::measure(DeliveryFonts& fonts, const QString& text, const Key& key)
{
    const DeliveryText& font = key.font >= leafFont ? fonts.leaf(key.font == quoteFont) : fonts.heading(key.font);
    return { font.measure(DeliveryText::displayText(text), key.width), countWords(text) };
}

const DeliveryMeasures::Measure* DeliveryMeasures::find(const QUuid& id, const QString& text, const Key& key)
{
    const auto found = m_entries.find(id);
    if (found == m_entries.end())
        return nullptr;
    mark(*found);
    if (!(found->key == key) || !isSameText(found->text, text))
        return nullptr;
    return &found->measure;
}

void DeliveryMeasures::store(const QUuid& id, const QString& text, const Key& key, const Measure& measure)
{
    Entry& entry = m_entries[id];
    entry.text = text;
    entry.key = key;
    entry.measure = measure;
    mark(entry);
}

void DeliveryMeasures::mark(Entry& entry)
{
    if (entry.stamp == m_stamp)
        return;
    entry.stamp = m_stamp;
    ++m_found;
}

void DeliveryMeasures::endSweep()
{
    if (m_entries.size() > m_found)
        m_entries.removeIf([this](const QHash<QUuid, Entry>::iterator& entry) { return entry->stamp != m_stamp; });
}

} // namespace kestrion
