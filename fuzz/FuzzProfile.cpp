// Arbitrary bytes as an INI file: reads of every kind, then a write and a read back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A write ends in fsync, which on a disk costs milliseconds per run; tmpfs makes it free.
    static const std::filesystem::path dir =
        std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm")
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    static const std::filesystem::path file =
        dir / ("fuzz_profile_" + std::to_string(::getpid()) + ".ini");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const orva::CProfile ini(file);
    (void)ini.ReadInt(u"Iocp", u"Servers", 0);
    (void)ini.ReadString(u"Iocp", u"Alias_000", u"P3D");
    (void)ini.ReadString(u"", u"", u"");
    if (ini.WriteString(u"Orva", u"Serial", u"  OR-1 ") &&
        ini.ReadString(u"Orva", u"Serial", u"") != u"  OR-1 ") {
        __builtin_trap();  // a value written must read back unchanged
    }
    std::filesystem::remove(file);
    return 0;
}
