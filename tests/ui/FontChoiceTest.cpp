// The print monitor's and the script editor's font where "Courier New" is found as a
// proportional face (this test's fontconfig file says so): still one whose columns line up.
#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "core/PrintMonitor.h"
#include "platform/UserPrompt.h"
#include "scripting/NamesList.h"
#include "support/Widgets.h"
#include "ui/DebugMonitor.h"
#include "ui/EditorServices.h"
#include "ui/ScriptEditor.h"

namespace orva {
namespace {

TEST(FontChoiceTest, AProportionalCourierNewIsPassedOverForAMonospaceFace) {
    ASSERT_FALSE(test::ColumnsLineUp(QFont(QStringLiteral("Courier New"))))
        << "this test's fontconfig file was not used";
    CPrintMonitor printed;
    CRecordingPrompt prompt;
    CDebugMonitor monitor(printed, prompt);
    EXPECT_TRUE(test::ColumnsLineUp(monitor.Display()->font()));
    CNamesList names;
    EditorServices services{prompt, nullptr, {}, false, names, ScriptServices{.monitor = &printed}};
    CScriptEditor editor(services, u"GEAR");
    auto* text = editor.findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(test::ColumnsLineUp(text->font()));
}

}  // namespace
}  // namespace orva
