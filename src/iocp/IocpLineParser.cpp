#include "iocp/IocpLineParser.h"

namespace orva {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "%d" as scanf reads it: blanks, a sign, digits. Returns the end, or npos without digits.
size_t ReadInt(std::string_view s, size_t i, int64_t& value) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i >= s.size() || !IsDigit(s[i])) return std::string_view::npos;
    uint64_t v = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        if (v < (uint64_t{1} << 40)) v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    }
    value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return i;
}

// The pairs "offset=value:" after a Resp word, until a control character or the line's end.
size_t ReadPairs(std::string_view line, size_t i, IIocpLineActions& actions) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) >= 28) {
        int64_t offset = 0;
        int64_t value = 0;
        size_t j = ReadInt(line, i, offset);
        if (j != std::string_view::npos && j < line.size() && line[j] == '=') {
            const size_t k = ReadInt(line, j + 1, value);
            if (k != std::string_view::npos) {
                // Values are 32-bit on the wire; the low 32 bits of anything longer.
                actions.OnValue(offset, static_cast<int32_t>(static_cast<uint32_t>(value)));
                i = (k < line.size() && line[k] == ':') ? k + 1 : k;
                continue;
            }
        }
        ++i;  // not the start of a pair
    }
    return i;
}

}  // namespace

void ParseIocpLine(std::string_view line, IIocpLineActions& actions) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == 'F') {
            actions.OnServerEnd();
            i += 4;
        } else if (c == 'R' && i + 3 < line.size() && line[i + 3] == 'p') {
            i = ReadPairs(line, i + 5, actions);
            actions.OnValuesArrived();
        } else if (c == 'R') {
            actions.OnRegistrationRequested();
            return;
        } else if (c == 'T') {
            const size_t colon = line.find(':', i + 8);
            i = colon == std::string_view::npos ? line.size() : colon + 1;
        } else if (c == 'V') {
            actions.OnKeepAlive();
            i += 5;
        } else {
            ++i;
        }
    }
}

}  // namespace orva
