#include "columns/ColumnMetrics.h"

#include "platform/Typography.h"

namespace kestrion {

QFont ColumnMetrics::font(bool bold)
{
    return Typography::systemFont(fontSize, bold ? QFont::DemiBold : QFont::Normal);
}

} // namespace kestrion
