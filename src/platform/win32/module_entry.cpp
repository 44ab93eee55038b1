// The module initialises COM for the thread that loads it, so that the XML
// documents of the operations can be created on it.
#include <objbase.h>
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        CoInitialize(nullptr);
    } else if (reason == DLL_PROCESS_DETACH) {
        CoUninitialize();
    }
    return TRUE;
}
