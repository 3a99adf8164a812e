#pragma once

#include "platform/AppAppearance.h"

#include <QColor>
#include <QMetaObject>
#include <QObject>
#include <QPalette>

#include <optional>

namespace kestrion {

class Preferences;

// The application-wide appearance: the stored choice, the light and dark palettes and the one
// dark-appearance test that every drawing asks.
//
// "System" means the platform palette as it was at start-up, judged dark by the lightness of
// its window colour. Main thread only.
class Appearance : public QObject {
    Q_OBJECT

public:
    static Appearance& shared();

    // Remembers the platform's palette. Call once at start-up before any appearance is
    // applied; otherwise the first apply captures the palette it replaces.
    void captureSystemPalette();
    // Tests and start-up code may give the platform palette directly.
    void setSystemPalette(const QPalette& palette);
    QPalette systemPalette() const;

    AppAppearance appearance() const { return m_appearance; }
    // Makes the choice effective: remembers it and, when an application object exists, gives
    // the application the matching palette. Emits changed() when the dark test's answer or
    // the choice changes.
    void apply(AppAppearance appearance);
    // Applies the stored choice and every later change of it.
    void follow(Preferences& preferences);

    // The dark-appearance test for the current choice.
    bool isDark() const;

    // The palette shown for a choice.
    QPalette paletteFor(AppAppearance appearance) const;
    static QPalette lightPalette();
    static QPalette darkPalette();
    static bool isDarkPalette(const QPalette& palette);
    // Surfaces raised over the window (menus, notices) and the line along their edge: in the
    // dark appearance as plain to see as in the light one.
    static QColor raisedColor(const QPalette& palette);
    static QColor edgeColor(const QPalette& palette);
    // The palette of menus over windows of that palette.
    static QPalette menuPalette(const QPalette& palette);

    // The one ink colour of text and marks.
    static QColor inkColor(bool isDark);
    // Secondary text and symbols (readouts, small controls): the palette's window text, faded.
    static QColor secondaryColor(const QPalette& palette);

Q_SIGNALS:
    void changed();

private:
    Appearance() = default;
    void applyPalette(const QPalette& palette);

    std::optional<QPalette> m_systemPalette;
    AppAppearance m_appearance = AppAppearance::System;
    QMetaObject::Connection m_followConnection;
};

// Whether the application is shown in dark appearance; the colour choices of every drawing
// that does not take its colours from a palette ask this.
bool isDarkAppearance();

} // namespace kestrion
