#include "mindmap/SearchBarOverlay.h"

#include "platform/Appearance.h"
#include "platform/PlainButton.h"
#include "platform/Symbols.h"
#include "platform/Typography.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace kestrion {

namespace {

constexpr int glassSize = 12;
constexpr qreal stepSymbolSize = 10;
constexpr int stepButtonSide = 18;

bool isRoutedKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter
        || key == Qt::Key_Escape;
}

} // namespace

SearchBarOverlay::SearchBarOverlay(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("searchBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 6, 10, 6);
    row->setSpacing(6);

    m_glass = new QLabel(this);
    m_glass->setFixedSize(glassSize, glassSize);
    row->addWidget(m_glass, 0, Qt::AlignVCenter);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setPlaceholderText(tr("Search"));
    m_field->setAccessibleName(tr("Search"));
    m_field->setFrame(false);
    m_field->setFont(Typography::systemFont(13));
    m_field->setMinimumWidth(minimumFieldWidth);
    m_field->installEventFilter(this);
    row->addWidget(m_field, 1, Qt::AlignVCenter);

    m_matchLabel = new QLabel(this);
    m_matchLabel->setObjectName(QStringLiteral("searchMatchLabel"));
    m_matchLabel->setFont(Typography::systemFont(11));
    row->addWidget(m_matchLabel, 0, Qt::AlignVCenter);

    auto* steps = new QHBoxLayout;
    steps->setSpacing(2);
    auto symbolButton = [this](const QString& symbol, const QString& name) {
        auto* button = new PlainButton(this);
        button->setSymbol(symbol, stepSymbolSize);
        button->setFixedSize(stepButtonSide, stepButtonSide);
        button->setAccessibleName(name);
        return button;
    };
    m_previousButton = symbolButton(QStringLiteral("chevron.up"), tr("Previous Match"));
    m_nextButton = symbolButton(QStringLiteral("chevron.down"), tr("Next Match"));
    steps->addWidget(m_previousButton);
    steps->addWidget(m_nextButton);
    row->addLayout(steps);
    m_closeButton = symbolButton(QStringLiteral("xmark"), tr("Close Search"));
    row->addWidget(m_closeButton, 0, Qt::AlignVCenter);

    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        updateMatchDisplay();
        if (m_onQueryChanged)
            m_onQueryChanged(text);
    });
    connect(m_previousButton, &PlainButton::clicked, this, [this] { call(m_onPrevious); });
    connect(m_nextButton, &PlainButton::clicked, this, [this] { call(m_onNext); });
    connect(m_closeButton, &PlainButton::clicked, this, [this] { call(m_onDismiss); });

    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, 51));
    shadow->setBlurRadius(16);
    shadow->setOffset(0, 4);
    setGraphicsEffect(shadow);

    updateColours();
    updateMatchDisplay();
}

SearchBarOverlay::~SearchBarOverlay() = default;

QString SearchBarOverlay::query() const
{
    return m_field->text();
}

void SearchBarOverlay::setQuery(const QString& query)
{
    if (m_field->text() != query)
        m_field->setText(query);
    updateMatchDisplay();
}

void SearchBarOverlay::setMatches(qint64 count, qint64 currentIndex)
{
    m_matchCount = count;
    m_currentMatchIndex = currentIndex;
    updateMatchDisplay();
}

QString SearchBarOverlay::matchLabelText(qint64 count, qint64 currentIndex)
{
    if (count < 1)
        return tr("0 results");
    return tr("%1 of %2").arg(currentIndex + 1).arg(count);
}

void SearchBarOverlay::updateMatchDisplay()
{
    m_matchLabel->setText(matchLabelText(m_matchCount, m_currentMatchIndex));
    m_matchLabel->setVisible(!m_field->text().isEmpty());
    const bool hasMatches = m_matchCount > 0;
    m_previousButton->setEnabled(hasMatches);
    m_nextButton->setEnabled(hasMatches);
}

void SearchBarOverlay::focusField()
{
    m_field->setFocus(Qt::OtherFocusReason);
}

void SearchBarOverlay::call(const std::function<void()>& action)
{
    if (action)
        action();
}

bool SearchBarOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // What the field uses is the field's: its routed keys, and every key typed without
        // Ctrl, Alt or Meta (Space, Backspace, Return and Tab are shortcuts on the map).
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
        if (isRoutedKey(key->key()) || !(key->modifiers() & commandKeys)) {
            event->accept();
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
        call(m_onPrevious);
        return true;
    case Qt::Key_Down:
        call(m_onNext);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Once per press: a held Return does not run through the matches.
        if (!key->isAutoRepeat())
            call(key->modifiers().testFlag(Qt::ShiftModifier) ? m_onPrevious : m_onNext);
        return true;
    case Qt::Key_Escape:
        call(m_onDismiss);
        return true;
    default:
        return false;
    }
}

void SearchBarOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    focusField();
}

void SearchBarOverlay::paintEvent(QPaintEvent*)
{
    // A rounded, nearly opaque panel of the window's colour stands in for the blurred material.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.94f);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(panel, fill);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.12f);
    painter.strokePath(panel, QPen(edge, 0.5));
}

void SearchBarOverlay::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateColours();
}

void SearchBarOverlay::updateColours()
{
    const QColor secondary = Appearance::secondaryColor(palette());
    m_glass->setPixmap(Symbols::icon(QStringLiteral("magnifyingglass"), secondary, glassSize).pixmap(glassSize));
    QPalette labelPalette = m_matchLabel->palette();
    labelPalette.setColor(QPalette::WindowText, secondary);
    m_matchLabel->setPalette(labelPalette);
    QPalette fieldPalette = m_field->palette();
    fieldPalette.setColor(QPalette::Base, Qt::transparent);
    m_field->setPalette(fieldPalette);
}

} // namespace kestrion
