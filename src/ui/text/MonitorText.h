// How the print monitor's text is shown: the pieces scripts print turned into display lines.
#pragma once

#include <string>
#include <string_view>

namespace orva {

// What one piece leaves for the next: a piece that ended in "\r" has already given its line
// break, so a "\n" that starts the next piece is the second half of the same "\r\n".
struct MonitorTextState {
    bool afterCr = false;
};

// The display text of one printed piece: "\r\n", a lone "\r" and a lone "\n" each become one
// "\n"; everything else is kept. Converting pieces one after the other with the same state
// gives the same text as converting them joined.
std::u16string MonitorDisplayText(std::u16string_view piece, MonitorTextState& state);

// The display text of a whole content.
inline std::u16string MonitorDisplayText(std::u16string_view content) {
    MonitorTextState state;
    return MonitorDisplayText(content, state);
}

}  // namespace orva
