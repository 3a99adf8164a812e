#include "platform/NoticeBar.h"

#include "platform/Appearance.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

namespace kestrion {

NoticeBar::NoticeBar(const QString& text, std::vector<NoticeAction> actions, QWidget* parent)
    : QFrame(parent)
    , m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("noticeBar"));
    setForegroundRole(QPalette::ToolTipText);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 6, 6);
    row->setSpacing(8);
    m_label = new QLabel(text, this);
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_label, 1);

    for (const NoticeAction& action : m_actions) {
        auto* button = new QPushButton(action.title, this);
        // The notice never takes the keyboard from the canvas or editor below it.
        button->setFocusPolicy(Qt::NoFocus);
        const QString title = action.title;
        connect(button, &QPushButton::clicked, this, [this, title] { trigger(title); });
        row->addWidget(button);
    }
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u2715"));
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::NoFocus);
    close->setToolTip(tr("Close"));
    close->setAccessibleName(tr("Close"));
    connect(close, &QToolButton::clicked, this, &NoticeBar::finished);
    row->addWidget(close);
}

void NoticeBar::paintEvent(QPaintEvent*)
{
    // A band across the window, raised over it, with a line along each long edge.
    QPainter painter(this);
    painter.fillRect(rect(), Appearance::raisedColor(palette()));
    painter.fillRect(QRect(0, 0, width(), 1), Appearance::edgeColor(palette()));
    painter.fillRect(QRect(0, height() - 1, width(), 1), Appearance::edgeColor(palette()));
}

QString NoticeBar::text() const
{
    return m_label->text();
}

QStringList NoticeBar::actionTitles() const
{
    QStringList titles;
    for (const NoticeAction& action : m_actions)
        titles.append(action.title);
    return titles;
}

bool NoticeBar::trigger(const QString& title)
{
    for (const NoticeAction& action : m_actions) {
        if (action.title != title)
            continue;
        // Copied: the action may replace or close this very notice.
        const std::function<void()> run = action.run;
        Q_EMIT finished();
        if (run)
            run();
        return true;
    }
    return false;
}

} // namespace kestrion
