#pragma once

#include "document/Clipboard.h"

namespace kestrion::test {

// An in-memory clipboard.
class FakeClipboard final : public Clipboard {
public:
    std::optional<QString> text() const override { return m_text; }
    void setText(const QString& text) override { m_text = text; }

private:
    std::optional<QString> m_text;
};

} // namespace kestrion::test
