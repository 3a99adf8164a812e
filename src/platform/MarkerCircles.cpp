#include "platform/MarkerCircles.h"

#include <QChar>

namespace kestrion {

qsizetype MarkerCircles::markerLength(QStringView text, qsizetype index)
{
    if (index < 0 || index >= text.size())
        return 0;
    const QChar first = text[index];
    char32_t codePoint = first.unicode();
    qsizetype length = 1;
    if (first.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        codePoint = QChar::surrogateToUcs4(first, text[index + 1]);
        length = 2;
    }
    return isMarker(codePoint) ? length : 0;
}

} // namespace kestrion
