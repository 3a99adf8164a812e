#pragma once

#include "document/Clipboard.h"

namespace kestrion {

// An in-memory clipboard that counts writes, so tests can tell "left alone" from "rewritten".
class FakeClipboard final : public Clipboard {
public:
    std::optional<QString> text() const override { return m_text; }
    void setText(const QString& text) override
    {
        m_text = text;
        ++writes;
    }
    void clear() { m_text.reset(); }

    int writes = 0;

private:
    std::optional<QString> m_text;
};

} // namespace kestrion
