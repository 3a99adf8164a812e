#pragma once

#include <QUuid>

#include <cstddef>
#include <optional>

namespace kestrion {

class DeliveryFonts;
struct DeliveryContentLayout;

// A place on the reading page that outlasts laying the page out again with another font size,
// line spacing or text width, or after an edit. Within a text it is the character that begins
// the line at the place and how far down that line the place stands; between texts, how far
// across the gap. It is found again by the nodes' ids, so the same words come back to the same
// line of the view however the texts wrap.
class ReadingPlace {
public:
    // A laid-out page as it is drawn: its layout with the fonts and the text width it was
    // built with.
    struct Page {
        const DeliveryContentLayout* layout = nullptr;
        DeliveryFonts* fonts = nullptr;
        double textWidth = 0;
    };

    // The place at a content y; none on a page without texts.
    static std::optional<ReadingPlace> at(const Page& page, double y);
    // The content y of the place on a page; none when none of its texts is there.
    std::optional<double> y(const Page& page) const;

private:
    struct Box {
        double top = 0;
        double bottom = 0;
    };

    static std::optional<std::size_t> indexOf(const Page& page, const QUuid& id);
    static Box boxOf(const Page& page, std::size_t index);

    // Within a text: its node, the first character of the line and how far down the line.
    QUuid m_id;
    qsizetype m_character = 0;
    double m_lineOffset = 0;
    // Between texts: the nodes above and below (null when none) and the distances to them.
    QUuid m_above;
    QUuid m_below;
    double m_belowAbove = 0;
    double m_aboveBelow = 0;
};

} // namespace kestrion
