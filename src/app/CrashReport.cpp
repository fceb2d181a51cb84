#include "app/CrashReport.h"

#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <exception>

#include "platform/Text.h"

namespace orva {
namespace {

char g_name[256] = "NONE";

// Only async-signal-safe calls from here on: write, _exit, and our own formatting.
void Put(const char* text) {
    [[maybe_unused]] auto n = ::write(2, text, std::strlen(text));
}

void PutHex(uint64_t value) {
    char buf[20];
    int i = sizeof(buf);
    buf[--i] = '\0';
    do {
        buf[--i] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    } while (value && i > 0);
    Put(buf + i);
}

const char* Describe(int sig) {
    switch (sig) {
        case SIGSEGV:
            return "Segmentation fault (invalid memory reference)";
        case SIGBUS:
            return "Bus error (bad memory access)";
        case SIGFPE:
            return "Floating-point exception";
        case SIGILL:
            return "Illegal instruction";
        case SIGABRT:
            return "Aborted";
        default:
            return "Unknown Exception";
    }
}

[[noreturn]] void Report(uint64_t code, const void* address, const char* text, uint64_t info1,
                         uint64_t info2) {
    Put("OrvaPanel (");
    Put(g_name);
    Put("): INTERNAL ERROR.\nContentRecord:\n        Context Falgs: 0\n\nExceptionRecord:\n");
    Put("        ExceptionAddress: 0x");
    PutHex(reinterpret_cast<uintptr_t>(address));
    Put("\n        ExceptionCode: 0x");
    PutHex(code);
    Put("\n        ");
    Put(text);
    Put("\n        ExceptionInformation:\t0x");
    PutHex(info1);
    Put("\n                            \t\t0x");
    PutHex(info2);
    Put("\n");
    ::_exit(1);
}

void OnSignal(int sig, siginfo_t* info, void*) {
    Report(static_cast<uint64_t>(sig), info ? info->si_addr : nullptr, Describe(sig),
           info ? static_cast<uint64_t>(info->si_code) : 0,
           info ? static_cast<uint64_t>(info->si_errno) : 0);
}

void OnTerminate() {
    // The code C++ exceptions carry on the platform this report comes from.
    Report(0xE06D7363, nullptr, "Unhandled C++ exception", 0, 0);
}

}  // namespace

void InstallCrashReport() {
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::sigaction(sig, &action, nullptr);
    std::set_terminate(OnTerminate);
}

void SetCrashInstanceName(std::u16string_view name) {
    const std::string utf8 = ToUtf8(name).substr(0, sizeof(g_name) - 1);
    std::memcpy(g_name, utf8.c_str(), utf8.size() + 1);
}

}  // namespace orva
