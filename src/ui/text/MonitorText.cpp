#include "ui/text/MonitorText.h"

namespace orva {

std::u16string MonitorDisplayText(std::u16string_view piece, MonitorTextState& state) {
    std::u16string text;
    text.reserve(piece.size());
    for (const char16_t c : piece) {
        if (c == u'\n' && state.afterCr) {
            state.afterCr = false;  // the break was given for the "\r"
            continue;
        }
        state.afterCr = c == u'\r';
        text.push_back(c == u'\r' ? u'\n' : c);
    }
    return text;
}

}  // namespace orva
