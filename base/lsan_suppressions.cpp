// Programs that load the plug-in module under AddressSanitizer (quelora-host, the module
// tests): the module draws text with fontconfig, which loses a few small blocks while
// parsing its configuration at initialisation. The leak checker reads its suppressions
// from the main program only (the module's own copy stays hidden inside it), so the
// loading program names them. Weak, so a program that also links the font code keeps that
// definition. Linked into those programs in sanitizer builds only
// (quelora_lsan_suppressions).
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELORA_MODULE_LEAK_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUELORA_MODULE_LEAK_CHECKED 1
#endif
#ifdef QUELORA_MODULE_LEAK_CHECKED
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
