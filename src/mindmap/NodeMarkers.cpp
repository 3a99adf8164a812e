#include "mindmap/NodeMarkers.h"

#include "platform/MarkerCircles.h"

#include <QStringView>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace kestrion {

namespace {

static_assert(MarkerCircles::codePoints.size() == NodeMarkers::count);
constexpr char16_t emojiPresentation = 0xFE0F;

QString fromCodePoint(char32_t codePoint)
{
    return QString::fromUcs4(&codePoint, 1);
}

} // namespace

const std::array<QString, NodeMarkers::count>& NodeMarkers::markerEmoji()
{
    static const std::array<QString, count> emoji = [] {
        std::array<QString, count> result;
        for (qsizetype i = 0; i < count; ++i)
            result[static_cast<size_t>(i)] = fromCodePoint(MarkerCircles::codePoints[static_cast<size_t>(i)]);
        return result;
    }();
    return emoji;
}

QString NodeMarkers::removeMarkerSymbol()
{
    return fromCodePoint(0x1F5D1);
}

QString NodeMarkers::stripLeadingMarker(const QString& text)
{
    if (text.isEmpty())
        return text;
    // The whole first character must be the marker: a circle joined into a longer emoji
    // sequence is another emoji and stays.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    const qsizetype first = graphemes.toNextBoundary();
    if (first <= 0)
        return text;
    const QStringView leading = QStringView(text).left(first);
    const bool isMarker = std::any_of(markerEmoji().begin(), markerEmoji().end(), [&](const QString& marker) {
        return leading == marker
            || (leading.size() == marker.size() + 1 && leading.startsWith(marker)
                && leading.back() == QChar(emojiPresentation));
    });
    if (!isMarker)
        return text;
    const qsizetype end = first < text.size() && text[first] == u' ' ? first + 1 : first;
    return text.mid(end);
}

std::optional<QString> NodeMarkers::markerForShiftedDigit(const QString& characters)
{
    static const QString shiftedDigits = QStringLiteral("!@#$%^&*(");
    if (characters.size() != 1)
        return std::nullopt;
    const qsizetype index = shiftedDigits.indexOf(characters[0]);
    if (index < 0)
        return std::nullopt;
    return markerEmoji()[static_cast<size_t>(index)];
}

} // namespace kestrion
