/* A DLL as MinGW's GNU ld links it: exports, two TLS callbacks of our own next to the runtime's,
 * base relocations, and a CodeView record from --build-id. */
#include <windows.h>

static volatile LONG thread_events;

static void NTAPI on_thread(PVOID module, DWORD reason, PVOID reserved) {
    (void)module;
    (void)reserved;
    InterlockedAdd(&thread_events, (LONG)reason);
}

static void NTAPI on_thread_detach(PVOID module, DWORD reason, PVOID reserved) {
    (void)module;
    (void)reserved;
    if (reason == DLL_THREAD_DETACH) InterlockedDecrement(&thread_events);
}

/* The runtime's callback table runs from .CRT$XLA to .CRT$XLZ; ours sort between. */
__attribute__((section(".CRT$XLB"), used)) PIMAGE_TLS_CALLBACK fixture_tls_first = on_thread;
__attribute__((section(".CRT$XLC"), used)) PIMAGE_TLS_CALLBACK fixture_tls_second = on_thread_detach;

__declspec(dllexport) int FixtureAdd(int a, int b) { return a + b + (int)thread_events; }
__declspec(dllexport) const char* FixtureName(void) { return "fixture"; }
