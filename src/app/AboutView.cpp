#include "app/AboutView.h"

#include "app/AppBackground.h"
#include "app/BuildInfo.h"
#include "app/NameplateView.h"
#include "platform/Appearance.h"
#include "platform/Typography.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QVBoxLayout>
#include <QWindow>

namespace kestrion {

namespace {

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("\u2014") : text;
}

QLabel* centredLabel(const QString& text, const QFont& font, QWidget* parent, bool wraps = false)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(wraps);
    return label;
}

// The glow and the content over the window backdrop.
class AboutContent final : public QWidget {
public:
    explicit AboutContent(QWidget* parent)
        : QWidget(parent)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const bool isDark = Appearance::isDarkPalette(palette());
        const QColor glow = AboutView::glowColour(isDark);
        QRadialGradient gradient(QPointF(width() * 0.5, height() * 0.18), 260);
        gradient.setColorAt(0.0, withOpacity(glow, isDark ? 0.22 : 0.18));
        gradient.setColorAt(1.0, withOpacity(glow, 0.0));
        QPainter painter(this);
        painter.fillRect(rect(), gradient);
    }
};

} // namespace

std::pair<QString, QString> aboutVersionString()
{
    return { orDash(QString::fromUtf8(BuildInfo::version)), orDash(QString::fromUtf8(BuildInfo::buildNumber)) };
}

QString aboutVersionLine(const std::pair<QString, QString>& version)
{
    return AboutView::tr("Version %1 (%2)").arg(orDash(version.first), orDash(version.second));
}

AboutView::AboutView(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(contentSize);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* background = new AppBackground(this);
    outer->addWidget(background);
    auto* backgroundLayout = new QVBoxLayout(background);
    backgroundLayout->setContentsMargins(0, 0, 0, 0);
    auto* content = new AboutContent(background);
    backgroundLayout->addWidget(content);

    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addSpacerItem(new QSpacerItem(0, 28, QSizePolicy::Minimum, QSizePolicy::Expanding));

    m_icon = new QLabel(content);
    m_icon->setAlignment(Qt::AlignHCenter);
    m_icon->setPixmap(QApplication::windowIcon().pixmap(QSize(iconSize, iconSize), devicePixelRatioF()));
    m_icon->setFixedHeight(iconSize);
    auto* shadow = new QGraphicsDropShadowEffect(m_icon);
    shadow->setBlurRadius(2 * 12);
    shadow->setOffset(0, 6);
    m_icon->setGraphicsEffect(shadow);
    column->addWidget(m_icon);
    column->addSpacing(14);

    m_nameplate = new NameplateView(content);
    column->addWidget(m_nameplate);
    column->addSpacing(10);

    m_version = centredLabel(aboutVersionLine(aboutVersionString()),
        Typography::systemFont(11, QFont::Normal, FontDesign::Monospaced), content);
    column->addWidget(m_version);
    column->addSpacing(22);

    auto* taglines = new QVBoxLayout;
    taglines->setContentsMargins(36, 0, 36, 0);
    taglines->setSpacing(10);
    m_tagline = centredLabel(tr("Shape the message. Preach it with clarity."),
        Typography::italicSystemFont(16, QFont::Normal, FontDesign::Serif), content, true);
    taglines->addWidget(m_tagline);
    m_subtitle = centredLabel(tr("An outline canvas for sermons: plan every point, then deliver it on time."),
        Typography::systemFont(12), content, true);
    taglines->addWidget(m_subtitle);
    column->addLayout(taglines);
    column->addSpacing(20);

    auto* links = new QHBoxLayout;
    links->setSpacing(10);
    links->addStretch(1);
    m_webLink = makeLink(webLink().host(), webLink());
    links->addWidget(m_webLink, 0, Qt::AlignVCenter);
    m_separator = new QLabel(QStringLiteral("\u00B7"), content);
    m_separator->setFont(Typography::systemFont(12));
    links->addWidget(m_separator, 0, Qt::AlignVCenter);
    m_mailLink = makeLink(mailLink().path(), mailLink());
    links->addWidget(m_mailLink, 0, Qt::AlignVCenter);
    links->addStretch(1);
    column->addLayout(links);
    column->addSpacing(18);

    column->addSpacerItem(new QSpacerItem(0, 8, QSizePolicy::Minimum, QSizePolicy::Expanding));
    auto* footer = new QVBoxLayout;
    footer->setContentsMargins(36, 0, 36, 0);
    footer->setSpacing(6);
    m_credit = centredLabel(
        tr("Made with care for everyone who preaches."), Typography::italicSystemFont(11), content, true);
    footer->addWidget(m_credit);
    m_copyright = centredLabel(copyrightLine(), Typography::systemFont(10), content);
    footer->addWidget(m_copyright);
    column->addLayout(footer);
    column->addSpacing(22);

    applyColours();
}

AboutView::~AboutView() = default;

QUrl AboutView::webLink()
{
    return QUrl(QStringLiteral("https://kestrion.app"));
}

QUrl AboutView::mailLink()
{
    return QUrl(QStringLiteral("mailto:hello@kestrion.app"));
}

QString AboutView::copyrightLine()
{
    return QStringLiteral("\u00A9 2025 The Kestrion developers");
}

QColor AboutView::glowColour(bool isDark)
{
    return isDark ? QColor::fromRgbF(0.84f, 0.54f, 0.63f) : QColor::fromRgbF(0.48f, 0.13f, 0.22f);
}

QAbstractButton* AboutView::makeLink(const QString& label, const QUrl& url)
{
    auto* link = new QPushButton(label, this);
    QFont font = Typography::systemFont(12);
    font.setUnderline(true);
    link->setFont(font);
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(url.toString());
    connect(link, &QPushButton::clicked, link, [url] { QDesktopServices::openUrl(url); });
    return link;
}

void AboutView::applyColours()
{
    const bool isDark = Appearance::isDarkPalette(palette());
    const QColor ink = Appearance::inkColor(isDark);
    m_nameplate->setInk(ink);
    setTextColour(m_version, withOpacity(ink, 0.55));
    setTextColour(m_tagline, withOpacity(ink, 0.92));
    setTextColour(m_subtitle, withOpacity(ink, 0.7));
    setTextColour(m_separator, withOpacity(ink, 0.4));
    setTextColour(m_credit, withOpacity(ink, 0.55));
    setTextColour(m_copyright, withOpacity(ink, 0.5));
    const QColor accent = palette().color(QPalette::Highlight);
    setTextColour(m_webLink, accent);
    setTextColour(m_mailLink, accent);
    if (auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(m_icon->graphicsEffect()))
        shadow->setColor(QColor::fromRgbF(0, 0, 0, isDark ? 0.45f : 0.18f));
    update();
}

void AboutView::mousePressEvent(QMouseEvent* event)
{
    // The window moves when dragged by its background.
    if (event->button() == Qt::LeftButton && window()->windowHandle()) {
        window()->windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void AboutView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_icon)
        applyColours();
}

} // namespace kestrion
