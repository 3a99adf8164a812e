#include "app/WelcomeView.h"

#include "app/AppBackground.h"
#include "app/NameplateView.h"
#include "app/RecentSermonsStore.h"
#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/FocusRingButton.h"
#include "platform/Symbols.h"
#include "platform/Typography.h"
#include "platform/WindowPlacement.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

QColor inkFor(const QWidget& widget)
{
    return Appearance::inkColor(Appearance::isDarkPalette(widget.palette()));
}

// One recent sermon: its title and, when it has occasions, the newest of them below in a
// smaller and fainter line. The whole width takes clicks; Return or Enter opens it too.
class RecentRow final : public QAbstractButton {
public:
    static constexpr int verticalMargin = 6;
    static constexpr int lineSpacing = 2;

    RecentRow(const RecentSermonsStore::Entry& entry, QWidget* parent)
        : QAbstractButton(parent)
        , m_entry(entry)
    {
        setFocusPolicy(Qt::StrongFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setText(entry.title);
        setAccessibleName(entry.title);
        if (entry.occasionLine)
            setAccessibleDescription(*entry.occasionLine);
        setToolTip(entry.path);
    }

    const RecentSermonsStore::Entry& entry() const { return m_entry; }

    QSize sizeHint() const override
    {
        int height = 2 * verticalMargin + int(Typography::lineHeight(titleFont()));
        if (m_entry.occasionLine)
            height += lineSpacing + int(Typography::lineHeight(occasionFont()));
        return { 200, height };
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor ink = inkFor(*this);
        const int width = this->width();
        int y = verticalMargin;
        const QFont title = titleFont();
        painter.setFont(title);
        painter.setPen(ink);
        const QFontMetrics titleMetrics(title);
        // Line breaks inside the title show as spaces: a row is one line per text.
        QString shown = m_entry.title;
        shown.replace(QChar(0x2028), u' ').replace(u'\n', u' ');
        // A marker is wider in the emoji font it is drawn from than the metrics say; it leads the
        // title, so whatever is cut off, the difference stays.
        const QFontMetricsF exact(title);
        const qreal markerExtra
            = std::max(EmojiText::horizontalAdvance(title, exact, shown) - exact.horizontalAdvance(shown), qreal(0));
        EmojiText::drawLine(painter, QPointF(0, y + titleMetrics.ascent()),
            titleMetrics.elidedText(shown, Qt::ElideRight, width - int(std::ceil(markerExtra))));
        y += int(Typography::lineHeight(title));
        if (m_entry.occasionLine) {
            y += lineSpacing;
            const QFont occasion = occasionFont();
            const QFontMetrics occasionMetrics(occasion);
            painter.setFont(occasion);
            painter.setPen(withOpacity(ink, 0.6));
            painter.drawText(0, y + occasionMetrics.ascent(),
                occasionMetrics.elidedText(*m_entry.occasionLine, Qt::ElideRight, width));
        }
        if (hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
            event->accept();
            click();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }

private:
    static QFont titleFont() { return Typography::systemFont(13); }
    static QFont occasionFont() { return Typography::systemFont(11); }

    RecentSermonsStore::Entry m_entry;
};

// A hairline between two rows.
class RowDivider final : public QWidget {
public:
    explicit RowDivider(QWidget* parent)
        : QWidget(parent)
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), withOpacity(inkFor(*this), 0.4 * 0.3));
    }
};

// A scroll area that asks for the height its rows want now: the platform's keeps asking for
// the height they wanted when it first measured them.
class RecentList final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return (widget() ? widget()->sizeHint() : QSize()) + QSize(frame, frame);
    }
};

} // namespace

WelcomeView::WelcomeView(RecentSermonsStore* recents, RecentPaths recentPaths, Action onNewSermon, Action onOpenFile,
    OpenRecentAction onOpenRecent, QWidget* parent)
    : QWidget(parent)
    , m_recents(recents)
    , m_recentPaths(std::move(recentPaths))
    , m_onNewSermon(std::move(onNewSermon))
    , m_onOpenFile(std::move(onOpenFile))
    , m_onOpenRecent(std::move(onOpenRecent))
{
    m_recents->setParent(this);
    // As far as the screen has room for it.
    setMinimumSize(WindowPlacement::fitted(minimumContentSize, WindowPlacement::contentRoom(*window())));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* background = new AppBackground(this);
    outer->addWidget(background);

    auto* column = new QVBoxLayout(background);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The two spacers share the free height and never shrink below their length; the list
    // scrolls once it would not fit.
    column->addSpacerItem(new QSpacerItem(0, 24, QSizePolicy::Minimum, QSizePolicy::MinimumExpanding));
    m_nameplate = new NameplateView(background);
    column->addWidget(m_nameplate, 0, Qt::AlignHCenter);
    column->addSpacing(36);
    column->addWidget(buildActions(background), 0, Qt::AlignHCenter);
    column->addSpacing(34);
    auto* recentRow = new QHBoxLayout;
    recentRow->setContentsMargins(32, 0, 32, 0);
    recentRow->addWidget(buildRecentSection(background));
    column->addLayout(recentRow);
    column->addSpacerItem(new QSpacerItem(0, 16, QSizePolicy::Minimum, QSizePolicy::MinimumExpanding));

    connect(m_recents, &RecentSermonsStore::entriesChanged, this, &WelcomeView::rebuildRows);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && isVisible())
            loadRecents();
    });
    applyColours();
    rebuildRows();
}

WelcomeView::~WelcomeView() = default;

QWidget* WelcomeView::buildActions(QWidget* parent)
{
    auto* actions = new QWidget(parent);
    auto* stack = new QVBoxLayout(actions);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);

    m_newSermonButton = new FocusRingButton(tr("New Sermon"), actions);
    m_newSermonButton->setFont(Typography::systemFont(15, QFont::Medium));
    m_newSermonButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_newSermonButton->setMinimumHeight(36);
    m_newSermonButton->setIconSize(QSize(14, 14));
    m_newSermonButton->setDefault(true);
    // Room beside the label, as a large prominent button has.
    m_newSermonButton->setMinimumWidth(m_newSermonButton->sizeHint().width() + 2 * 8 + 14);
    connect(m_newSermonButton, &QPushButton::clicked, this, [this] {
        if (m_onNewSermon)
            m_onNewSermon();
    });
    stack->addWidget(m_newSermonButton, 0, Qt::AlignHCenter);

    m_openFileButton = new FocusRingButton(tr("Open existing file…"), actions);
    m_openFileButton->setFont(Typography::systemFont(12));
    m_openFileButton->setFlat(true);
    m_openFileButton->setCursor(Qt::PointingHandCursor);
    connect(m_openFileButton, &QPushButton::clicked, this, [this] {
        if (m_onOpenFile)
            m_onOpenFile();
    });
    stack->addWidget(m_openFileButton, 0, Qt::AlignHCenter);
    return actions;
}

QWidget* WelcomeView::buildRecentSection(QWidget* parent)
{
    m_recentSection = new QWidget(parent);
    m_recentSection->setMaximumWidth(recentSectionMaximumWidth);
    // No taller than the rows need: the window's free height goes to the spacers above and
    // below, never between the caption and the rows.
    m_recentSection->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* stack = new QVBoxLayout(m_recentSection);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    m_recentCaption = new QLabel(tr("RECENT"), m_recentSection);
    QFont caption = Typography::systemFont(10, QFont::DemiBold);
    caption.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    m_recentCaption->setFont(caption);
    stack->addWidget(m_recentCaption);

    m_recentScroll = new RecentList(m_recentSection);
    m_recentScroll->setFrameShape(QFrame::NoFrame);
    m_recentScroll->setWidgetResizable(true);
    m_recentScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rowsHost = new QWidget;
    m_rows = new QVBoxLayout(m_rowsHost);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(8);
    m_recentScroll->setWidget(m_rowsHost);
    // The backdrop shows through (setWidget turned the filling on).
    m_recentScroll->viewport()->setAutoFillBackground(false);
    m_rowsHost->setAutoFillBackground(false);
    stack->addWidget(m_recentScroll);
    return m_recentSection;
}

void WelcomeView::loadRecents()
{
    m_recents->refresh(m_recentPaths ? m_recentPaths() : QStringList());
}

void WelcomeView::rebuildRows()
{
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const std::vector<RecentSermonsStore::Entry>& entries = m_recents->entries();
    // Each member shown at once: a row made while the window is on screen would show only on
    // the next turn, and until then the host's size would leave it out.
    const auto add = [this](QWidget* member) {
        m_rows->addWidget(member);
        member->show();
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* row = new RecentRow(entries[i], m_rowsHost);
        const QString path = entries[i].path;
        // Once the click is over: the open may report a missing file, and the list it changes
        // rebuilds these rows.
        connect(
            row, &QAbstractButton::clicked, this,
            [this, path] {
                if (m_onOpenRecent)
                    m_onOpenRecent(path);
            },
            Qt::QueuedConnection);
        add(row);
        if (i + 1 < entries.size())
            add(new RowDivider(m_rowsHost));
    }
    m_rows->addStretch(1);
    // As tall as the rows need; the window's height bounds it and the rest scrolls.
    const int listHeight = m_rowsHost->sizeHint().height();
    m_recentScroll->setMinimumHeight(std::min(listHeight, 120));
    m_recentScroll->setMaximumHeight(listHeight);
    m_recentScroll->updateGeometry();
    // The newest first.
    m_recentScroll->verticalScrollBar()->setValue(0);
    m_recentSection->setVisible(!entries.empty());
}

QList<QAbstractButton*> WelcomeView::recentRows() const
{
    QList<QAbstractButton*> rows;
    for (int i = 0; i < m_rows->count(); ++i) {
        if (auto* row = dynamic_cast<RecentRow*>(m_rows->itemAt(i)->widget()))
            rows.append(row);
    }
    return rows;
}

int WelcomeView::dividerCount() const
{
    int count = 0;
    for (int i = 0; i < m_rows->count(); ++i)
        count += dynamic_cast<RowDivider*>(m_rows->itemAt(i)->widget()) ? 1 : 0;
    return count;
}

void WelcomeView::applyColours()
{
    const QColor ink = inkFor(*this);
    m_nameplate->setInk(ink);
    setTextColour(m_recentCaption, withOpacity(ink, 0.6));

    // Prominent: the accent colour filled, its text in the colour made for it.
    QPalette prominent = palette();
    prominent.setColor(QPalette::Button, prominent.color(QPalette::Highlight));
    prominent.setColor(QPalette::ButtonText, prominent.color(QPalette::HighlightedText));
    m_newSermonButton->setPalette(prominent);
    m_newSermonButton->setIcon(Symbols::icon(QStringLiteral("plus"), prominent.color(QPalette::HighlightedText), 14));
    setTextColour(m_openFileButton, palette().color(QPalette::Highlight));
}

void WelcomeView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    loadRecents();
}

void WelcomeView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_newSermonButton)
        applyColours();
}

} // namespace kestrion
