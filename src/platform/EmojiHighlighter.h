#pragma once

#include <QSyntaxHighlighter>

class QTextDocument;

namespace kestrion {

// Shows the circle emoji of a text being edited as EmojiText draws them elsewhere: in colour,
// at the size of the other markers. The document's text is left as typed.
class EmojiHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit EmojiHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};

} // namespace kestrion
