#pragma once

#include "delivery/DeliveryText.h"

#include <array>
#include <optional>

namespace kestrion {

// The fonts of the reading page at one base size, each made on first use with its character
// advances, so that laying out and drawing the page again costs no font set-up.
class DeliveryFonts {
public:
    explicit DeliveryFonts(double baseSize);
    DeliveryFonts(const DeliveryFonts&) = delete;
    DeliveryFonts& operator=(const DeliveryFonts&) = delete;

    double baseSize() const { return m_baseSize; }
    // A heading's font by depth; depths from 4 on share one.
    const DeliveryText& heading(qint64 depth);
    // A leaf's font: italic for a quote.
    const DeliveryText& leaf(bool isQuote);
    // Makes every font now, so that using them later costs no set-up.
    void makeAll();

private:
    double m_baseSize;
    std::array<std::optional<DeliveryText>, 5> m_headings;
    std::array<std::optional<DeliveryText>, 2> m_leaves;
};

} // namespace kestrion
