#include "core/sortedlists.h"

#include <cmath>

int32_t WholeDay(TDateTime date) {
    const double day = std::trunc(date);
    if (!(day >= -2147483648.0 && day <= 2147483647.0))
        return 0;
    return static_cast<int32_t>(day);
}

void TSortedDates::RemoveDate(TDateTime date) {
    const int index = IndexOf(WholeDay(date));
    if (index >= 0)
        Delete(index);
}
