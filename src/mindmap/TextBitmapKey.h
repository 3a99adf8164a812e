#pragma once

#include <QFont>
#include <QHashFunctions>
#include <QString>

#include <functional>

namespace kestrion {

// What one rendered node text depends on besides the zoom scale and the appearance.
struct TextBitmapKey {
    // The text to draw, line breaks as line feeds.
    QString text;
    qreal fontSize = 13;
    QFont::Weight weight = QFont::Normal;
    bool italic = false;

    // The key the mind map draws a node's text with: U+2028 becomes a line feed, the font is
    // the depth's node font and quotes are italic.
    static TextBitmapKey forNode(const QString& text, qint64 depth, bool isQuote);

    friend bool operator==(const TextBitmapKey&, const TextBitmapKey&) = default;
};

size_t qHash(const TextBitmapKey& key, size_t seed = 0) noexcept;

} // namespace kestrion

template <> struct std::hash<kestrion::TextBitmapKey> {
    size_t operator()(const kestrion::TextBitmapKey& key) const noexcept { return kestrion::qHash(key); }
};
