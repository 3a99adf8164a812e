#pragma once

#include <QProxyStyle>

class QMenu;

namespace kestrion {

// The style of a menu whose items may be titled by one emoji each (the markers): such an item
// shows its emoji as a picture in the icon column, drawn as EmojiText draws text, so that the
// circles all show in colour at one size. The item's text stays its title.
class EmojiMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Gives the menu this style; the menu owns it.
    static void install(QMenu& menu);

    // Whether an item's title is one emoji, shown as a picture.
    static bool isEmojiTitle(const QString& title);
    // The picture of an emoji title at the pixel size of the font, for a screen of this pixel
    // ratio.
    static QPixmap picture(const QString& title, const QFont& font, qreal devicePixelRatio);

    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;

private:
    EmojiMenuStyle() = default;
};

} // namespace kestrion
