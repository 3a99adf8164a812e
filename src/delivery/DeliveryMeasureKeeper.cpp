#include "delivery/DeliveryMeasureKeeper.h"

#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryFonts.h"
#include "document/SermonDocument.h"
#include "platform/BackgroundThreads.h"
#include "platform/EmojiText.h"

#include <QElapsedTimer>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace kestrion {

namespace {

// Texts a worker takes at a time.
constexpr qsizetype workPiece = 32;

} // namespace

// Texts to measure for one target, copied from the tree as a pass found it: the tree may change
// while they are measured.
struct DeliveryMeasureKeeper::Job {
    struct Request {
        QUuid id;
        QString text;
        DeliveryMeasures::Key key;
    };

    double baseSize = 0;
    std::vector<Request> requests;
    std::vector<DeliveryMeasures::Measure> results;
    // Per request, whether its result is in: a stopped worker ends after the text it holds.
    std::vector<char> isMeasured;
    // The document's change count when the pass began, and the words of the texts it found
    // measured already.
    quint64 changeCount = 0;
    qint64 words = 0;
    // The first text no worker has taken.
    std::atomic<qsizetype> next { 0 };
    std::atomic<bool> isStopped { false };
    std::atomic<int> running { 0 };

    void work()
    {
        DeliveryFonts fonts(baseSize);
        const auto count = static_cast<qsizetype>(requests.size());
        for (qsizetype begin = next.fetch_add(workPiece); begin < count; begin = next.fetch_add(workPiece)) {
            for (auto i = static_cast<std::size_t>(begin);
                 i < static_cast<std::size_t>(std::min(begin + workPiece, count)); ++i) {
                if (isStopped.load(std::memory_order_relaxed))
                    return;
                results[i] = DeliveryMeasures::measure(fonts, requests[i].text, requests[i].key);
                isMeasured[i] = true;
            }
        }
    }
};

// A pass's walk of the tree, resumed between events. It holds the nodes it has yet to visit, so
// that a change of the tree meanwhile cannot pull them away; it ends at a change it is told of.
struct DeliveryMeasureKeeper::Walk {
    Target target;
    // Nodes to visit, with their depth on the page.
    std::vector<std::pair<SermonNodePtr, qint64>> stack;
    std::shared_ptr<Job> job;
};

DeliveryMeasureKeeper::DeliveryMeasureKeeper(SermonDocument& document, std::function<Target()> target, QObject* parent)
    : QObject(parent)
    , m_document(document)
    , m_target(std::move(target))
{
    m_passTimer.setSingleShot(true);
    connect(&m_passTimer, &QTimer::timeout, this, &DeliveryMeasureKeeper::refresh);
    m_walkTimer.setSingleShot(true);
    connect(&m_walkTimer, &QTimer::timeout, this, [this] {
        if (m_walk)
            walk(walkSliceMilliseconds);
    });
    for (const auto signal : { &SermonDocument::rootChanged, &SermonDocument::contentEdited,
             &SermonDocument::undoStackChanged, &SermonDocument::redoStackChanged, &SermonDocument::titleChanged })
        connect(&document, signal, this, &DeliveryMeasureKeeper::scheduleRefresh);
    m_passTimer.start(firstPassDelayMilliseconds);
}

DeliveryMeasureKeeper::~DeliveryMeasureKeeper()
{
    // No worker outlives the keeper: the fonts they measure with go with the application.
    stopWork();
}

DeliveryMeasures& DeliveryMeasureKeeper::measures()
{
    stopWork();
    return m_measures;
}

std::shared_ptr<DeliveryFonts> DeliveryMeasureKeeper::fonts(double baseSize)
{
    if (!m_fonts || m_fonts->baseSize() != baseSize)
        m_fonts = std::make_shared<DeliveryFonts>(baseSize);
    return m_fonts;
}

void DeliveryMeasureKeeper::scheduleRefresh()
{
    m_passTimer.start(restMilliseconds);
}

void DeliveryMeasureKeeper::refresh()
{
    m_passTimer.stop();
    stopWork();
    const Target target = m_target ? m_target() : Target {};
    if (!std::isfinite(target.baseSize) || !std::isfinite(target.textWidth))
        return;
    fonts(target.baseSize)->makeAll();
    m_walk = std::make_unique<Walk>();
    m_walk->target = target;
    if (m_document.root())
        m_walk->stack.emplace_back(m_document.root(), 0);
    m_walk->job = std::make_shared<Job>();
    m_walk->job->baseSize = target.baseSize;
    m_walk->job->changeCount = m_document.changeCount();
    m_measures.beginSweep();
    walk(walkSliceMilliseconds);
}

void DeliveryMeasureKeeper::walk(qint64 milliseconds)
{
    Walk& walk = *m_walk;
    // Changed since the walk began: the pass follows the document's rest.
    if (m_document.changeCount() != walk.job->changeCount) {
        m_walk.reset();
        return;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    constexpr qsizetype nodesBetweenClockReadings = 256;
    for (qsizetype step = 1; !walk.stack.empty(); ++step) {
        if (milliseconds >= 0 && step % nodesBetweenClockReadings == 0 && elapsed.elapsed() >= milliseconds) {
            m_walkTimer.start(0);
            return;
        }
        const auto [node, depth] = std::move(walk.stack.back());
        walk.stack.pop_back();
        for (const SermonNodePtr& child : node->children())
            walk.stack.emplace_back(child, depth + 1);
        const DeliveryMeasures::Key key = DeliveryMeasures::key(
            depth, !node->hasChildren(), node->isQuote(), walk.target.textWidth, walk.target.baseSize);
        if (const DeliveryMeasures::Measure* kept = m_measures.find(node->id(), node->text(), key))
            walk.job->words += kept->words;
        else
            walk.job->requests.push_back({ node->id(), node->text(), key });
    }
    m_measures.endSweep();
    std::shared_ptr<Job> job = std::move(walk.job);
    m_walk.reset();
    dispatch(std::move(job));
}

void DeliveryMeasureKeeper::dispatch(std::shared_ptr<Job> job)
{
    const auto count = static_cast<qsizetype>(job->requests.size());
    if (count <= measuredHere) {
        for (const Job::Request& request : job->requests) {
            job->results.push_back(DeliveryMeasures::measure(*fonts(job->baseSize), request.text, request.key));
            job->isMeasured.push_back(true);
        }
        collect(*job);
        return;
    }
    // Made here before the workers read it.
    EmojiText::emojiFamily();
    job->results.resize(job->requests.size());
    job->isMeasured.resize(job->requests.size());
    const qsizetype pieces = (count + workPiece - 1) / workPiece;
    const int workers = static_cast<int>(std::min<qsizetype>(BackgroundThreads::pool().maxThreadCount(), pieces));
    job->running = workers;
    m_job = job;
    for (int i = 0; i < workers; ++i) {
        // The keeper waits for every worker before it goes, so a worker may post to it. A
        // worker lets go of the texts before it counts as ended.
        m_workers.append(BackgroundThreads::run([job, receiver = this]() mutable {
            const std::shared_ptr<Job> held = std::move(job);
            held->work();
            if (held->running.fetch_sub(1) == 1)
                QMetaObject::invokeMethod(
                    receiver, [receiver, held] { receiver->workDone(held); }, Qt::QueuedConnection);
        }));
    }
}

void DeliveryMeasureKeeper::finishWork()
{
    if (m_walk)
        walk(-1);
    for (QFuture<void>& worker : m_workers)
        worker.waitForFinished();
    if (m_job)
        workDone(m_job);
}

void DeliveryMeasureKeeper::workDone(const std::shared_ptr<Job>& job)
{
    // Stopped and collected already.
    if (job != m_job)
        return;
    collect(*job);
    m_job.reset();
    m_workers.clear();
}

void DeliveryMeasureKeeper::stopWork()
{
    m_walkTimer.stop();
    m_walk.reset();
    if (!m_job)
        return;
    m_job->isStopped = true;
    for (QFuture<void>& worker : m_workers)
        worker.waitForFinished();
    collect(*m_job);
    m_job.reset();
    m_workers.clear();
}

void DeliveryMeasureKeeper::collect(const Job& job)
{
    qint64 words = job.words;
    bool isComplete = true;
    m_measures.reserve(m_measures.size() + static_cast<qsizetype>(job.requests.size()));
    for (std::size_t i = 0; i < job.requests.size(); ++i) {
        if (!job.isMeasured[i]) {
            isComplete = false;
            continue;
        }
        const Job::Request& request = job.requests[i];
        m_measures.store(request.id, request.text, request.key, job.results[i]);
        words += job.results[i].words;
    }
    if (isComplete)
        m_words = Words { job.changeCount, words };
}

std::optional<qint64> DeliveryMeasureKeeper::sermonWords() const
{
    if (!m_words || m_words->changeCount != m_document.changeCount())
        return std::nullopt;
    return m_words->total;
}

} // namespace kestrion
