#include "platform/EmojiMenuStyle.h"

#include "platform/EmojiText.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionMenuItem>
#include <QTextBoundaryFinder>

#include <cmath>

namespace kestrion {

namespace {

// The title and the shortcut of a menu item's text are parted by a tab.
QString titleOf(const QString& text)
{
    return text.section(u'\t', 0, 0);
}

} // namespace

void EmojiMenuStyle::install(QMenu& menu)
{
    auto* style = new EmojiMenuStyle;
    style->setParent(&menu);
    menu.setStyle(style);
}

bool EmojiMenuStyle::isEmojiTitle(const QString& title)
{
    if (title.isEmpty())
        return false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, title);
    if (graphemes.toNextBoundary() != title.size())
        return false;
    // Symbols and pictographs: the circles, the wastebasket.
    return title.toUcs4().front() >= 0x2600;
}

QPixmap EmojiMenuStyle::picture(const QString& title, const QFont& font, qreal devicePixelRatio)
{
    const QFontMetricsF metrics(font);
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const qreal width = std::ceil(EmojiText::horizontalAdvance(font, metrics, title));
    const qreal height = std::ceil(metrics.height());
    QPixmap pixmap(static_cast<int>(std::ceil(width * ratio)), static_cast<int>(std::ceil(height * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    painter.setFont(font);
    EmojiText::drawLine(painter, QPointF(0, metrics.ascent()), title);
    return pixmap;
}

void EmojiMenuStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item || !isEmojiTitle(titleOf(item->text))) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The title as a picture where an icon goes, and no title text beside it.
    QStyleOptionMenuItem shown(*item);
    const QString title = titleOf(item->text);
    const qsizetype tab = item->text.indexOf(u'\t');
    shown.text = tab < 0 ? QString() : item->text.mid(tab);
    shown.icon = QIcon(picture(title, item->font, painter->device() ? painter->device()->devicePixelRatioF() : 1.0));
    QProxyStyle::drawControl(element, &shown, painter, widget);
}

} // namespace kestrion
