// Only in builds with AddressSanitizer (the test command's second build): leaks the leak
// checker reports at exit that are not ours to mend.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    // Qt's D-Bus module keeps one message of the tray icon's registration (QDBusMessage's
    // private data and its text) when the program ends with the item still registered with a
    // status-notifier watcher; nothing of ours holds it.
    // Qt's Wayland platform leaves some of the objects the compositor created for it (80 bytes
    // each, allocated inside libwayland-client, whose missing frame pointers end the stack
    // there) when the program ends with windows having been shown. Our own Wayland code is
    // checked for leaks by its in-process tests, which this list does not cover.
    return "leak:libQt6DBus.so\n"
           "leak:libwayland-client.so\n";
}
#endif
