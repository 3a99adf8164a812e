#pragma once

#include "delivery/DeliveryMeasures.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace kestrion {

class DeliveryFonts;
class SermonDocument;

// Keeps the measures of a document's texts ready for the reading page before delivery mode is
// entered, so that entering lays the page out from them, measuring only what they lack, and
// shows it whole at once.
//
// Soon after it is made, and again once the document has rested a moment after a change, a
// pass walks the tree on this thread, a few milliseconds at a time between other events, and
// hands copies of the texts without a measure to the background threads, which measure them
// with fonts of their own; the measures come back through the event loop. An edit itself costs
// no more than restarting a timer; a walk under way ends at its next slice, and the pass
// follows the rest. A newer pass, a reading of the measures and the keeper's end stop the work under way: what was
// measured by then is kept. The pass also makes this thread's fonts of the page, so that the
// first frame sets up none.
class DeliveryMeasureKeeper : public QObject {
    Q_OBJECT
public:
    // What the page will be laid out at next.
    struct Target {
        double baseSize = 0;
        double textWidth = 0;
    };
    static constexpr int firstPassDelayMilliseconds = 500;
    // How long the document must rest after a change before the next pass.
    static constexpr int restMilliseconds = 1000;
    // Up to this many texts a pass measures on this thread at once.
    static constexpr qsizetype measuredHere = 32;
    // The longest the walk holds this thread at a time.
    static constexpr qint64 walkSliceMilliseconds = 4;

    // target is asked at each pass.
    DeliveryMeasureKeeper(SermonDocument& document, std::function<Target()> target, QObject* parent = nullptr);
    ~DeliveryMeasureKeeper() override;

    // The measures with what the background measured so far. Work under way stops: the caller
    // is about to measure the rest.
    DeliveryMeasures& measures();
    // This thread's fonts of the page at a base size: the ones made by the last pass when it
    // was for that size.
    std::shared_ptr<DeliveryFonts> fonts(double baseSize);
    // The words of the whole sermon, when the last pass measured all it lacked and the
    // document has not changed since; else none.
    std::optional<qint64> sermonWords() const;

    // A pass follows once the document has rested: the target may have changed.
    void scheduleRefresh();
    // The pass begins now.
    void refresh();
    // No pass is due or under way, and nothing is being measured.
    bool isIdle() const { return !m_passTimer.isActive() && !m_walk && !m_job; }
    // Ends the pass under way and waits for its measuring (tests, benchmarks).
    void finishWork();

private:
    struct Job;
    struct Walk;

    // Walks on for a slice of time, at most; without one, to the end.
    void walk(qint64 milliseconds);
    void dispatch(std::shared_ptr<Job> job);
    void stopWork();
    // Keeps the measures of the work, as far as it went.
    void collect(const Job& job);
    void workDone(const std::shared_ptr<Job>& job);

    SermonDocument& m_document;
    std::function<Target()> m_target;
    DeliveryMeasures m_measures;
    std::shared_ptr<DeliveryFonts> m_fonts;
    QTimer m_passTimer;
    QTimer m_walkTimer;
    std::unique_ptr<Walk> m_walk;
    std::shared_ptr<Job> m_job;
    QList<QFuture<void>> m_workers;
    // The sermon's words as a pass found them, and the document's change count then.
    struct Words {
        quint64 changeCount = 0;
        qint64 total = 0;
    };
    std::optional<Words> m_words;
};

} // namespace kestrion
