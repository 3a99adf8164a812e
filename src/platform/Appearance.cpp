#include "platform/Appearance.h"

#include "platform/Preferences.h"

#include <QApplication>
#include <QGuiApplication>

namespace kestrion {

namespace {

QColor rgb(double r, double g, double b)
{
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}

struct PaletteColors {
    QColor window, windowText, base, alternateBase, button, text, mid, highlight, highlightedText, link;
};

QPalette makePalette(const PaletteColors& c, bool dark)
{
    QPalette p;
    p.setColor(QPalette::Window, c.window);
    p.setColor(QPalette::WindowText, c.windowText);
    p.setColor(QPalette::Base, c.base);
    p.setColor(QPalette::AlternateBase, c.alternateBase);
    p.setColor(QPalette::ToolTipBase, c.base);
    p.setColor(QPalette::ToolTipText, c.text);
    p.setColor(QPalette::Text, c.text);
    p.setColor(QPalette::Button, c.button);
    p.setColor(QPalette::ButtonText, c.windowText);
    p.setColor(QPalette::BrightText, dark ? QColor(Qt::white) : QColor(Qt::black));
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, c.highlightedText);
    p.setColor(QPalette::Link, c.link);
    p.setColor(QPalette::LinkVisited, c.link.darker(dark ? 80 : 120));
    p.setColor(QPalette::Light, c.button.lighter(dark ? 130 : 110));
    p.setColor(QPalette::Midlight, c.button.lighter(dark ? 115 : 105));
    p.setColor(QPalette::Mid, c.mid);
    p.setColor(QPalette::Dark, c.button.darker(dark ? 140 : 130));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0, dark ? 200 : 120));
    QColor placeholder = c.text;
    placeholder.setAlphaF(0.45f);
    p.setColor(QPalette::PlaceholderText, placeholder);
    QColor disabled = c.windowText;
    disabled.setAlphaF(0.4f);
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    p.setColor(QPalette::Disabled, QPalette::Text, disabled);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, c.mid);
    return p;
}

} // namespace

Appearance& Appearance::shared()
{
    static Appearance* const instance = new Appearance;
    return *instance;
}

void Appearance::captureSystemPalette()
{
    if (!m_systemPalette)
        m_systemPalette = QGuiApplication::palette();
}

void Appearance::setSystemPalette(const QPalette& palette)
{
    const bool wasDark = isDark();
    m_systemPalette = palette;
    if (m_appearance == AppAppearance::System) {
        if (qGuiApp)
            applyPalette(palette);
        if (wasDark != isDark())
            Q_EMIT changed();
    }
}

QPalette Appearance::systemPalette() const
{
    return m_systemPalette ? *m_systemPalette : QGuiApplication::palette();
}

void Appearance::apply(AppAppearance appearance)
{
    captureSystemPalette();
    const bool wasDark = isDark();
    const bool choiceChanged = appearance != m_appearance;
    m_appearance = appearance;
    if (qGuiApp)
        applyPalette(paletteFor(appearance));
    if (choiceChanged || wasDark != isDark())
        Q_EMIT changed();
}

void Appearance::follow(Preferences& preferences)
{
    QObject::disconnect(m_followConnection);
    apply(preferences.appearance());
    m_followConnection = connect(&preferences, &Preferences::changed, this, [this, &preferences](const QString& key) {
        if (key == Preferences::appearanceKey)
            apply(preferences.appearance());
    });
}

void Appearance::applyPalette(const QPalette& palette)
{
    QGuiApplication::setPalette(palette);
    // Setting the application's palette drops those of widget classes: the menus' comes after.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setPalette(menuPalette(palette), "QMenu");
}

QColor Appearance::raisedColor(const QPalette& palette)
{
    // Light surfaces stand out white; dark ones lighter than the window.
    return isDarkPalette(palette) ? palette.color(QPalette::Active, QPalette::Window).lighter(165)
                                  : palette.color(QPalette::Active, QPalette::Base);
}

QColor Appearance::edgeColor(const QPalette& palette)
{
    return isDarkPalette(palette) ? raisedColor(palette).lighter(160)
                                  : palette.color(QPalette::Active, QPalette::Window).darker(140);
}

QPalette Appearance::menuPalette(const QPalette& palette)
{
    if (!isDarkPalette(palette))
        return palette;
    // The style fills menus from the base colour and draws their edge from the window colour,
    // darkened.
    QPalette menu = palette;
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        menu.setColor(group, QPalette::Base, raisedColor(palette).darker(108));
        menu.setColor(group, QPalette::Window, edgeColor(palette).lighter(160));
    }
    // Disabled items without the light shadow the style gives their text.
    menu.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    return menu;
}

bool Appearance::isDark() const
{
    switch (m_appearance) {
    case AppAppearance::Light:
        return false;
    case AppAppearance::Dark:
        return true;
    case AppAppearance::System:
        break;
    }
    return isDarkPalette(systemPalette());
}

QPalette Appearance::paletteFor(AppAppearance appearance) const
{
    switch (appearance) {
    case AppAppearance::Light:
        return lightPalette();
    case AppAppearance::Dark:
        return darkPalette();
    case AppAppearance::System:
        break;
    }
    return systemPalette();
}

QPalette Appearance::lightPalette()
{
    return makePalette(
        {
            .window = rgb(0.96, 0.945, 0.92),
            .windowText = inkColor(false),
            .base = rgb(0.995, 0.99, 0.98),
            .alternateBase = rgb(0.95, 0.935, 0.91),
            .button = rgb(0.93, 0.915, 0.89),
            .text = inkColor(false),
            .mid = rgb(0.78, 0.75, 0.71),
            .highlight = rgb(0.20, 0.45, 0.85),
            .highlightedText = QColor(Qt::white),
            .link = rgb(0.15, 0.40, 0.80),
        },
        false);
}

QPalette Appearance::darkPalette()
{
    return makePalette(
        {
            .window = rgb(0.13, 0.12, 0.11),
            .windowText = inkColor(true),
            .base = rgb(0.09, 0.085, 0.08),
            .alternateBase = rgb(0.16, 0.15, 0.14),
            .button = rgb(0.19, 0.18, 0.17),
            .text = inkColor(true),
            .mid = rgb(0.33, 0.31, 0.29),
            .highlight = rgb(0.25, 0.50, 0.90),
            .highlightedText = QColor(Qt::white),
            .link = rgb(0.45, 0.65, 1.0),
        },
        true);
}

bool Appearance::isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightnessF() < 0.5;
}

QColor Appearance::secondaryColor(const QPalette& palette)
{
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.55f);
    return colour;
}

QColor Appearance::inkColor(bool isDark)
{
    return isDark ? rgb(0.92, 0.87, 0.77) : rgb(0.24, 0.16, 0.11);
}

bool isDarkAppearance()
{
    return Appearance::shared().isDark();
}

} // namespace kestrion
