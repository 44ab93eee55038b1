// The end-to-end cases that both builds run against the local Lumivid service:
// the Linux tests through the shared library, the Windows host through the DLL.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "clipferry.h"

namespace clipferry::e2e {

// The seven exports as a host resolves them (dlsym, GetProcAddress): the
// cases call the library under test through these pointers only.
struct Exports {
    decltype(&CLIPFERRY_Init) init = nullptr;
    decltype(&CLIPFERRY_Release) release = nullptr;
    decltype(&CLIPFERRY_Login) login = nullptr;
    decltype(&CLIPFERRY_GetFileTypes) getFileTypes = nullptr;
    decltype(&CLIPFERRY_GetCategories) getCategories = nullptr;
    decltype(&CLIPFERRY_GetModerators) getModerators = nullptr;
    decltype(&CLIPFERRY_DoUpload) doUpload = nullptr;
};

// What a context reads when it is created.
struct InitSettings {
    bool logSwitch = false;
    bool libcurlMissing = false;
};

// Where the two builds differ. The runner has already pointed the library's
// proxy at the local service (Linux: CLIPFERRY_PROXY_SERVER; Windows: the
// Internet Settings "ProxyServer" value).
struct Platform {
    // Called before every CLIPFERRY_Init. Linux: environment variables.
    // Windows: the registry value "Log" = 999 or none; libcurl cannot be
    // hidden from a running process there, so the host runs the cases that
    // need it missing from a folder without libcurl.dll.
    void (*prepare)(const InitSettings& settings) = nullptr;
    // Where the dump files land. Linux: the temporary directory; Windows: C:\.
    std::filesystem::path dumpDirectory;
    // The temporary directory the library puts its scratch files in.
    std::filesystem::path temporaryDirectory;
    // Makes folder the library's temporary directory from now on. Linux:
    // TMPDIR; Windows: TMP and TEMP of the process.
    void (*useTemporaryDirectory)(const std::filesystem::path& folder) = nullptr;
};

class Run;

struct Case {
    const char* name;
    bool needsLibcurlMissing;
    void (*run)(Run& run);
};

// Every case, in the order they run.
const std::vector<Case>& Cases();

// Runs one case; its failures, one line each, none when it passed.
std::vector<std::string> RunCase(const Case& which, const Exports& exports, const Platform& platform);

}  // namespace clipferry::e2e
