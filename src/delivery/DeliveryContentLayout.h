#pragma once

#include "delivery/DeliveryItem.h"
#include "document/NodeWordFraction.h"
#include "document/SermonNode.h"

#include <QFont>
#include <QHash>

#include <limits>
#include <utility>
#include <vector>

namespace kestrion {

class DeliveryFonts;
class DeliveryMeasures;

// The sermon laid out once as one tall reading column, and the two conversions on which the
// runner, the minute markers, follow scrolling, the timeline ruler and seeking rest: from a
// word fraction (the share of the sermon's words that should have been spoken) to a content
// y, and back.
//
// Content coordinates: x from the left edge of the column (a 150-point margin for the runner
// and the minute labels, then the text width), y from the top of the content downwards, with
// 40-point margins above and below. A layout is a plain value, never edited in place.
struct DeliveryContentLayout {
    // A heading of depth 1 to 3, in document order.
    struct Heading {
        QUuid id;
        qint64 depth = 0;
        double y = 0;
        QString text;
    };

    static constexpr double margin = 150;
    static constexpr double topMargin = 40;
    static constexpr double bottomMargin = 40;
    static constexpr double runnerX = 129;
    // Minute labels end clear of the runner's dot and glow (x 118 to 140) as it passes them.
    static constexpr double markerLabelRight = 117;
    static constexpr double dividerGap = 6;
    static constexpr double lastLeafSpan = 20;
    static constexpr double maxFraction = 1.5;

    // Every item top to bottom, in drawing order.
    std::vector<DeliveryItem> items;
    double totalHeight = 0;
    // The top of the page's last line of text as drawn, ink reaching above the line included;
    // NaN when it has none.
    double lastLineTop = std::numeric_limits<double>::quiet_NaN();
    // Every leaf's vertical middle.
    QHash<QUuid, double> nodeYPositions;
    // Headings of depth 1, 2 and 3: their vertical middle, depth and text.
    QHash<QUuid, double> headingYPositions;
    QHash<QUuid, qint64> headingDepths;
    QHash<QUuid, QString> headingTexts;
    // One entry per leaf in document order.
    std::vector<NodeWordFraction> wordFractions;
    // The same headings in document order, which is also the order of their y.
    std::vector<Heading> headings;

    static constexpr double defaultBaseFontSize = 15;
    static constexpr double defaultTextWidth = 700;

    // minutes is the countdown's whole number of minutes, bounded here to the timer's day.
    static DeliveryContentLayout build(
        const SermonNodePtr& root, qint64 minutes, double textWidth, double baseFontSize, double lineSpacing);
    // The same with fonts kept from an earlier build at the same base size, and with measures
    // kept from earlier builds: only texts they do not hold are measured, and then kept there.
    static DeliveryContentLayout build(const SermonNodePtr& root, qint64 minutes, double textWidth,
        DeliveryFonts& fonts, double lineSpacing, DeliveryMeasures* measures = nullptr);
    // The serif font of an item.
    static QFont font(qint64 depth, bool isLeaf, double baseSize);
    // The font a leaf is drawn and measured with: italic for a quote.
    static QFont leafFont(bool isQuote, double baseSize);
    // The width an item's text is set in: the text width less its indent, at least 1 point.
    static double measuringWidth(double textWidth, double indent);
    static double headingIndent(qint64 depth);
    static double leafIndent(qint64 depth);
    // How far right of the margin an item's text starts: by depth and kind, and further for a
    // quote.
    static double itemIndent(qint64 depth, bool isLeaf, bool isQuote);
    static double spaceBeforeHeading(qint64 depth);
    static double spaceAfterHeading(qint64 depth);
    // "%1 min" of whole minutes, in the locale's digits, and the font it is drawn in.
    static QString minuteLabel(qint64 minutes);
    static QFont minuteLabelFont();
    // How far below the one shown before it a minute label must stand to be shown: the labels
    // keep at least their own height apart.
    static double minuteLabelSpacing();

    // (top, bottom) of the stretch of page over which the i-th leaf's words are read.
    std::pair<double, double> nodeSpan(qsizetype index) const;
    // The content y of a word fraction. The fraction is limited to 0...1.5; one that is not
    // finite gives the page's start.
    double yForFraction(double fraction) const;
    // The word fraction at a content y, in 0...1.
    double fractionForY(double y) const;

    // The items that may reach into top...bottom: [first, last).
    std::pair<std::size_t, std::size_t> itemsBetween(double top, double bottom) const;

    // Filled by build: y_i of each word fraction, and the running maximum of item bottoms.
    std::vector<double> leafYs;
    std::vector<double> reachedBottoms;
};

} // namespace kestrion
