#include "columns/ColumnLayout.h"

#include "columns/LiveColumnLayout.h"

namespace kestrion {

ColumnLayout ColumnLayout::build(const SermonNodePtr& root, const ColumnWidthsConfig& widths, ColumnWrapCache& cache)
{
    LiveColumnLayout layout;
    layout.update(root, widths, cache);
    return layout.snapshot();
}

} // namespace kestrion
