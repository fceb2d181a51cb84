// The reference text of the iocp, event and convert namespaces and of the global functions.
#include <algorithm>

#include "FunctionDocs.h"

namespace orva::manual {
namespace {

constexpr std::string_view kIocp = "IOCP servers";
constexpr std::string_view kEvents = "Events";
constexpr std::string_view kConvert = "Conversions";
constexpr std::string_view kGlobal = "Global functions";

constexpr std::array<std::string_view, 8> kGroups = {"Digital inputs and outputs",
                                                     "Analog channels and servos",
                                                     "Encoders",
                                                     "Displays",
                                                     kIocp,
                                                     kEvents,
                                                     kConvert,
                                                     kGlobal};

const FunctionDoc kDocs[] = {
    {kIocp,
     "iocp.offset.value.get",
     "iocp.offset.value.get(server, offset)",
     "Reads the last value a server sent for an offset. The server is not asked: only offsets "
     "that have an OFFSET event of that server (a disabled one will do) can be read.",
     "server: the server's alias, without regard to case\noffset: 0-9999",
     "the value; nothing (`nil`) when no event of that server has the offset",
     {{{"iocp.offset.value.get: incorrect number of arguments.", "iocp.offset.value.get('P3D')"},
       {"iocp.offset.value.get: wrong offset ID.", "iocp.offset.value.get('P3D', 10000)"},
       {"iocp.offset.value.get: IOCP client index error.", "iocp.offset.value.get('XYZ', 330)"}}},
     "local flaps = iocp.offset.value.get('P3D', 332) or 0"},
    {kIocp,
     "iocp.offset.value.set",
     "iocp.offset.value.set(server, offset, value)",
     "Writes an offset: the server receives \"Arn.Resp:OFFSET=VALUE:\". Every configured "
     "server must be connected.",
     "server: the server's alias, without regard to case\noffset: the offset number\n"
     "value: an integer",
     "1 when the line was sent, else 0",
     {{{"iocp.offset.value.set: incorrect number of arguments.",
        "iocp.offset.value.set('P3D', 330)"},
       {"iocp.offset.value.set: IOCP client not connected.",
        "iocp.offset.value.set('P3D', 330, 1)"},
       {"iocp.offset.value.set: IOCP client index error.", "iocp.offset.value.set('XYZ', 330, 1)",
        true}}},
     "iocp.offset.value.set('P3D', 330, Value)   -- in a DIGITAL PIN event: the switch's level"},
    {kIocp,
     "iocp.eventkey.send",
     "iocp.eventkey.send(server, key, value)",
     "Sends an event key: the server receives \"Arn.Key:KEY=VALUE:\" (keys of 65536 and above "
     "are sent less 65536). Every configured server must be connected.",
     "server: the server's alias\nkey: the event key\nvalue: its parameter",
     "1",
     {{{"iocp.eventkey.send: incorrect number of arguments.", "iocp.eventkey.send('P3D', 1)"},
       {"iocp.eventkey.send: some IOCP client is not connected.",
        "iocp.eventkey.send('P3D', 1, 0)"},
       {"iocp.eventkey.send: IOCP client index error.", "iocp.eventkey.send('XYZ', 1, 0)", true}}},
     "if Value == 1 then iocp.eventkey.send('P3D', 65587, 0) end   -- a push button"},
    {kEvents,
     "event.getpos",
     "event.getpos(name)",
     "Finds an event by its name, without regard to case.",
     "name: the event's name",
     "its position in the events list (from 0); -1 when there is none",
     {{{"event.getpos: incorrect number of arguments.", "event.getpos()"}}},
     "FLAPS_EVENT = event.getpos('FLAPS')"},
    {kEvents,
     "event.value.get",
     "event.value.get(position)",
     "Reads the value field of the event at a position: for an OFFSET event the offset's last "
     "value.",
     "position: 0-199, as `event.getpos` gives it",
     "the value",
     {{{"event.value.get: incorrect number of arguments.", "event.value.get()"},
       {"event.value.get: wrong event ID.", "event.value.get(200)"}}},
     "local flaps = event.value.get(event.getpos('FLAPS'))"},
    {kEvents,
     "event.reset",
     "event.reset(position)",
     "Makes an OFFSET event run again at its server's next message, even when its value has not "
     "changed.",
     "position: 0-199",
     "1",
     {{{"event.reset: incorrect number of arguments.", "event.reset()"},
       {"event.reset: wrong event ID.", "event.reset(-1)"}}},
     "event.reset(event.getpos('GEAR_LAMP'))   -- the lamp is set again"},
    {kConvert,
     "convert.int2bool",
     "convert.int2bool(n)",
     "Turns a number into a boolean.",
     "n: an integer",
     "true when n is not 0, else false (a boolean argument gives false)",
     {{{"convert.int2bool: incorrect number of arguments.", "convert.int2bool()"}}},
     "orva.dout.state.set(30, convert.int2bool(Value))"},
    {kConvert,
     "convert.bool2int",
     "convert.bool2int(b)",
     "Turns Lua's truth into a number: `false` and `nil` give 0, anything else (0 too) 1.",
     "b: any value",
     "1 or 0",
     {{{"convert.bool2int: incorrect number of arguments.", "convert.bool2int()"}}},
     "iocp.offset.value.set('P3D', 330, convert.bool2int(orva.dout.state.get(30)))"},
    {kConvert,
     "convert.bcd2int",
     "convert.bcd2int(n)",
     "Reads a binary-coded decimal number, as simulators give radio frequencies: 0x1234 "
     "gives 1234. The reading stops at the first digit that is not decimal (0x12A4 gives 12).",
     "n: the BCD value",
     "the decimal number",
     {{{"convert.bcd2int: incorrect number of arguments.", "convert.bcd2int()"}}},
     "orva.display.show.frq(COM1, 10000 + convert.bcd2int(Value))   -- 0x1802: 118.025"},
    {kConvert,
     "convert.int2bcd",
     "convert.int2bcd(n)",
     "Writes a number as binary-coded decimal: 1234 gives 0x1234 (4660). Negative numbers "
     "give 0.",
     "n: 0-99999999",
     "the BCD value",
     {{{"convert.bcd2int: incorrect number of arguments.", "convert.int2bcd()"}}},
     "iocp.offset.value.set('P3D', 334, convert.int2bcd(1802))"},
    {kGlobal,
     "print",
     "print(...)",
     "Appends each argument to the print monitor, with no separator and no line end (use "
     "`printnl`). Numbers and strings print as Lua writes them, booleans as true or false, "
     "anything else as \"unrecoegnized type to print\". Replaces Lua's own `print`.",
     "...: any number of values",
     "",
     {},
     "print('switch ', Id, ' is ', Value) printnl()"},
    {kGlobal,
     "printnl",
     "printnl()",
     "Ends the line in the print monitor.",
     "",
     "",
     {},
     "print('connected') printnl()"},
    {kGlobal, "cls", "cls()", "Empties the print monitor.", "", "", {}, "cls()"},
    {kGlobal,
     "mapRange",
     "mapRange(min1, max1, min2, max2, value)",
     "Scales a value from one range to another: the value is first kept within min1-max1, the "
     "result is cut to an integer. A reversed target range works.",
     "min1, max1: the range of the value\nmin2, max2: the range of the result\nvalue: a number",
     "the integer result: mapRange(0, 1023, 0, 100, 512) is 50",
     {{{"mapRange: incorrect number of arguments.", "mapRange(0, 1023, 0, 100)"}}},
     "orva.servo.position.set(1, mapRange(0, 1023, 0, 255, Value))"},
    {kGlobal,
     "wait",
     "wait(ms)",
     "Pauses the script. Nothing else runs meanwhile: no other script, and the windows do not "
     "answer; keep it short.",
     "ms: milliseconds; 0 or less does not wait",
     "1",
     {{{"wait: incorrect number of arguments.", "wait()"}}},
     "orva.dout.state.set(30, true) wait(100) orva.dout.state.set(30, false)"},
    {kGlobal,
     "toggle",
     "toggle(n)",
     "Turns 0 into 1 and any other number into 0.",
     "n: an integer",
     "1 or 0 (a boolean argument gives 1)",
     {{{"toggle: incorrect number of arguments.", "toggle()"}}},
     "STROBE = toggle(STROBE or 0)   -- flips a global on each run"},
};

}  // namespace

std::span<const FunctionDoc> OtherFunctionDocs() {
    return kDocs;
}

std::vector<FunctionDoc> FunctionDocs() {
    std::vector<FunctionDoc> docs(BoardFunctionDocs().begin(), BoardFunctionDocs().end());
    docs.insert(docs.end(), OtherFunctionDocs().begin(), OtherFunctionDocs().end());
    return docs;
}

std::span<const std::string_view> FunctionGroups() {
    return kGroups;
}

}  // namespace orva::manual
