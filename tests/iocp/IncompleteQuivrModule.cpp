// A plug-and-play module that lacks its Stop entry point.
extern "C" {
__attribute__((visibility("default"))) void Start(void*, const char*, const char*, const char*,
                                                  int) {}
}
