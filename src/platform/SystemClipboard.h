#pragma once

#include "document/Clipboard.h"

namespace kestrion {

// The desktop's clipboard through QClipboard. Needs a QGuiApplication.
class SystemClipboard final : public Clipboard {
public:
    std::optional<QString> text() const override;
    void setText(const QString& text) override;
};

} // namespace kestrion
