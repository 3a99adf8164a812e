#include "platform/EmojiText.h"

#include "platform/MarkerCircles.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPointF>
#include <QStringList>
#include <QTextCharFormat>

namespace kestrion {

namespace {

// Calls run(start, length, isMarker) for the stretches of the text in order: each marker alone,
// the text between them as one stretch. A presentation selector after a marker goes with the
// text after it: the emoji font holds no glyph for it, and a text layout sets it in the font
// the text falls back to, as the stretch is measured.
template <typename Run> void forEachRun(QStringView text, Run run)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = MarkerCircles::markerLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        if (i > start)
            run(start, i - start, false);
        run(i, length, true);
        start = i = i + length;
    }
    if (start < text.size())
        run(start, text.size() - start, false);
}

bool holdsMarker(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (MarkerCircles::markerLength(text, i) > 0)
            return true;
    }
    return false;
}

// What the emoji font's advances depend on beside the marker: the attributes it takes from the
// font it stands in.
struct MarkerSize {
    QString marker;
    int pixelSize = 0;
    qreal pointSize = 0;
    int weight = 0;
    bool italic = false;
    int stretch = 0;
    int hinting = 0;
    int strategy = 0;

    bool operator==(const MarkerSize&) const = default;
};

size_t qHash(const MarkerSize& size, size_t seed = 0) noexcept
{
    return qHashMulti(seed, size.marker, size.pixelSize, size.pointSize, size.weight, size.italic, size.stretch,
        size.hinting, size.strategy);
}

// The advance of a marker in the emoji font beside text in the font. Measuring a glyph of a
// colour emoji font decodes its picture every time; the few markers at the few sizes in use are
// measured once a thread.
qreal markerAdvance(const QFont& font, QStringView marker)
{
    thread_local QHash<MarkerSize, qreal> advances;
    const MarkerSize size { marker.toString(), font.pixelSize(), font.pointSizeF(), font.weight(), font.italic(),
        font.stretch(), font.hintingPreference(), font.styleStrategy() };
    if (const auto known = advances.constFind(size); known != advances.cend())
        return *known;
    const qreal advance = QFontMetricsF(EmojiText::emojiFont(font)).horizontalAdvance(size.marker);
    advances.insert(size, advance);
    return advance;
}

} // namespace

const QString& EmojiText::emojiFamily()
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        if (families.contains(QStringLiteral("Noto Color Emoji")))
            return QStringLiteral("Noto Color Emoji");
        for (const QString& name : families) {
            if (name.contains(QStringLiteral("Color Emoji"), Qt::CaseInsensitive))
                return name;
        }
        return QString();
    }();
    return family;
}

bool EmojiText::needsEmojiFont(QStringView text)
{
    return holdsMarker(text) && !emojiFamily().isEmpty();
}

QFont EmojiText::emojiFont(const QFont& font)
{
    QFont emoji(font);
    if (!emojiFamily().isEmpty())
        emoji.setFamilies({ emojiFamily() });
    return emoji;
}

QList<QTextLayout::FormatRange> EmojiText::formats(QStringView text)
{
    QList<QTextLayout::FormatRange> ranges;
    if (!needsEmojiFont(text))
        return ranges;
    // The family alone: size, weight and style stay the layout's.
    QTextCharFormat format;
    format.setFontFamilies(QStringList { emojiFamily() });
    forEachRun(text, [&](qsizetype start, qsizetype length, bool isEmoji) {
        if (isEmoji)
            ranges.append({ static_cast<int>(start), static_cast<int>(length), format });
    });
    return ranges;
}

qreal EmojiText::horizontalAdvance(const QFont& font, const QFontMetricsF& metrics, const QString& line)
{
    if (!needsEmojiFont(line))
        return metrics.horizontalAdvance(line);
    qreal advance = 0;
    forEachRun(line, [&](qsizetype start, qsizetype length, bool isEmoji) {
        const QStringView run = QStringView(line).mid(start, length);
        advance += isEmoji ? markerAdvance(font, run) : metrics.horizontalAdvance(run.toString());
    });
    return advance;
}

void EmojiText::drawLine(QPainter& painter, const QPointF& baseline, const QString& line)
{
    if (!needsEmojiFont(line)) {
        painter.drawText(baseline, line);
        return;
    }
    const QFont font = painter.font();
    const QFont emoji = emojiFont(font);
    const QFontMetricsF plainMetrics(font);
    QPointF at = baseline;
    forEachRun(line, [&](qsizetype start, qsizetype length, bool isEmoji) {
        const QString run = line.mid(start, length);
        painter.setFont(isEmoji ? emoji : font);
        painter.drawText(at, run);
        at.rx() += isEmoji ? markerAdvance(font, run) : plainMetrics.horizontalAdvance(run);
    });
    painter.setFont(font);
}

} // namespace kestrion
