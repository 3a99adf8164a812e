#include "delivery/DeliveryCanvasState.h"
#include "delivery/DeliveryContentLayout.h"
#include "delivery/DeliveryTimelineRuler.h"
#include "delivery/DeliveryTimer.h"
#include "document/SermonNode.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kestrion;

namespace {

// The ruler drawn at a new width, one point wider or narrower each time, as while the window
// is being resized, with one main point titled by a million characters of words.
void BM_RulerResizeLongTitle(benchmark::State& benchState)
{
    auto root = SermonNode::create(QStringLiteral("Title"));
    QString title;
    while (title.size() < 1000000)
        title += QStringLiteral("shepherd ");
    title.truncate(1000000);
    auto first = root->addChild(title);
    first->addChild(QStringLiteral("The sheep hear his voice"));
    auto second = root->addChild(QStringLiteral("The second point"));
    second->addChild(QStringLiteral("and he calls them by name"));
    DeliveryCanvasState state;
    state.setLayout(
        std::make_shared<const DeliveryContentLayout>(DeliveryContentLayout::build(root, 20, 700, 15, 1.8)));
    DeliveryTimer timer(20);
    DeliveryTimelineRuler ruler(timer, state);
    QImage image(1001, 46, QImage::Format_ARGB32_Premultiplied);
    double width = 800;
    for (auto _ : benchState) {
        width = width == 800 ? 801 : 800;
        QPainter painter(&image);
        ruler.paintRuler(painter, width, 1);
    }
}
BENCHMARK(BM_RulerResizeLongTitle)->Unit(benchmark::kMillisecond);

} // namespace
