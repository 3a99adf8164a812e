#include "delivery/DeliveryTimelineRuler.h"

#include "delivery/DeliveryTimer.h"
#include "delivery/TimelineScale.h"
#include "platform/AnimationClock.h"
#include "platform/Appearance.h"
#include "platform/EmojiText.h"
#include "platform/SemanticColors.h"
#include "platform/Typography.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrion {

namespace {

constexpr double H = DeliveryTimelineRuler::rulerHeight;
constexpr double dotY = 21;
constexpr double dotClearance = 3;
constexpr double runnerLineY = 40;
constexpr double runnerDotRadius = 4;
constexpr double titleBaseline = 16;
constexpr double minuteBaseline = 35;
constexpr double behindWarning = 120;
constexpr double behindAlarm = 240;

double pulse(double time, double period, double low, double high)
{
    return low + (high - low) * (std::sin(2 * std::numbers::pi * time / period) + 1) / 2;
}

// Spaces and tabs off both ends; line breaks stay.
QString trimmedOfSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto isSpace = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

DeliveryTimelineRuler::DeliveryTimelineRuler(DeliveryTimer& timer, DeliveryCanvasState& canvasState, QWidget* parent)
    : QWidget(parent)
    , m_timer(timer)
    , m_canvasState(canvasState)
    , m_clock(&AnimationClock::system())
{
    setObjectName(QStringLiteral("deliveryTimelineRuler"));
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(widgetHeight);
    m_redrawTimer.setTimerType(Qt::PreciseTimer);
    m_redrawTimer.setInterval(redrawIntervalMilliseconds);
    connect(&m_redrawTimer, &QTimer::timeout, this, [this] {
        m_pulseClock.advance();
        if (needsFrame())
            update();
    });
    connect(&m_timer, &DeliveryTimer::stateChanged, this, &DeliveryTimelineRuler::timerStateChanged);
    connect(&m_timer, &DeliveryTimer::targetSecondsChanged, this, qOverload<>(&QWidget::update));
    connect(&m_canvasState, &DeliveryCanvasState::scrollYChanged, this, &DeliveryTimelineRuler::scrollChanged);
    connect(&m_canvasState, &DeliveryCanvasState::viewportHeightChanged, this, qOverload<>(&QWidget::update));
    connect(&m_canvasState, &DeliveryCanvasState::layoutChanged, this, qOverload<>(&QWidget::update));
    connect(&Appearance::shared(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

DeliveryTimelineRuler::~DeliveryTimelineRuler() = default;

void DeliveryTimelineRuler::setClock(const AnimationClock* clock)
{
    m_clock = clock ? clock : &AnimationClock::system();
}

double DeliveryTimelineRuler::runnerX(double width) const
{
    const double progress = m_timer.progress();
    return width * (std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0);
}

double DeliveryTimelineRuler::readingX(double width) const
{
    const double f = readingFraction();
    return f < 0 ? 0 : f >= 1 ? width : f * width;
}

bool DeliveryTimelineRuler::isReaderBehind() const
{
    if (!m_canvasState.layout() || stops(1).empty())
        return false;
    const double total = static_cast<double>(std::max<qint64>(TimelineScale::totalSeconds(m_timer.targetSeconds()), 1));
    return (std::clamp(m_timer.progress(), 0.0, 1.0) - readingFraction()) * total >= behindWarning;
}

bool DeliveryTimelineRuler::needsFrame() const
{
    // Overtime and a band warning of a reader left behind pulse.
    if (m_timer.progress() > 1 || isReaderBehind())
        return true;
    return std::abs(runnerX(m_currentWidth) - m_paintedRunnerX) * std::max(devicePixelRatioF(), 1.0)
        >= minimumRunnerStep;
}

void DeliveryTimelineRuler::scrollChanged()
{
    // Following the runner moves the page a fraction of a point each frame: the ruler is drawn
    // again only when its reading mark moves visibly, or the reader falls behind or catches up.
    if (std::abs(readingX(m_currentWidth) - m_paintedReadingX) * std::max(devicePixelRatioF(), 1.0) >= minimumRunnerStep
        || isReaderBehind() != m_paintedReaderBehind)
        update();
}

void DeliveryTimelineRuler::startRedrawTimer()
{
    if (!m_redrawTimer.isActive())
        m_redrawTimer.start();
}

void DeliveryTimelineRuler::timerStateChanged()
{
    if (m_timer.state() == TimerState::Running && isVisible())
        startRedrawTimer();
    else if (m_timer.state() != TimerState::Running)
        m_redrawTimer.stop();
    update();
}

void DeliveryTimelineRuler::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_timer.state() == TimerState::Running)
        startRedrawTimer();
}

void DeliveryTimelineRuler::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_redrawTimer.stop();
}

const std::vector<DeliveryTimelineRuler::HeadingStop>& DeliveryTimelineRuler::stops(qint64 depth) const
{
    static const std::vector<HeadingStop> none;
    const DeliveryCanvasState::Layout& layout = m_canvasState.layout();
    if (!layout || depth < 1 || depth > 3)
        return none;
    if (layout != m_stopsLayout) {
        m_stopsLayout = layout;
        for (auto& list : m_stops)
            list.clear();
        for (const DeliveryContentLayout::Heading& heading : layout->headings) {
            if (heading.depth >= 1 && heading.depth <= 3)
                m_stops[heading.depth - 1].push_back({ layout->fractionForY(heading.y), heading.text, {} });
        }
        // A main point's title stands on one line.
        for (HeadingStop& stop : m_stops[0])
            stop.title = QString(stop.text).replace(QChar(u'\u2028'), QLatin1Char(' '));
        m_titleWidths.clear();
        // Headings come in page order; equal fractions keep it.
        for (auto& list : m_stops) {
            std::stable_sort(list.begin(), list.end(),
                [](const HeadingStop& a, const HeadingStop& b) { return a.fraction < b.fraction; });
        }
    }
    return m_stops[depth - 1];
}

std::vector<DeliveryTimelineRuler::HeadingStop> DeliveryTimelineRuler::buildHeadingStops(qint64 depth) const
{
    return stops(depth);
}

double DeliveryTimelineRuler::readingFraction() const
{
    const DeliveryCanvasState::Layout& layout = m_canvasState.layout();
    return layout ? layout->fractionForY(m_canvasState.scrollY() + DeliveryCanvasState::readingLine) : 0;
}

QColor DeliveryTimelineRuler::sectionBandColor(std::optional<double> lagSeconds, double time, bool isDark)
{
    const QColor calm = SemanticColors::withOpacity(SemanticColors::primary(isDark), 0.08);
    if (!lagSeconds || !(*lagSeconds >= behindWarning))
        return calm;
    const QColor warning = *lagSeconds >= behindAlarm ? SemanticColors::red(isDark) : SemanticColors::orange(isDark);
    return SemanticColors::withOpacity(warning, pulse(time, 2.4, 0.07, 0.24));
}

QColor DeliveryTimelineRuler::sectionBandColor(double progress) const
{
    std::optional<double> lag;
    if (m_canvasState.layout()) {
        const double total
            = static_cast<double>(std::max<qint64>(TimelineScale::totalSeconds(m_timer.targetSeconds()), 1));
        lag = (progress - readingFraction()) * total;
    }
    return sectionBandColor(lag, m_clock->now(), isDarkAppearance());
}

void DeliveryTimelineRuler::seekFraction(double x)
{
    const double width = m_currentWidth;
    if (!(width > 0) || !std::isfinite(x))
        return;
    const double fraction = std::max(std::min(x / width, 1.0), 0.0);
    if (m_onSeek)
        m_onSeek(fraction);
}

void DeliveryTimelineRuler::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || event->position().y() >= rulerHeight) {
        event->ignore();
        return;
    }
    seekFraction(event->position().x());
    event->accept();
}

void DeliveryTimelineRuler::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    seekFraction(event->position().x());
    event->accept();
}

std::optional<QString> DeliveryTimelineRuler::fittedTitle(const QString& text, const QFont& font, double room)
{
    const QFontMetricsF metrics(font);
    return fittedTitle(text, font, metrics, EmojiText::horizontalAdvance(font, metrics, text), room);
}

std::optional<QString> DeliveryTimelineRuler::fittedTitle(
    const QString& text, const QFont& font, const QFontMetricsF& metrics, double textWidth, double room)
{
    if (textWidth <= room)
        return text;
    // Whole characters: the ends of the text's grapheme clusters, found only as far as needed,
    // so a title of a million characters costs what the few that fit cost.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    std::vector<qsizetype> ends { 0 };
    bool isComplete = false;
    // The number of characters kept by the longest candidate: all but the last.
    const auto keepable = [&](std::size_t characters) {
        while (!isComplete && ends.size() <= characters + 1) {
            const qsizetype end = finder.toNextBoundary();
            if (end <= 0)
                isComplete = true;
            else
                ends.push_back(end);
        }
        return std::min(characters, ends.size() >= 2 ? ends.size() - 2 : 0);
    };
    const auto candidate
        = [&](std::size_t characters) { return trimmedOfSpaces(text.left(ends[characters])) + QChar(u'\u2026'); };
    const auto fits = [&](std::size_t characters) {
        return EmojiText::horizontalAdvance(font, metrics, candidate(characters)) <= room;
    };
    if (!fits(0))
        return std::nullopt;
    // Widths never shrink as characters are added: double the prefix while it fits, then halve
    // the gap between the last that fitted and the first that did not.
    std::size_t low = 0;
    std::size_t high = 0;
    for (std::size_t probe = 1;; probe *= 2) {
        const std::size_t kept = keepable(probe);
        if (kept == low) {
            high = low + 1;
            break;
        }
        if (!fits(kept)) {
            high = kept;
            break;
        }
        low = kept;
    }
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle;
    }
    return candidate(low);
}

void DeliveryTimelineRuler::drawSectionBand(QPainter& painter, double width, bool) const
{
    const std::vector<HeadingStop>& mainPoints = stops(1);
    if (m_timer.state() == TimerState::Idle || mainPoints.empty())
        return;
    const double progress = m_timer.progress();
    const double p = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    double start = 0;
    double end = 1;
    for (const HeadingStop& stop : mainPoints) {
        if (stop.fraction <= p) {
            start = stop.fraction;
        } else {
            end = stop.fraction;
            break;
        }
    }
    painter.fillRect(QRectF(start * width, 0, (end - start) * width, H - 1), sectionBandColor(p));
}

void DeliveryTimelineRuler::drawStopLines(QPainter& painter, double width, double scale, bool isDark) const
{
    const std::vector<HeadingStop>& mainPoints = stops(1);
    if (mainPoints.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(SemanticColors::withOpacity(Appearance::inkColor(isDark), 0.25), 1.0));
    for (const HeadingStop& stop : mainPoints) {
        const double x = std::clamp((std::round(stop.fraction * width * scale) + 0.5) / scale, 0.5, width - 0.5);
        painter.drawLine(QPointF(x, 0), QPointF(x, H));
    }
    painter.restore();
}

void DeliveryTimelineRuler::drawSubheadingDots(QPainter& painter, double width, bool isDark) const
{
    std::vector<double> mainXs;
    for (const HeadingStop& stop : stops(1))
        mainXs.push_back(stop.fraction * width);
    // The stops ascend by fraction, and so do their xs.
    const auto near
        = [](const std::vector<double>& xs, double x) { return TimelineScale::isNear(xs, x, dotClearance); };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor primary = SemanticColors::primary(isDark);
    std::vector<double> subXs;
    painter.setBrush(SemanticColors::withOpacity(primary, 0.55));
    for (const HeadingStop& stop : stops(2)) {
        const double x = stop.fraction * width;
        if (near(mainXs, x))
            continue;
        subXs.push_back(x);
        painter.drawEllipse(QPointF(x, dotY), 2, 2);
    }
    painter.setBrush(SemanticColors::withOpacity(primary, 0.35));
    for (const HeadingStop& stop : stops(3)) {
        const double x = stop.fraction * width;
        if (near(mainXs, x) || near(subXs, x))
            continue;
        painter.drawEllipse(QPointF(x, dotY), 1.25, 1.25);
    }
    painter.restore();
}

void DeliveryTimelineRuler::drawTimeTicks(QPainter& painter, double width, double scale, bool isDark) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = Appearance::inkColor(isDark);
    for (const TimelineScale::Tick& tick : TimelineScale::ticks(m_timer.targetSeconds(), width, scale)) {
        painter.setPen(
            QPen(SemanticColors::withOpacity(ink, tick.opacity), tick.lineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(tick.x, runnerLineY - tick.length), QPointF(tick.x, runnerLineY));
    }
    painter.restore();
}

void DeliveryTimelineRuler::drawMinuteLabels(QPainter& painter, double width, bool isDark) const
{
    std::vector<double> mainXs;
    for (const HeadingStop& stop : stops(1))
        mainXs.push_back(stop.fraction * width);
    const QFont font = Typography::systemFont(7);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(SemanticColors::withOpacity(SemanticColors::secondary(isDark), 0.45));
    const auto textWidth = [&metrics](qint64 minutes) { return metrics.horizontalAdvance(QString::number(minutes)); };
    for (const TimelineScale::Label& label : TimelineScale::labels(m_timer.targetSeconds(), width, mainXs, textWidth)) {
        const QString text = QString::number(label.minutes);
        painter.drawText(QPointF(label.x - textWidth(label.minutes) / 2, minuteBaseline - metrics.descent()), text);
    }
}

void DeliveryTimelineRuler::drawReadingPosition(QPainter& painter, double width, bool isDark) const
{
    if (!m_canvasState.layout())
        return;
    const double x = readingX(width);
    if (!(x > 0))
        return;
    const QColor accent = SemanticColors::accent(isDark);
    painter.fillRect(QRectF(0, 0, x, H - 1), SemanticColors::withOpacity(accent, 0.12));
    const double lineX = std::min(width - 0.75, std::max(x - 0.75, 0.75));
    painter.setPen(QPen(SemanticColors::withOpacity(accent, 0.8), 1.5, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(lineX, 0), QPointF(lineX, H - 1));
}

void DeliveryTimelineRuler::drawRunner(QPainter& painter, double width, bool isDark) const
{
    if (m_timer.state() == TimerState::Idle || !(width > 0))
        return;
    const double progress = m_timer.progress();
    const double x = runnerX(width);
    const double opacity = progress > 1 ? pulse(m_clock->now(), 1.0, 0.35, 1.0) : 1.0;
    const QColor red = SemanticColors::withOpacity(SemanticColors::red(isDark), opacity);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, runnerLineY, x, 1), red);
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawEllipse(QPointF(x, runnerLineY + 0.5), runnerDotRadius, runnerDotRadius);
    painter.restore();
}

void DeliveryTimelineRuler::drawHeadingLabels(QPainter& painter, double width, bool isDark) const
{
    const std::vector<HeadingStop>& mainPoints = stops(1);
    if (mainPoints.empty())
        return;
    const QFont font = Typography::systemFont(12);
    const QFontMetricsF metrics(font);
    if (m_titleFont != font) {
        m_titleFont = font;
        m_titleWidths.clear();
    }
    // Each title is measured once for its text and font, however often the ruler is resized.
    m_titleWidths.resize(mainPoints.size(), -1);
    painter.setFont(font);
    painter.setPen(SemanticColors::secondary(isDark));
    for (std::size_t i = 0; i < mainPoints.size(); ++i) {
        const double start = mainPoints[i].fraction * width + 3;
        const double next = i + 1 < mainPoints.size() ? mainPoints[i + 1].fraction * width : width;
        const double room = next - start - 4;
        if (!(room > 0))
            continue;
        const QString& title = mainPoints[i].title;
        if (m_titleWidths[i] < 0)
            m_titleWidths[i] = EmojiText::horizontalAdvance(font, metrics, title);
        if (const std::optional<QString> fitted = fittedTitle(title, font, metrics, m_titleWidths[i], room))
            EmojiText::drawLine(painter, QPointF(start, titleBaseline - metrics.descent()), *fitted);
    }
}

const DeliveryTimelineRuler::StaticLayers& DeliveryTimelineRuler::staticLayers(double width, double scale, bool isDark)
{
    const qint64 total = TimelineScale::totalSeconds(m_timer.targetSeconds());
    if (m_static.width == width && m_static.scale == scale && m_static.totalSeconds == total
        && m_static.layout == m_canvasState.layout() && m_static.isDark == isDark)
        return m_static;
    m_static.width = width;
    m_static.scale = scale;
    m_static.totalSeconds = total;
    m_static.layout = m_canvasState.layout();
    m_static.isDark = isDark;
    const QSize pixels(int(std::ceil(width * scale)), int(std::ceil(H * scale)));
    const auto paintLayer = [&](QPixmap& layer, auto&& draw) {
        layer = QPixmap(pixels);
        layer.setDevicePixelRatio(scale);
        layer.fill(Qt::transparent);
        QPainter painter(&layer);
        draw(painter);
    };
    paintLayer(m_static.scaleLayer, [&](QPainter& painter) {
        drawStopLines(painter, width, scale, isDark);
        drawSubheadingDots(painter, width, isDark);
        drawTimeTicks(painter, width, scale, isDark);
        drawMinuteLabels(painter, width, isDark);
    });
    paintLayer(m_static.labelLayer, [&](QPainter& painter) { drawHeadingLabels(painter, width, isDark); });
    return m_static;
}

void DeliveryTimelineRuler::paintRuler(QPainter& painter, double width, double scale)
{
    // Too narrow for the end marks: nothing at all.
    if (!(width >= TimelineScale::minimumWidth) || !std::isfinite(width))
        return;
    scale = std::max(scale, 1.0);
    const bool isDark = isDarkAppearance();
    drawSectionBand(painter, width, isDark);
    const StaticLayers& layers = staticLayers(width, scale, isDark);
    painter.drawPixmap(QPointF(0, 0), layers.scaleLayer);
    drawReadingPosition(painter, width, isDark);
    drawRunner(painter, width, isDark);
    painter.drawPixmap(QPointF(0, 0), layers.labelLayer);
}

void DeliveryTimelineRuler::paintEvent(QPaintEvent* event)
{
    m_currentWidth = width();
    QPainter painter(this);
    paintRuler(painter, width(), devicePixelRatioF());
    // The page below repaints the strip the runner's dot reaches into; only a paint of the whole
    // ruler shows the runner and the reader where they now are.
    if (!(QRegion(rect()) - event->region()).isEmpty())
        return;
    m_paintedRunnerX = runnerX(m_currentWidth);
    m_paintedReadingX = readingX(m_currentWidth);
    m_paintedReaderBehind = isReaderBehind();
}

} // namespace kestrion
