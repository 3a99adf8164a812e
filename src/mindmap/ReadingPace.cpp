#include "mindmap/ReadingPace.h"

#include <QCoreApplication>

namespace kestrion {

std::optional<ReadingPace> readingPaceFromRawValue(qint64 wordsPerMinute)
{
    for (ReadingPace pace : allReadingPaces) {
        if (rawValue(pace) == wordsPerMinute)
            return pace;
    }
    return std::nullopt;
}

QString title(ReadingPace pace)
{
    switch (pace) {
    case ReadingPace::Slow:
        return QCoreApplication::translate("kestrion::ReadingPace", "Slow (100 wpm)");
    case ReadingPace::Moderate:
        break;
    case ReadingPace::Normal:
        return QCoreApplication::translate("kestrion::ReadingPace", "Normal (140 wpm)");
    case ReadingPace::Brisk:
        return QCoreApplication::translate("kestrion::ReadingPace", "Brisk (160 wpm)");
    }
    return QCoreApplication::translate("kestrion::ReadingPace", "Moderate (120 wpm)");
}

} // namespace kestrion
