#pragma once

#include "document/SermonDocument.h"
#include "platform/UndoManager.h"

#include <QImage>
#include <QPainter>
#include <QSize>

#include <benchmark/benchmark.h>

namespace kestrion::bench {

// An editing canvas (the mind map's or the columns') shown over a document of its own with a
// window's undo manager, at the size of a large window.
template <class Canvas> struct ShownCanvas {
    explicit ShownCanvas(SermonNodePtr root, QSize size = QSize(1440, 900))
        : document(std::move(root))
        , canvas(document, &undoManager)
    {
        canvas.resize(size);
        canvas.show();
    }

    UndoManager undoManager;
    SermonDocument document;
    Canvas canvas;
};

// Whole frames of the canvas as it stands, each into a cleared image of the canvas's size;
// gives the first frame's statistics.
template <class Canvas> auto paintFrames(benchmark::State& state, Canvas& canvas)
{
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    auto paint = [&] {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        return canvas.renderCanvas(painter, QSizeF(image.size()));
    };
    const auto stats = paint();
    for (auto _ : state)
        benchmark::DoNotOptimize(paint());
    return stats;
}

} // namespace kestrion::bench
