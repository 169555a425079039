#include "ProcessLocale.h"

#include <clocale>
#include <cstdio>
#include <cstring>

namespace ProcessLocale {

void UseCNumericFormatting() {
    // Only the numeric category: character classification and messages stay the
    // user's, so file names and texts in UTF-8 keep working.
    std::setlocale(LC_NUMERIC, "C");
}

bool NumericFormattingIsC() {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    return std::strcmp(text, "0.5") == 0;
}

} // namespace ProcessLocale
