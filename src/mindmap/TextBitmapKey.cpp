#include "mindmap/TextBitmapKey.h"

#include "platform/Typography.h"

namespace kestrion {

TextBitmapKey TextBitmapKey::forNode(const QString& text, qint64 depth, bool isQuote)
{
    QString shown = text;
    shown.replace(QChar(u'\u2028'), QChar(u'\n'));
    return TextBitmapKey { shown, Typography::nodeFontSize(depth), Typography::nodeFontWeight(depth), isQuote };
}

size_t qHash(const TextBitmapKey& key, size_t seed) noexcept
{
    return qHashMulti(seed, key.text, key.fontSize, static_cast<int>(key.weight), key.italic);
}

} // namespace kestrion
