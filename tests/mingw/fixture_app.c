/* A program as MinGW's compiler builds it and LLVM's linker links it: a delay-loaded library with
 * functions by name and by ordinal, a CodeView record naming its PDB, and a load configuration
 * whose security cookie the linker relocates. */
#include <windows.h>

int DelayedFirst(void);
int DelayedSecond(int);
int DelayedByOrdinal(void);
__declspec(dllimport) int FixtureAdd(int, int);

static UINT_PTR fixture_cookie = 0x2B992DDFA232ull & (UINT_PTR)-1;

/* The linker points the load configuration directory at this symbol. */
const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    .Size = sizeof(IMAGE_LOAD_CONFIG_DIRECTORY),
    .SecurityCookie = (UINT_PTR)&fixture_cookie,
};

int main(void) {
    return FixtureAdd(DelayedFirst(), DelayedSecond(2)) + DelayedByOrdinal() +
           (int)GetTickCount() + (int)fixture_cookie;
}
