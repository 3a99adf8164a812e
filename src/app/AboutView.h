#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <utility>

class QAbstractButton;
class QLabel;

namespace kestrion {

class NameplateView;

// The content of the About window: the icon, the name and caption, the version line, two
// taglines, a web and a mail link, a credit and the copyright, over a soft glow and the
// window backdrop. Its colours follow the palette's appearance.
class AboutView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize { 460, 540 };
    static constexpr int iconSize = 112;

    explicit AboutView(QWidget* parent = nullptr);
    ~AboutView() override;

    static QUrl webLink();
    static QUrl mailLink();
    static QString copyrightLine();
    static QColor glowColour(bool isDark);

    QLabel* versionLabel() const { return m_version; }
    // Each link's tool tip is its address.
    QAbstractButton* webLinkButton() const { return m_webLink; }
    QAbstractButton* mailLinkButton() const { return m_mailLink; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QAbstractButton* makeLink(const QString& label, const QUrl& url);
    void applyColours();

    QLabel* m_icon = nullptr;
    NameplateView* m_nameplate = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_tagline = nullptr;
    QLabel* m_subtitle = nullptr;
    QLabel* m_separator = nullptr;
    QLabel* m_credit = nullptr;
    QLabel* m_copyright = nullptr;
    QAbstractButton* m_webLink = nullptr;
    QAbstractButton* m_mailLink = nullptr;
};

// The short version and the build number of this build, each "—" when the build leaves it
// empty.
std::pair<QString, QString> aboutVersionString();
// "Version 1.4 (42)".
QString aboutVersionLine(const std::pair<QString, QString>& version);

} // namespace kestrion
