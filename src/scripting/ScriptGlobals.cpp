#include "scripting/ScriptGlobals.h"

#include <array>

namespace orva {
namespace {

constexpr std::array<EventGlobalsRow, 7> kRows{{
    {u"AFTER CONNECT", u"not used", u"once, right after the program has connected", u"0", u"0"},
    {u"BEFORE DISCONNECT", u"not used", u"once, right before the program disconnects", u"0", u"0"},
    {u"DIGITAL PIN", u"a pin id (16-511); 0: every pin", u"when that input changes",
     u"the pin that changed", u"its new level: 1 or 0, as the Sense setting reads it"},
    {u"ANALOG CHNL", u"a channel (1-8); 0: every channel", u"when that channel's value changes",
     u"the channel", u"its new value: the raw reading on a main board, 0-1023 on a servo board"},
    {u"ENCODER", u"an encoder id, as orva.encoder.create returned it; 0: every encoder",
     u"when that encoder steps", u"the encoder", u"the direction of the step: 1 or -1"},
    {u"IO ERROR", u"1: a write to the board failed; 0: every kind",
     u"when a write to the board "
     u"fails",
     u"1", u"the system's error code"},
    {u"<ALIAS> OFFSET", u"an offset number of that server (0-9999)",
     u"when the server sends a new value of that offset (and once after each connect)",
     u"the offset", u"the offset's new value"},
}};

}  // namespace

std::span<const EventGlobalsRow> EventGlobalsRows() {
    return kRows;
}

std::u16string ScriptGlobalMeaning(std::u16string_view name) {
    const bool id = name == u"Id";
    if (!id && name != u"Value") return {};
    std::u16string text;
    for (const EventGlobalsRow& row : kRows) {
        if (!text.empty()) text += u'\n';
        text += std::u16string(row.type) + u": " + std::u16string(id ? row.id : row.value);
    }
    return text;
}

}  // namespace orva
