// Only in builds with AddressSanitizer (the test command's second build): leaks the leak
// checker reports at exit that are not ours to mend.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    // Qt's D-Bus module keeps one message of the tray icon's registration (QDBusMessage's
    // private data and its text) when the program ends with the item still registered with a
    // status-notifier watcher; nothing of ours holds it.
    return "leak:libQt6DBus.so\n";
}
#endif
