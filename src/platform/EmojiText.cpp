#include "platform/EmojiText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointF>
#include <QStringList>
#include <QTextCharFormat>

#include <algorithm>

namespace kestrion {

namespace {

constexpr char16_t whiteCircle = 0x26AA;
constexpr char16_t blackCircle = 0x26AB;
constexpr char16_t emojiPresentation = 0xFE0F;

bool isPlainStyledCircle(QChar c)
{
    return c == blackCircle || c == whiteCircle;
}

// Calls run(start, length, isEmoji) for the stretches of the text in order: each circle (with
// a presentation selector after it) alone, the text between them as one stretch.
template <typename Run> void forEachRun(QStringView text, Run run)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (!isPlainStyledCircle(text[i])) {
            ++i;
            continue;
        }
        if (i > start)
            run(start, i - start, false);
        qsizetype end = i + 1;
        if (end < text.size() && text[end] == emojiPresentation)
            ++end;
        run(i, end - i, true);
        start = i = end;
    }
    if (start < text.size())
        run(start, text.size() - start, false);
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
    return std::any_of(text.begin(), text.end(), isPlainStyledCircle) && !emojiFamily().isEmpty();
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
    const QFontMetricsF emoji(emojiFont(font));
    qreal advance = 0;
    forEachRun(line, [&](qsizetype start, qsizetype length, bool isEmoji) {
        advance += (isEmoji ? emoji : metrics).horizontalAdvance(line.mid(start, length));
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
    const QFontMetricsF emojiMetrics(emoji);
    QPointF at = baseline;
    forEachRun(line, [&](qsizetype start, qsizetype length, bool isEmoji) {
        const QString run = line.mid(start, length);
        painter.setFont(isEmoji ? emoji : font);
        painter.drawText(at, run);
        at.rx() += (isEmoji ? emojiMetrics : plainMetrics).horizontalAdvance(run);
    });
    painter.setFont(font);
}

} // namespace kestrion
