#include "app/Autostart.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {
namespace {

// An argument of an Exec line, quoted when it needs it, as desktop entries want.
std::string ExecArgument(const std::string& arg) {
    const bool plain = arg.find_first_of(" \t\"'\\><~|&;$*?#()`=%") == std::string::npos;
    if (plain && !arg.empty()) return arg;
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quoted + "\"";
}

// Values of a desktop entry hold no line breaks.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

}  // namespace

std::filesystem::path AutostartFile(std::u16string_view instance) {
    std::string name = ToUtf8(instance);
    for (char& c : name) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!safe) c = '_';
    }
    return ConfigHome() / "autostart" / ("orvapanel-" + name + ".desktop");
}

bool IsAutostartOn(std::u16string_view instance) {
    std::error_code ec;
    return std::filesystem::exists(AutostartFile(instance), ec);
}

std::string AutostartEntry(std::u16string_view instance, const std::filesystem::path& program) {
    const std::string name = OneLine(ToUtf8(instance));
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=OrvaPanel (" +
           name +
           ")\n"
           "Comment=Starts the OrvaPanel instance " +
           name +
           " with the desktop session\n"
           "Exec=" +
           ExecArgument(program.string()) + " " + ExecArgument("/" + name) +
           "\n"
           "Icon=orvapanel\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool SetAutostart(std::u16string_view instance, bool on, const std::filesystem::path& program) {
    const std::filesystem::path file = AutostartFile(instance);
    std::error_code ec;
    if (!on) {
        std::filesystem::remove(file, ec);
        return !ec;
    }
    std::filesystem::create_directories(file.parent_path(), ec);
    return WriteFileAtomically(file, AutostartEntry(instance, program));
}

}  // namespace orva
