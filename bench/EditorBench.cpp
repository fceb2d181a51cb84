// The script editor's cost of one keystroke in a long script: a character typed into the real
// editor (offscreen) with the names list of a real state, against colouring the whole text again
// as the colouring rules are written, in the same run.
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CockpitEvents.h"
#include "core/PrintMonitor.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/NamesList.h"
#include "ui/EditorServices.h"
#include "ui/ScriptEditor.h"
#include "ui/ScriptTextEdit.h"

using namespace orva;

namespace {

constexpr int kBlocks = 300;  // ten lines each
constexpr int kKeystrokes = 400;
constexpr int kWholeRuns = 15;

std::u16string LongScript() {
    std::u16string script;
    for (int i = 0; i < kBlocks; ++i) {
        script += Format(
            u"-- lamps and radios, part %d\r\n"
            u"if Value == 1 and GearDown then\r\n"
            u"\torva.dout.state.set(Lights.L%d, true)\r\n"
            u"\tiocp.offset.value.set(\"p3d\", 0x0BE8, 16383)\r\n"
            u"elseif Radios.com1 > 11800 then\r\n"
            u"\torva.display.show.frq(Displays.D1, Radios.com1 / 100)\r\n"
            u"else\r\n"
            u"\tSetLamp(Switch_%d, not orva.dout.state.get(%d))\r\n"
            u"end\r\n"
            u"local x%d = math.floor(Id * 2.5) + string.len(PanelName) -- end of part\r\n",
            i, i % 32 + 1, i % 150, 16 + i % 64, i);
    }
    return script;
}

// The whole text coloured again, as the rules are written: the text taken from the editor,
// CR LF as CR and a space appended, the operator texts, then every word of the names list.
// Only the colours are worked out; putting them into the text would cost more on top.
size_t WholeTextColouring(const QPlainTextEdit& edit, const CNamesList& names) {
    std::u16string text = edit.document()->toRawText().toStdU16String();
    std::replace(text.begin(), text.end(), u'\u2029', u'\r');
    text += u' ';
    std::vector<uint8_t> colours(text.size(), 0);
    for (const std::u16string_view op : OperatorTexts()) {
        for (size_t at = text.find(op); at != std::u16string::npos; at = text.find(op, at + 1)) {
            std::fill_n(colours.begin() + static_cast<std::ptrdiff_t>(at), op.size(), 3);
        }
    }
    const auto breaks = [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'.';
    };
    for (size_t i = 0; i < names.Size(); ++i) {
        const std::u16string_view word = names.Word(i);
        if (word.empty()) continue;
        for (size_t at = text.find(word); at != std::u16string::npos;
             at = text.find(word, at + 1)) {
            const size_t end = at + word.size();
            if ((at == 0 || !breaks(text[at - 1])) && (end == text.size() || !breaks(text[end]))) {
                std::fill_n(colours.begin() + static_cast<std::ptrdiff_t>(at), word.size(),
                            static_cast<uint8_t>(names.Kind(i)));
            }
        }
    }
    return static_cast<size_t>(std::count(colours.begin(), colours.end(), 0));
}

void Press(QWidget* widget, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    CRecordingPrompt prompt;
    CEventTable events;
    bench::FillCockpitEvents(events);
    CPrintMonitor monitor;
    ScriptServices testRun;
    testRun.monitor = &monitor;
    CNamesList names;
    if (!RefreshNamesList(names, events, testRun, prompt)) return 1;
    EditorServices services{prompt, nullptr, {}, false, names, testRun};

    CScriptEditor editor(services, u"BENCH");
    editor.SetScript(LongScript());
    editor.show();
    QApplication::processEvents();
    CScriptTextEdit* edit = editor.Editor();
    edit->setFocus();
    // In the middle of the script, at the start of a line with words and operators.
    const QTextBlock middle = edit->document()->findBlockByNumber(kBlocks * 10 / 2 + 1);
    QTextCursor caret(middle);
    edit->setTextCursor(caret);
    QApplication::processEvents();

    // A letter typed and taken back again, each with the events it causes handled.
    std::vector<double> keystrokes;
    for (int i = 0; i < kKeystrokes; ++i) {
        keystrokes.push_back(bench::BestSeconds(1, [&] {
            if (i % 2 == 0) {
                Press(edit, Qt::Key_Z, QStringLiteral("z"));
            } else {
                Press(edit, Qt::Key_Backspace, QString());
            }
            QApplication::processEvents();
        }));
    }
    std::vector<double> whole;
    size_t uncoloured = 0;
    for (int i = 0; i < kWholeRuns; ++i) {
        whole.push_back(
            bench::BestSeconds(1, [&] { uncoloured = WholeTextColouring(*edit, names); }));
    }
    const double keystroke = bench::Quantile(keystrokes, 0.5);
    const double wholeText = bench::Quantile(whole, 0.5);

    std::printf("names list: %zu words; script: %d lines, %lld characters (%zu uncoloured)\n",
                names.Size(), edit->blockCount(),
                static_cast<long long>(edit->document()->characterCount()), uncoloured);
    std::printf("keystroke in the editor: %8.1f us (median of %d)\n", keystroke * 1e6, kKeystrokes);
    std::printf("whole-text colouring:    %8.1f us (median of %d, colours worked out only)\n",
                wholeText * 1e6, kWholeRuns);
    bench::Figure("editor_recolour_vs_whole_text", wholeText / keystroke, "x");
    return 0;
}
