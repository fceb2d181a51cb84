// The script editor's colours: the two themes and the colouring of one line by names and operators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scripting/NamesList.h"

namespace orva {

// What a character is coloured as. The numbers are the names list's kinds; operator texts share
// kind 3's colour, which no word of a names list has.
enum class ColourRole : uint8_t { Text = 0, Kind1 = 1, Kind2 = 2, Kind3 = 3, Kind4 = 4 };
inline constexpr ColourRole kOperatorRole = ColourRole::Kind3;

ColourRole RoleOfKind(HelperKind kind);

struct ColourSpan {
    size_t start = 0;
    size_t length = 0;
    ColourRole role = ColourRole::Text;
    bool operator==(const ColourSpan&) const = default;
};

enum class EditorTheme { Clear = 0, Dark = 1 };

// 0xRRGGBB values.
struct ThemeColours {
    uint32_t background;
    uint32_t text;
    uint32_t kinds[4];  // kind 1 to kind 4; kind 3 also colours the operators
    uint32_t Of(ColourRole role) const {
        return role == ColourRole::Text ? text : kinds[static_cast<int>(role) - 1];
    }
};
const ThemeColours& ThemeColoursOf(EditorTheme theme);
// The theme stored in the profile: 0 is Clear, anything else Dark.
EditorTheme ThemeFromNumber(int32_t number);

// Colours the operator texts wherever they occur, then every whole occurrence of each word of
// the names list in list order, a later word over an earlier one. An occurrence is whole when
// neither neighbour is an ASCII letter or "."; digits and "_" next to it do not matter.
//
// None of these rules looks past the end of a line, so a line is coloured on its own and
// coloured the same as in the whole text: the editor re-colours only the lines a change touches.
// All words and operators are found in one pass over the line (an Aho-Corasick automaton), so a
// line costs the same however long the names list is.
class CLineColouring {
public:
    // Colours nothing.
    CLineColouring();
    CLineColouring(const CNamesList& names, std::span<const std::u16string_view> operators);

    // The role of every character of a line (a text without line breaks).
    void Roles(std::u16string_view line, std::vector<ColourRole>& roles) const;
    // The same as runs of one role, in order, leaving out the uncoloured characters.
    std::vector<ColourSpan> Spans(std::u16string_view line) const;

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    struct Node {
        uint32_t fail = 0;
        uint32_t nextEnd = kNone;     // the nearest node on the fail chain that ends a text
        uint32_t word = kNone;        // the word (index into words_) that ends here
        uint16_t operatorLength = 0;  // the operator text that ends here, by its length
    };
    struct Word {
        uint32_t length;
        uint32_t order;  // the position of its last occurrence in the names list
        ColourRole role;
    };
    struct Match {
        uint32_t order;
        uint32_t start;
        uint32_t length;
        ColourRole role;
    };

    uint32_t AddText(std::u16string_view text);
    void Link();
    uint32_t Child(uint32_t node, char16_t c) const;
    bool Ends(uint32_t node) const {
        return nodes_[node].word != kNone || nodes_[node].operatorLength;
    }

    std::vector<Node> nodes_;
    std::unordered_map<uint64_t, uint32_t> children_;
    uint32_t rootAscii_[128];
    std::vector<Word> words_;
};

}  // namespace orva
