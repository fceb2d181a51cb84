// A recorded question compared as one value: text, caption, buttons, icon and the on-top flag at
// once, printed readably when it differs.
#pragma once

#include <ostream>

#include "platform/Text.h"
#include "platform/UserPrompt.h"

namespace orva {

inline bool operator==(const PromptRequest& a, const PromptRequest& b) {
    return a.text == b.text && a.caption == b.caption && a.buttons == b.buttons &&
           a.icon == b.icon && a.systemModal == b.systemModal;
}

inline void PrintTo(const PromptRequest& r, std::ostream* os) {
    *os << "{caption \"" << ToUtf8(r.caption) << "\", text \"" << ToUtf8(r.text) << "\", buttons "
        << static_cast<int>(r.buttons) << ", icon " << static_cast<int>(r.icon)
        << (r.systemModal ? ", on top}" : "}");
}

}  // namespace orva
