// The module initialises COM for the thread that loads it, so that the XML
// documents of the operations can be created on it.
#include <objbase.h>
#include <windows.h>

namespace {

// Set only when the load's initialisation counted, so the unload takes back
// exactly that: a thread already in the multithreaded apartment refuses it,
// and its host's COM must not be taken down by us.
DWORD initialisedThread = 0;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        const HRESULT result = CoInitialize(nullptr);
        if (result == S_OK || result == S_FALSE) initialisedThread = GetCurrentThreadId();
    } else if (reason == DLL_PROCESS_DETACH) {
        // Not at process exit (reserved set), when COM may be gone already, and
        // only on the thread whose count it was: an unload may come from another.
        if (reserved == nullptr && initialisedThread != 0 && initialisedThread == GetCurrentThreadId())
            CoUninitialize();
        initialisedThread = 0;
    }
    return TRUE;
}
