#pragma once

#include "mindmap/MinimapRenderScheduler.h"

#include <memory>
#include <vector>

namespace kestrion::test {

// Runs the steps of each render task only when the test says so: the pause and the render
// (renderAll), then the hand-back (deliverAll). The jobs are shared, so they outlive the cache
// that owns the scheduler.
class ManualMinimapRenderScheduler final : public MinimapRenderScheduler {
public:
    struct Job {
        std::shared_ptr<MinimapRenderTask> task;
        Render render;
        Deliver deliver;
        bool isRendered = false;
        bool isDelivered = false;
        std::optional<QImage> result;
    };

    void start(std::shared_ptr<MinimapRenderTask> task, Render render, Deliver deliver) override
    {
        Job job;
        job.task = std::move(task);
        job.render = std::move(render);
        job.deliver = std::move(deliver);
        m_jobs->push_back(std::move(job));
    }

    const std::shared_ptr<std::vector<Job>>& jobs() const { return m_jobs; }

    // Ends the pause of every waiting task: a cancelled one ends, the others render. Returns
    // how many rendered.
    int renderAll() const
    {
        int rendered = 0;
        for (Job& job : *m_jobs) {
            if (job.isRendered)
                continue;
            job.isRendered = true;
            if (job.task->isCancelled())
                continue;
            job.result = job.render();
            ++rendered;
        }
        return rendered;
    }

    // Hands back the bitmaps of the rendered tasks that were not cancelled meanwhile; with
    // evenIfCancelled, those too, as a result already on its way when the cancel came.
    void deliverAll(bool evenIfCancelled = false) const
    {
        for (Job& job : *m_jobs) {
            if (!job.isRendered || job.isDelivered)
                continue;
            job.isDelivered = true;
            if ((evenIfCancelled || !job.task->isCancelled()) && job.result)
                job.deliver(*job.result);
        }
    }

private:
    std::shared_ptr<std::vector<Job>> m_jobs = std::make_shared<std::vector<Job>>();
};

} // namespace kestrion::test
