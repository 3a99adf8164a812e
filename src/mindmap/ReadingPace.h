#pragma once

#include <QString>

#include <array>
#include <optional>

namespace kestrion {

// The reading paces the status bar offers, as words per minute. The stored "readingPaceWPM"
// is always written as one of them, yet any stored integer is still read.
enum class ReadingPace : qint64 {
    Slow = 100,
    Moderate = 120,
    Normal = 140,
    Brisk = 160,
};

inline constexpr std::array<ReadingPace, 4> allReadingPaces { ReadingPace::Slow, ReadingPace::Moderate,
    ReadingPace::Normal, ReadingPace::Brisk };

constexpr qint64 rawValue(ReadingPace pace)
{
    return static_cast<qint64>(pace);
}

// Exactly 100, 120, 140 or 160; anything else gives none.
std::optional<ReadingPace> readingPaceFromRawValue(qint64 wordsPerMinute);

// "Slow (100 wpm)", "Moderate (120 wpm)", "Normal (140 wpm)", "Brisk (160 wpm)", translated.
QString title(ReadingPace pace);

} // namespace kestrion
