#include "ui/text/Colouring.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>

namespace orva {
namespace {

// The characters that keep a neighbouring word from being whole.
bool BreaksWord(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'.';
}

constexpr ThemeColours kClear{0xFFFFFF, 0x000000, {0x0000FF, 0x00A5EA, 0x008000, 0xFF8003}};
constexpr ThemeColours kDark{0x1E1E1E, 0xF0F0FF, {0xBD63C5, 0x4C99D3, 0x15D215, 0xFF8003}};

}  // namespace

ColourRole RoleOfKind(HelperKind kind) {
    switch (static_cast<int>(kind)) {
        case 1:
            return ColourRole::Kind1;
        case 2:
            return ColourRole::Kind2;
        case 3:
            return ColourRole::Kind3;
        case 4:
            return ColourRole::Kind4;
        default:
            return ColourRole::Text;
    }
}

const ThemeColours& ThemeColoursOf(EditorTheme theme) {
    return theme == EditorTheme::Clear ? kClear : kDark;
}

EditorTheme ThemeFromNumber(int32_t number) {
    return number == 0 ? EditorTheme::Clear : EditorTheme::Dark;
}

CLineColouring::CLineColouring() : nodes_(1) {
    std::fill(std::begin(rootAscii_), std::end(rootAscii_), kNone);
}

CLineColouring::CLineColouring(const CNamesList& names,
                               std::span<const std::u16string_view> operators)
    : CLineColouring() {
    for (const std::u16string_view op : operators) {
        if (op.empty() || op.size() > UINT16_MAX) continue;
        nodes_[AddText(op)].operatorLength = static_cast<uint16_t>(op.size());
    }
    // A word listed twice is painted once, at its last place in the list: what it painted at the
    // earlier place would be painted over by the same occurrences anyway.
    std::unordered_map<std::u16string_view, uint32_t> known;
    for (size_t i = 0; i < names.Size(); ++i) {
        const std::u16string_view word = names.Word(i);
        if (word.empty()) continue;  // finds nothing
        const Word entry{static_cast<uint32_t>(word.size()), static_cast<uint32_t>(i),
                         RoleOfKind(names.Kind(i))};
        const auto [at, added] = known.emplace(word, static_cast<uint32_t>(words_.size()));
        if (added) {
            words_.push_back(entry);
            nodes_[AddText(word)].word = at->second;
        } else {
            words_[at->second] = entry;
        }
    }
    Link();
}

uint32_t CLineColouring::Child(uint32_t node, char16_t c) const {
    if (node == 0 && c < 128) return rootAscii_[c];
    const auto it = children_.find(static_cast<uint64_t>(node) << 16 | c);
    return it == children_.end() ? kNone : it->second;
}

uint32_t CLineColouring::AddText(std::u16string_view text) {
    uint32_t node = 0;
    for (const char16_t c : text) {
        uint32_t next = Child(node, c);
        if (next == kNone) {
            next = static_cast<uint32_t>(nodes_.size());
            nodes_.emplace_back();
            if (node == 0 && c < 128) {
                rootAscii_[c] = next;
            } else {
                children_.emplace(static_cast<uint64_t>(node) << 16 | c, next);
            }
        }
        node = next;
    }
    return node;
}

// The fail links, breadth first: each node's fail is the longest proper suffix of its text that
// is also a node.
void CLineColouring::Link() {
    std::vector<std::vector<std::pair<char16_t, uint32_t>>> edges(nodes_.size());
    for (char16_t c = 0; c < 128; ++c) {
        if (rootAscii_[c] != kNone) edges[0].emplace_back(c, rootAscii_[c]);
    }
    for (const auto& [key, child] : children_) {
        edges[key >> 16].emplace_back(static_cast<char16_t>(key & 0xFFFF), child);
    }
    std::deque<uint32_t> queue{0};
    while (!queue.empty()) {
        const uint32_t node = queue.front();
        queue.pop_front();
        for (const auto& [c, child] : edges[node]) {
            uint32_t fail = 0;
            if (node != 0) {
                for (uint32_t f = nodes_[node].fail;; f = nodes_[f].fail) {
                    const uint32_t next = Child(f, c);
                    if (next != kNone) {
                        fail = next;
                        break;
                    }
                    if (f == 0) break;
                }
            }
            nodes_[child].fail = fail;
            nodes_[child].nextEnd = Ends(fail) ? fail : nodes_[fail].nextEnd;
            queue.push_back(child);
        }
    }
}

void CLineColouring::Roles(std::u16string_view line, std::vector<ColourRole>& roles) const {
    roles.assign(line.size(), ColourRole::Text);
    std::vector<Match> matches;
    uint32_t state = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char16_t c = line[i];
        for (;;) {
            const uint32_t next = Child(state, c);
            if (next != kNone) {
                state = next;
                break;
            }
            if (state == 0) break;
            state = nodes_[state].fail;
        }
        const size_t end = i + 1;
        for (uint32_t at = Ends(state) ? state : nodes_[state].nextEnd; at != kNone;
             at = nodes_[at].nextEnd) {
            const Node& node = nodes_[at];
            if (node.operatorLength) {
                std::fill(roles.begin() + static_cast<std::ptrdiff_t>(end - node.operatorLength),
                          roles.begin() + static_cast<std::ptrdiff_t>(end), kOperatorRole);
            }
            if (node.word != kNone) {
                const Word& word = words_[node.word];
                const size_t start = end - word.length;
                if ((start == 0 || !BreaksWord(line[start - 1])) &&
                    (end == line.size() || !BreaksWord(line[end]))) {
                    matches.push_back(
                        {word.order, static_cast<uint32_t>(start), word.length, word.role});
                }
            }
        }
    }
    std::sort(matches.begin(), matches.end(),
              [](const Match& a, const Match& b) { return a.order < b.order; });
    for (const Match& match : matches) {
        std::fill_n(roles.begin() + match.start, match.length, match.role);
    }
}

std::vector<ColourSpan> CLineColouring::Spans(std::u16string_view line) const {
    std::vector<ColourRole> roles;
    Roles(line, roles);
    std::vector<ColourSpan> spans;
    for (size_t i = 0; i < roles.size();) {
        size_t j = i + 1;
        while (j < roles.size() && roles[j] == roles[i]) ++j;
        if (roles[i] != ColourRole::Text) spans.push_back({i, j - i, roles[i]});
        i = j;
    }
    return spans;
}

}  // namespace orva
