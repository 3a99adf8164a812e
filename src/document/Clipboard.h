#pragma once

#include <QString>

#include <optional>

namespace kestrion {

// The general clipboard, plain text only. The application puts the system clipboard
// behind it; tests use a fake.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // The clipboard's plain text, or none when it holds no text.
    virtual std::optional<QString> text() const = 0;
    // Replaces whatever the clipboard holds with this text.
    virtual void setText(const QString& text) = 0;
};

} // namespace kestrion
