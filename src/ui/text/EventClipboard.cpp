#include "ui/text/EventClipboard.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/Text.h"
#include "platform/UserPrompt.h"

namespace orva {
namespace {

constexpr size_t kTypeOffset = 1;
constexpr size_t kIdOffset = 4;
constexpr size_t kDisabledOffset = 16;
constexpr size_t kNameLengthOffset = 24;
constexpr size_t kScriptLengthOffset = 28;

constexpr std::u16string_view kAllowed =
    u"0123456789_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::u16string_view kAccented = u"\u00C1\u00C9\u00CD\u00D3\u00DA\u00DB\u00DC\u00D1";
constexpr std::string_view kPlain = "AEIOUUUN";

void PutUint32(std::string& out, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t GetUint32(std::string_view in, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    return value;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
    std::u16string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t hit = text.find(from); hit != std::u16string::npos; hit = text.find(from, start)) {
        out.append(text, start, hit - start);
        out.append(to);
        start = hit + from.size();
    }
    out.append(text, start);
    text = std::move(out);
}

// Spaces and tabs become one token separator per run.
std::u16string Separate(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + 8);
    bool inRun = false;
    for (const char16_t c : text) {
        if (c == u' ' || c == u'\t') {
            if (!inRun) out += u"}{";
            inRun = true;
            continue;
        }
        inRun = false;
        out += c;
    }
    out += u'}';
    return out;
}

// The text between a leading "{" and the first "}"; empty when the text does not start so.
std::u16string TakeToken(std::u16string_view& text) {
    if (text.empty() || text.front() != u'{') return {};
    const size_t close = text.find(u'}', 1);
    if (close == std::u16string_view::npos) return {};
    std::u16string token(text.substr(1, close - 1));
    text.remove_prefix(close + 1);
    return token;
}

}  // namespace

std::string EncodeEventRecords(const std::vector<EventRow>& rows) {
    std::string block;
    for (const EventRow& row : rows) {
        const size_t at = block.size();
        block.resize(at + kRecordHeaderSize, '\0');
        block[at] = static_cast<char>(kRecordMarker);
        block[at + kTypeOffset] = static_cast<char>(row.type);
        PutUint32(block, at + kIdOffset, static_cast<uint32_t>(row.id));
        PutUint32(block, at + kDisabledOffset, row.disabled ? 1 : 0);
        PutUint32(block, at + kNameLengthOffset, static_cast<uint32_t>(row.name.size()));
        PutUint32(block, at + kScriptLengthOffset, static_cast<uint32_t>(row.script.size()));
        block += ToUtf16LeBytes(row.name);
        block += ToUtf16LeBytes(row.script);
    }
    return block;
}

std::vector<EventRow> DecodeEventRecords(std::string_view block) {
    std::vector<EventRow> rows;
    size_t at = 0;
    while (block.size() - at >= kRecordHeaderSize &&
           static_cast<uint8_t>(block[at]) == kRecordMarker) {
        const uint64_t nameBytes = 2ull * GetUint32(block, at + kNameLengthOffset);
        const uint64_t scriptBytes = 2ull * GetUint32(block, at + kScriptLengthOffset);
        // The lengths come from outside: a record that claims more than the block holds ends
        // the reading rather than reading past it.
        if (nameBytes + scriptBytes > block.size() - at - kRecordHeaderSize) break;
        const size_t name = at + kRecordHeaderSize;
        const size_t next = name + nameBytes + scriptBytes;
        const auto type = static_cast<uint8_t>(block[at + kTypeOffset]);
        // No dispatch runs a type past the last server's: such an event would be dead weight
        // with a blank type. Its lengths still say where the next record starts.
        if (type > kEventLastIocp) {
            at = next;
            continue;
        }
        EventRow row;
        row.type = type;
        row.id = static_cast<int32_t>(GetUint32(block, at + kIdOffset));
        row.disabled = GetUint32(block, at + kDisabledOffset) != 0;
        row.name = FromUtf16LeBytes(block.substr(name, nameBytes));
        row.script = FromUtf16LeBytes(block.substr(name + nameBytes, scriptBytes));
        rows.push_back(std::move(row));
        at = next;
    }
    return rows;
}

CleanedName CleanDefineName(std::u16string_view name) {
    CleanedName cleaned;
    const std::u16string upper = Trim(ToUpper(name));
    cleaned.text.reserve(upper.size());
    for (const char16_t c : upper) {
        if (kAllowed.find(c) != std::u16string_view::npos) {
            cleaned.text += static_cast<char>(c);
            continue;
        }
        cleaned.changed = true;
        const size_t accented = kAccented.find(c);
        cleaned.text += accented != std::u16string_view::npos ? kPlain[accented] : '_';
    }
    return cleaned;
}

DefinitionText OffsetDefinitionText(const std::vector<EventRow>& rows) {
    const std::string rule(49, '/');
    DefinitionText out;
    out.text = rule + "\r\n// OFFSETS DEFINITION GENERATED BY OrvaPanel\r\n" + rule + "\r\n";
    for (const EventRow& row : rows) {
        if (row.type < kEventFirstIocp || row.type > kEventLastIocp) continue;
        const CleanedName name = CleanDefineName(row.name);
        out.namesChanged = out.namesChanged || name.changed;
        out.text +=
            "#define " + name.text + " \t" + std::to_string(row.id) + " // Codification none\r\n";
    }
    return out;
}

std::optional<DefineTokens> ReadDefineLine(std::u16string_view line) {
    if (line.size() < 8 || !EqualsNoCase(line.substr(0, 8), u"#define ")) return std::nullopt;
    std::u16string rewritten(line);
    // Only the directive as the export writes it opens a token; "#DEFINE " stays as it is.
    ReplaceAll(rewritten, u"#define ", u"{");
    ReplaceAll(rewritten, u" // Codification ", u"}{");
    rewritten = Separate(rewritten);
    std::u16string_view rest = rewritten;
    DefineTokens tokens;
    tokens.name = TakeToken(rest);
    tokens.value = TakeToken(rest);
    tokens.code = ToLower(TakeToken(rest));
    if (tokens.name.empty() || tokens.value.empty() || tokens.code.empty()) return std::nullopt;
    return tokens;
}

std::vector<DefineTokens> ReadDefines(std::u16string_view text) {
    std::vector<DefineTokens> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        if (auto tokens = ReadDefineLine(text.substr(start, end - start)))
            lines.push_back(std::move(*tokens));
        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ++end;
        start = end + 1;
    }
    return lines;
}

std::optional<int32_t> DefineValueId(std::u16string_view value) {
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
    int64_t number = 0;
    for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
        number = number * 10 + (value[i] - u'0');
        if (number > std::numeric_limits<int32_t>::max()) return std::nullopt;
    }
    // A negative id would end the used part of the table, and every later event with it.
    if (negative && number != 0) return std::nullopt;
    return static_cast<int32_t>(number);
}

std::vector<EventRow> DefinesToAdd(std::u16string_view text, const CEventRows& rows,
                                   IUserPrompt* offer) {
    std::vector<EventRow> added;
    bool first = true;
    for (DefineTokens& tokens : ReadDefines(text)) {
        const size_t count = rows.Count() + added.size();
        if (first && offer && count < CEventRows::kMaxRows) {
            const PromptAnswer answer = offer->AskQuestion(
                u"Your Offsets List is empty but i found some Offsets #defines on the "
                u"ClipBoard.\r\n\r\nWould you like import that offsets definition from your "
                u"clipboard?",
                u"#define found on ClipBoard", PromptButtons::YesNo, PromptIcon::Warning);
            if (answer != PromptAnswer::Yes) return {};
        }
        first = false;
        if (count >= CEventRows::kMaxRows) continue;
        const std::optional<int32_t> id = DefineValueId(tokens.value);
        if (!id) continue;
        const bool known = rows.HasNameAndId(tokens.name, *id) ||
                           std::any_of(added.begin(), added.end(), [&](const EventRow& row) {
                               return row.id == *id && EqualsNoCase(row.name, tokens.name);
                           });
        if (known) continue;
        added.push_back(EventRow{kEventFirstIocp, std::move(tokens.name), {}, *id, false, false});
    }
    return added;
}

AddStep DecideAdd(const CEventRows& rows, EventRow incoming, IUserPrompt& prompt,
                  const CEventTypeNames& typeNames) {
    AddStep step;
    // A negative id would end the used part of the table, and every later event with it.
    if (incoming.id < 0) return step;
    incoming.errorMark = false;
    const std::optional<size_t> existing = rows.FindTypeAndId(incoming.type, incoming.id);
    if (existing) {
        const std::u16string& listed = rows[*existing].name;
        const std::u16string names =
            EqualsNoCase(listed, incoming.name)
                ? Format(u", and with the same name, '%s'.", incoming.name)
                : Format(
                      u", with diferents names.\r\nActual name is '%s', and in clipboard is "
                      u"'%s'.",
                      listed, incoming.name);
        const std::u16string text = Format(
            u"Allready exists an event type %s for the ID %d%s\r\n\r\nWould you want...\r\n\ta "
            u"copy?\t\tClick YES\r\n\toverwrite?\tClick NO\r\n\tor nothing?\tClick CANCEL",
            typeNames.Name(incoming.type), incoming.id, names);
        switch (prompt.AskQuestion(text, u"Duplicate event", PromptButtons::YesNoCancel)) {
            case PromptAnswer::Yes:
                incoming.name += u"(Copy)";
                break;
            case PromptAnswer::No:
                step.kind = AddStep::Replace;
                step.position = *existing;
                step.row = std::move(incoming);
                return step;
            default:
                return step;
        }
    }
    if (rows.Full()) return step;
    step.kind = AddStep::Append;
    step.row = std::move(incoming);
    return step;
}

void ApplyAddStep(CEventRows& rows, const AddStep& step) {
    if (step.kind == AddStep::Append) rows.Append(step.row);
    if (step.kind == AddStep::Replace) rows.Replace(step.position, step.row);
}

}  // namespace orva
