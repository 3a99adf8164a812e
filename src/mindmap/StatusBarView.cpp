#include "mindmap/StatusBarView.h"

#include "document/SermonDocument.h"
#include "document/WordCount.h"
#include "mindmap/ReadingPace.h"
#include "mindmap/ZoomControlsView.h"
#include "platform/PlainButton.h"
#include "platform/Preferences.h"
#include "platform/Typography.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

namespace kestrion {

StatusBarView::StatusBarView(SermonDocument& document, Preferences& preferences, QWidget* parent)
    : QWidget(parent)
    , m_document(&document)
    , m_preferences(preferences)
{
    setObjectName(QStringLiteral("statusBar"));
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(horizontalInset, 0, horizontalInset, 0);

    m_paceButton = new PlainButton(this);
    m_paceButton->setObjectName(QStringLiteral("readingPace"));
    m_paceButton->setFont(Typography::systemFont(11));
    m_paceButton->setAccessibleName(tr("Reading pace"));
    m_paceButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addWidget(m_paceButton, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_zoomControls = new ZoomControlsView(this);
    row->addWidget(m_zoomControls, 0, Qt::AlignVCenter);

    m_paceMenu = new QMenu(this);
    for (ReadingPace pace : allReadingPaces) {
        QAction* action = m_paceMenu->addAction(title(pace));
        action->setCheckable(true);
        action->setData(rawValue(pace));
        connect(action, &QAction::triggered, this, [this, pace] {
            m_preferences.setReadingPaceWPM(rawValue(pace));
            // Choosing the pace already stored changes nothing, yet its item stays checked.
            refresh();
        });
    }
    connect(m_paceButton, &PlainButton::clicked, this, &StatusBarView::showPaceMenu);

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &StatusBarView::showCount);
    // Every way the words can change: a recorded edit, undo and redo, text that needs no step
    // of its own, a new tree, a title set from the details.
    for (auto signal :
        { &SermonDocument::undoStackChanged, &SermonDocument::rootChanged, &SermonDocument::metadataChanged })
        connect(&document, signal, this, &StatusBarView::scheduleRefresh);
    connect(&document, &SermonDocument::contentEdited, this, &StatusBarView::contentEdited);
    // A keystroke in the columns changes one text: its words are added, the tree is not walked.
    connect(&document, &SermonDocument::nodeTextWritten, this, [this](qint64 wordChange) {
        if (m_words)
            *m_words += wordChange;
        m_isTextWrite = true;
    });
    connect(&document, &SermonDocument::undoRedoGenerationChanged, this, &StatusBarView::scheduleRefresh);
    connect(&m_preferences, &Preferences::changed, this, [this](const QString& key) {
        if (key == Preferences::readingPaceWPMKey)
            refresh();
    });
    refresh();
}

StatusBarView::~StatusBarView() = default;

QString StatusBarView::statusText(const SermonNodePtr& root, qint64 storedWordsPerMinute)
{
    return statusText(root ? wordCount(root) : 0, storedWordsPerMinute);
}

QString StatusBarView::statusText(qint64 words, qint64 storedWordsPerMinute)
{
    if (words == 0)
        return tr("0 words");
    const qint64 pace = Preferences::usableReadingPaceWPM(storedWordsPerMinute);
    return tr("%1 words · %2 min @%3wpm").arg(words).arg(readingMinutes(words, pace)).arg(pace);
}

QString StatusBarView::currentStatusText() const
{
    return m_paceButton->text();
}

void StatusBarView::refresh()
{
    m_words.reset();
    showCount();
}

qint64 StatusBarView::sermonWords()
{
    if (!m_words) {
        const SermonNodePtr root = m_document ? m_document->root() : SermonNodePtr();
        m_words = root ? wordCount(root) : 0;
    }
    return *m_words;
}

void StatusBarView::showCount()
{
    m_refreshTimer.stop();
    const qint64 stored = m_preferences.readingPaceWPM();
    const QString text = statusText(sermonWords(), stored);
    if (text != m_paceButton->text()) {
        m_paceButton->setText(text);
        // Always at its ideal size: never wrapped, never cut.
        m_paceButton->setFixedSize(m_paceButton->sizeHint().width(), barHeight);
    }
    for (QAction* action : m_paceMenu->actions())
        action->setChecked(action->data().toLongLong() == stored);
}

void StatusBarView::scheduleRefresh()
{
    m_words.reset();
    m_refreshTimer.start();
}

void StatusBarView::contentEdited()
{
    if (!m_isTextWrite)
        m_words.reset();
    m_isTextWrite = false;
    m_refreshTimer.start();
}

QList<QAction*> StatusBarView::paceActions() const
{
    return m_paceMenu->actions();
}

qreal StatusBarView::scale() const
{
    return m_zoomControls->scale();
}

void StatusBarView::setScale(qreal scale)
{
    m_zoomControls->setScale(scale);
}

void StatusBarView::setOnZoomIn(std::function<void()> action)
{
    m_zoomControls->setOnZoomIn(std::move(action));
}

void StatusBarView::setOnZoomOut(std::function<void()> action)
{
    m_zoomControls->setOnZoomOut(std::move(action));
}

void StatusBarView::setOnZoomReset(std::function<void()> action)
{
    m_zoomControls->setOnReset(std::move(action));
}

void StatusBarView::showPaceMenu()
{
    m_paceMenu->popup(m_paceButton->mapToGlobal(QPoint(0, m_paceButton->height())));
}

void StatusBarView::paintEvent(QPaintEvent*)
{
    // The top rule; the bar has no background of its own.
    QPainter painter(this);
    QColor rule = palette().color(QPalette::WindowText);
    rule.setAlphaF(0.1f);
    painter.fillRect(QRect(0, 0, width(), 1), rule);
}

} // namespace kestrion
