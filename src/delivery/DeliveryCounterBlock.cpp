#include "delivery/DeliveryCounterBlock.h"

#include "delivery/DeliveryTimer.h"
#include "delivery/DurationEntry.h"
#include "platform/Appearance.h"
#include "platform/SemanticColors.h"
#include "platform/Typography.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTime>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestrion {

namespace {

constexpr double pausedOpacity = 0.45;
constexpr double warningSeconds = 300;
constexpr int markGap = 4;

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(role, colour);
    widget->setPalette(palette);
}

QString rgba(const QColor& colour)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alphaF(), 0, 'f', 3);
}

QLabel* makeLabel(QWidget* parent, const QFont& font)
{
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

} // namespace

DeliveryCounterBlock::DeliveryCounterBlock(DeliveryTimer& timer, QWidget* parent)
    : QWidget(parent)
    , m_timer(timer)
{
    setObjectName(QStringLiteral("deliveryCounterBlock"));
    setFixedWidth(blockWidth);
    setAttribute(Qt::WA_TranslucentBackground);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    // The remaining time, or the field that edits the duration in its place.
    auto* remainingRow = new QWidget(this);
    auto* remainingLayout = new QHBoxLayout(remainingRow);
    remainingLayout->setContentsMargins(0, 0, 0, 0);
    remainingLayout->setSpacing(markGap);
    const QFont large = m_remainingFont;
    m_remaining = makeLabel(remainingRow, large);
    m_remaining->setCursor(Qt::PointingHandCursor);
    m_remaining->installEventFilter(this);
    m_remaining->setAccessibleName(tr("Time remaining"));
    m_field = new QLineEdit(remainingRow);
    m_field->setFont(large);
    m_field->setFrame(false);
    m_field->setPlaceholderText(tr("mm"));
    m_field->setFixedWidth(fieldWidth);
    m_field->setAlignment(Qt::AlignCenter);
    // Plain: the digits stand on the page itself.
    QPalette fieldPalette = m_field->palette();
    fieldPalette.setColor(QPalette::Base, Qt::transparent);
    m_field->setPalette(fieldPalette);
    m_field->hide();
    m_field->installEventFilter(this);
    m_addedMark = makeLabel(remainingRow, Typography::systemFont(10));
    m_addedMark->hide();
    remainingLayout->addWidget(m_remaining, 0, Qt::AlignBaseline);
    remainingLayout->addWidget(m_field, 0, Qt::AlignBaseline);
    remainingLayout->addWidget(m_addedMark, 0, Qt::AlignBaseline);
    remainingLayout->addStretch(1);
    column->addWidget(remainingRow);

    m_hint = makeLabel(this, Typography::systemFont(10, QFont::Medium));
    m_hint->setText(tr("1\u2013%1 min").arg(DeliveryTimer::maxMinutes));
    m_hint->hide();
    column->addWidget(m_hint);
    connect(m_field, &QLineEdit::textEdited, m_hint, &QWidget::hide);

    m_pills = new QWidget(this);
    auto* pillLayout = new QHBoxLayout(m_pills);
    pillLayout->setContentsMargins(0, 0, 0, 0);
    pillLayout->setSpacing(6);
    m_fivePill = makePill(QStringLiteral("+5"), 5);
    m_tenPill = makePill(QStringLiteral("+10"), 10);
    pillLayout->addWidget(m_fivePill);
    pillLayout->addWidget(m_tenPill);
    pillLayout->addStretch(1);
    m_pills->hide();
    column->addWidget(m_pills);

    const auto makeRow = [this, column](QLabel*& value, const QString& caption, const QString& name) {
        auto* row = new QWidget(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        value = makeLabel(row, Typography::systemFont(12));
        QLabel* captionLabel = makeLabel(row, Typography::systemFont(10));
        captionLabel->setText(caption);
        m_captions.append(captionLabel);
        layout->addWidget(value, 0, Qt::AlignBaseline);
        layout->addWidget(captionLabel, 0, Qt::AlignBaseline);
        layout->addStretch(1);
        row->setAccessibleName(name);
        row->hide();
        column->addWidget(row);
        return row;
    };
    m_elapsedRow = makeRow(m_elapsed, tr("total"), tr("Total elapsed"));
    m_wallClockRow = makeRow(m_wallClock, tr("now"), tr("Wall clock"));

    column->addSpacing(2);
    m_hairline = new QWidget(this);
    m_hairline->setFixedHeight(1);
    m_hairline->setAutoFillBackground(true);
    column->addWidget(m_hairline);

    m_refresh.setSingleShot(true);
    m_refresh.setTimerType(Qt::PreciseTimer);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        refresh();
        scheduleRefresh();
    });
    connect(&m_timer, &DeliveryTimer::stateChanged, this, &DeliveryCounterBlock::timerStateChanged);
    connect(&m_timer, &DeliveryTimer::remainingSecondsChanged, this, &DeliveryCounterBlock::refresh);
    connect(&m_timer, &DeliveryTimer::targetSecondsChanged, this, &DeliveryCounterBlock::refresh);
    connect(&m_timer, &DeliveryTimer::plannedTargetSecondsChanged, this, &DeliveryCounterBlock::refresh);
    connect(&m_timer, &DeliveryTimer::firstStartedAtChanged, this, [this] {
        refresh();
        scheduleRefresh();
    });
    connect(&Appearance::shared(), &Appearance::changed, this, &DeliveryCounterBlock::refresh);
    refresh();
}

DeliveryCounterBlock::~DeliveryCounterBlock() = default;

QToolButton* DeliveryCounterBlock::makePill(const QString& label, qint64 minutes)
{
    auto* pill = new QToolButton(this);
    pill->setText(label);
    pill->setFont(Typography::systemFont(11, QFont::Medium));
    pill->setFocusPolicy(Qt::NoFocus);
    pill->setCursor(Qt::PointingHandCursor);
    pill->setAccessibleName(tr("Add %1 minutes").arg(minutes));
    connect(pill, &QToolButton::clicked, this, [this, minutes] { addMinutes(minutes); });
    return pill;
}

bool DeliveryCounterBlock::canAdd(qint64 minutes) const
{
    return m_timer.targetSeconds() + static_cast<double>(minutes) * 60.0 <= DeliveryTimer::maxTargetSeconds;
}

QToolButton* DeliveryCounterBlock::pill(int minutes) const
{
    return minutes == 5 ? m_fivePill : minutes == 10 ? m_tenPill : nullptr;
}

bool DeliveryCounterBlock::arePillsShown() const
{
    return m_showPills && m_timer.state() != TimerState::Idle;
}

bool DeliveryCounterBlock::isElapsedShown() const
{
    return m_timer.firstStartedAt().has_value();
}

qint64 DeliveryCounterBlock::addedMinutes() const
{
    return (DeliveryTimer::wholeSeconds(m_timer.targetSeconds())
               - DeliveryTimer::wholeSeconds(m_timer.plannedTargetSeconds()))
        / 60;
}

QColor DeliveryCounterBlock::remainingColor(double remainingSeconds, TimerState state, bool isDark)
{
    QColor colour = SemanticColors::primary(isDark);
    if (remainingSeconds <= 0)
        colour = SemanticColors::red(isDark);
    else if (remainingSeconds <= warningSeconds)
        colour = SemanticColors::orange(isDark);
    return state == TimerState::Paused ? SemanticColors::withOpacity(colour, pausedOpacity) : colour;
}

QColor DeliveryCounterBlock::remainingColor() const
{
    return remainingColor(m_timer.remainingSeconds(), m_timer.state(), isDarkAppearance());
}

void DeliveryCounterBlock::refresh()
{
    const bool isDark = isDarkAppearance();
    const qint64 added = addedMinutes();
    m_addedMark->setVisible(added >= 1);
    m_addedMark->setText(tr("(+%1)").arg(added));
    setTextColour(m_addedMark, SemanticColors::tertiary(isDark));

    const QString remaining = m_timer.remainingText();
    m_remaining->setText(remaining);
    m_remaining->setAccessibleDescription(remaining);
    // A countdown of a thousand minutes and more takes smaller digits rather than being cut off.
    const double room = blockWidth - (added >= 1 ? m_addedMark->sizeHint().width() + markGap : 0);
    const double natural = QFontMetricsF(m_remainingFont).horizontalAdvance(remaining);
    const QFont font = natural <= room
        ? m_remainingFont
        : Typography::systemFont(std::floor(m_remainingFont.pixelSize() * room / natural), QFont::DemiBold);
    if (m_remaining->font() != font)
        m_remaining->setFont(font);
    const QColor colour = remainingColor();
    setTextColour(m_remaining, colour);
    setTextColour(m_field, colour);

    m_pills->setVisible(arePillsShown());
    for (QToolButton* pill : { m_fivePill, m_tenPill }) {
        const qint64 minutes = pill == m_fivePill ? 5 : 10;
        pill->setEnabled(canAdd(minutes));
        pill->setToolTip(pill->isEnabled() ? tr("Add %1 minutes to target").arg(minutes)
                                           : tr("The target is at most %1 minutes").arg(DeliveryTimer::maxMinutes));
    }
    setTextColour(m_hint, SemanticColors::orange(isDark));
    const QString pillStyle = QStringLiteral("QToolButton { border: none; border-radius: 9px; padding: 3px 8px; "
                                             "background: %1; color: %2; } QToolButton:disabled { color: %3; }")
                                  .arg(rgba(SemanticColors::withOpacity(SemanticColors::secondary(isDark), 0.15)),
                                      rgba(SemanticColors::secondary(isDark)),
                                      rgba(SemanticColors::withOpacity(SemanticColors::secondary(isDark), 0.35)));
    if (m_fivePill->styleSheet() != pillStyle) {
        m_fivePill->setStyleSheet(pillStyle);
        m_tenPill->setStyleSheet(pillStyle);
    }

    const bool started = isElapsedShown();
    m_elapsedRow->setVisible(started);
    m_wallClockRow->setVisible(started);
    if (started) {
        m_elapsed->setText(m_timer.elapsedText());
        m_elapsedRow->setAccessibleDescription(m_elapsed->text());
        m_wallClock->setText(DeliveryTimer::wallClockText(QTime::currentTime()));
    }
    setTextColour(m_elapsed, SemanticColors::secondary(isDark));
    setTextColour(m_wallClock, SemanticColors::tertiary(isDark));
    for (QLabel* caption : std::as_const(m_captions))
        setTextColour(caption, SemanticColors::tertiary(isDark));
    QPalette hairline = m_hairline->palette();
    hairline.setColor(QPalette::Window, SemanticColors::withOpacity(SemanticColors::primary(isDark), 0.15));
    m_hairline->setPalette(hairline);
    // The block stands free over the page: it takes the height of the rows it shows.
    adjustSize();
}

void DeliveryCounterBlock::scheduleRefresh()
{
    if (!isVisible() || !isElapsedShown()) {
        m_refresh.stop();
        return;
    }
    // Just after the wall clock's next second, so the clock turns over on time.
    const int intoSecond = QTime::currentTime().msec();
    m_refresh.start(1000 - intoSecond + 5);
}

void DeliveryCounterBlock::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
    scheduleRefresh();
}

void DeliveryCounterBlock::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_refresh.stop();
}

void DeliveryCounterBlock::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange && m_remaining)
        refresh();
    QWidget::changeEvent(event);
}

void DeliveryCounterBlock::setShowPills(bool show)
{
    if (show == m_showPills)
        return;
    m_showPills = show;
    refresh();
}

void DeliveryCounterBlock::durationTapped()
{
    if (m_isEditingDuration)
        return;
    if (m_timer.state() == TimerState::Idle)
        beginDurationEdit();
    else
        setShowPills(!m_showPills);
}

void DeliveryCounterBlock::beginDurationEdit()
{
    m_field->setText(QString::number(DeliveryTimer::wholeSeconds(m_timer.remainingSeconds()) / 60));
    m_isEditingDuration = true;
    m_remaining->hide();
    m_field->show();
    adjustSize();
    // The field takes the keyboard once it is shown.
    QTimer::singleShot(0, m_field, [this] {
        if (m_isEditingDuration) {
            m_field->setFocus(Qt::OtherFocusReason);
            m_field->selectAll();
        }
    });
}

void DeliveryCounterBlock::endEditing()
{
    // Before anything else: the focus loss that follows must find the edit over.
    m_isEditingDuration = false;
    m_hint->hide();
    m_field->hide();
    m_remaining->show();
    adjustSize();
}

bool DeliveryCounterBlock::refuseAboveBound()
{
    if (!isDurationEntryAboveBound(m_field->text()))
        return false;
    m_hint->show();
    m_field->selectAll();
    adjustSize();
    return true;
}

bool DeliveryCounterBlock::commitDurationEdit()
{
    if (!m_isEditingDuration)
        return true;
    if (refuseAboveBound()) {
        m_field->setFocus(Qt::OtherFocusReason);
        return false;
    }
    finishDurationEdit();
    return true;
}

void DeliveryCounterBlock::finishDurationEdit()
{
    if (!m_isEditingDuration)
        return;
    endEditing();
    if (const std::optional<qint64> minutes = parseDurationEntry(m_field->text())) {
        m_timer.setDuration(*minutes);
        if (m_onDurationChanged)
            m_onDurationChanged(*minutes);
    }
    if (m_onEditingEnded)
        m_onEditingEnded();
}

void DeliveryCounterBlock::cancelDurationEdit()
{
    if (!m_isEditingDuration)
        return;
    endEditing();
    if (m_onEditingEnded)
        m_onEditingEnded();
}

void DeliveryCounterBlock::addMinutes(qint64 minutes)
{
    m_timer.adjust(minutes);
    setShowPills(false);
}

void DeliveryCounterBlock::timerStateChanged(TimerState state)
{
    if (state == TimerState::Idle)
        m_showPills = false;
    else
        cancelDurationEdit();
    refresh();
}

bool DeliveryCounterBlock::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_remaining && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_remaining->rect().contains(mouse->position().toPoint())) {
            durationTapped();
            return true;
        }
    }
    if (watched == m_field) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool isReturn = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (!isReturn && key->key() != Qt::Key_Escape)
                break;
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                if (isReturn)
                    commitDurationEdit();
                else
                    cancelDurationEdit();
            }
            return true;
        }
        case QEvent::FocusOut: {
            // Another window or the field's own menu taking the keyboard leaves the edit open:
            // the field has it again when they are done. An entry beyond the day is refused as
            // Return refuses it, and stays to be mended; the keyboard goes where it was sent.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (m_isEditingDuration && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
                && !refuseAboveBound())
                finishDurationEdit();
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kestrion
