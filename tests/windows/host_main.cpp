// The Windows test host: loads clipferry.dll as a desktop host does, checks its
// version resource, runs the shared end-to-end cases against the local
// service, and prints the tally.
//   clipferry_test_host.exe PORT [--libcurl-missing | --login-once]
// Run from a folder with libcurl.dll beside the DLL, or, with
// --libcurl-missing, from one without it (only the cases that need it missing).
// --login-once only logs in, once, and prints the result: the run script kills
// it while the service holds the answer back.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "devserver_client.h"
#include "end_to_end_cases.h"

namespace {

using namespace clipferry::e2e;

// clipferry.dll from the host's own folder, kept loaded until the process ends.
HMODULE LoadLibraryUnderTest() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return LoadLibraryW((folder + L"clipferry.dll").c_str());
}

template <typename Function>
bool Resolve(HMODULE library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (slot == nullptr) std::printf("clipferry.dll does not export %s\n", name);
    return slot != nullptr;
}

bool ResolveExports(HMODULE library, Exports& exports) {
    return Resolve(library, "CLIPFERRY_Init", exports.init) &
           Resolve(library, "CLIPFERRY_Release", exports.release) &
           Resolve(library, "CLIPFERRY_Login", exports.login) &
           Resolve(library, "CLIPFERRY_GetFileTypes", exports.getFileTypes) &
           Resolve(library, "CLIPFERRY_GetCategories", exports.getCategories) &
           Resolve(library, "CLIPFERRY_GetModerators", exports.getModerators) &
           Resolve(library, "CLIPFERRY_DoUpload", exports.doUpload);
}

// The log switch where the DLL looks for it. The host has the DLL's bitness,
// so a 32-bit host writes through the same registry view as the 32-bit DLL.
// Whether libcurl is missing was settled by the folder the host runs from.
void Prepare(const InitSettings& settings) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norwend\\Clipferry\\Install", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        std::printf("cannot open the log switch's registry key\n");
        return;
    }
    if (settings.logSwitch) {
        const DWORD on = 999;
        RegSetValueExW(key, L"Log", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    } else {
        RegDeleteValueW(key, L"Log");
    }
    RegCloseKey(key);
}

// The DLL's version resource against the CMake project's version: the fixed
// numbers and the four texts a user sees in Explorer's Details tab.
std::vector<std::string> CheckVersionResource(HMODULE library) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(library, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = length > 0 && length < MAX_PATH ? GetFileVersionInfoSizeW(path, &ignored) : 0;
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, data.data())) return {"no version resource"};

    std::vector<std::string> failures;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        fixed == nullptr) {
        failures.push_back("no fixed file information");
    } else {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%u.%u.%u", unsigned(HIWORD(fixed->dwFileVersionMS)),
                      unsigned(LOWORD(fixed->dwFileVersionMS)), unsigned(HIWORD(fixed->dwFileVersionLS)));
        if (numbers != std::string(CLIPFERRY_EXPECTED_VERSION) ||
            fixed->dwProductVersionMS != fixed->dwFileVersionMS ||
            fixed->dwProductVersionLS != fixed->dwFileVersionLS)
            failures.push_back(std::string("fixed file version ") + numbers);
    }
    const std::string version = CLIPFERRY_EXPECTED_VERSION;
    const std::wstring expected(version.begin(), version.end());
    const struct {
        const wchar_t* name;
        std::wstring value;  // empty: any non-empty text
    } texts[] = {{L"FileVersion", expected}, {L"ProductVersion", expected},
                 {L"ProductName", L"Clipferry"}, {L"FileDescription", L""}};
    for (const auto& text : texts) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + text.name;
        wchar_t* value = nullptr;
        UINT valueLength = 0;
        const bool found =
            VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &valueLength) &&
            value != nullptr && valueLength > 1;
        if (!found || (!text.value.empty() && text.value != value))
            failures.push_back("version text " + std::string(text.name, text.name + std::wcslen(text.name)) +
                               (found ? " differs" : " missing"));
    }
    return failures;
}

// Sets (or with a null text, removes) a value of the current user's
// Internet Settings, where the DLL reads its proxy.
void SetInternetSetting(const wchar_t* name, const wchar_t* text, const DWORD* number) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (text != nullptr) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       DWORD((std::wcslen(text) + 1) * sizeof(wchar_t)));
    } else if (number != nullptr) {
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(number), sizeof *number);
    } else {
        RegDeleteValueW(key, name);
    }
    RegCloseKey(key);
}

// A proxy the user switched off (ProxyEnable 0) is not used, whatever
// ProxyServer still names: here a closed port, while libcurl's own
// http_proxy leads to the service. Switched on, the closed port is used (7).
std::vector<std::string> CheckProxySwitchedOff(const Exports& exports, int port) {
    const std::wstring service = L"http://127.0.0.1:" + std::to_wstring(port);
    const std::wstring recorded = L"127.0.0.1:" + std::to_wstring(port);
    SetInternetSetting(L"ProxyServer", L"127.0.0.1:1", nullptr);
    SetEnvironmentVariableW(L"http_proxy", service.c_str());
    std::vector<std::string> failures;
    for (const DWORD enabled : {DWORD(0), DWORD(1)}) {
        SetInternetSetting(L"ProxyEnable", nullptr, &enabled);
        void* handle = exports.init();
        const int32_t login = exports.login(handle, L"demo", L"demo-password");
        exports.release(handle);
        const int32_t expected = enabled == 0 ? CLIPFERRY_OK : 7;
        if (login != expected)
            failures.push_back("ProxyEnable " + std::to_string(enabled) + ": login " + std::to_string(login) +
                               ", expected " + std::to_string(expected));
    }
    SetEnvironmentVariableW(L"http_proxy", nullptr);
    SetInternetSetting(L"ProxyEnable", nullptr, nullptr);
    SetInternetSetting(L"ProxyServer", recorded.c_str(), nullptr);
    return failures;
}

// GetTempPathW reads TMP first, then TEMP.
void UseTemporaryDirectory(const std::filesystem::path& folder) {
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
}

std::filesystem::path TemporaryDirectory() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return std::filesystem::path(std::wstring(path, length > MAX_PATH ? 0 : length));
}

}  // namespace

int main(int argc, char** argv) {
    const int port = argc > 1 ? std::atoi(argv[1]) : 0;
    const bool libcurlMissing = argc > 2 && std::strcmp(argv[2], "--libcurl-missing") == 0;
    const bool loginOnce = argc > 2 && std::strcmp(argv[2], "--login-once") == 0;
    if (port <= 0 || port > 65535 || argc > 3 || (argc == 3 && !libcurlMissing && !loginOnce)) {
        std::printf("usage: %s PORT [--libcurl-missing | --login-once]\n", argc > 0 ? argv[0] : "host");
        return 2;
    }
    clipferry::test::UseDevServerPort(port);

    const HMODULE library = LoadLibraryUnderTest();
    Exports exports;
    if (library == nullptr || !ResolveExports(library, exports)) {
        std::printf("clipferry.dll cannot be loaded (error %lu)\n", GetLastError());
        return 1;
    }
    if (loginOnce) {
        void* handle = exports.init();
        std::printf("login %d\n", static_cast<int>(exports.login(handle, L"demo", L"demo-password")));
        exports.release(handle);
        return 0;
    }

    Platform platform;
    platform.prepare = Prepare;
    platform.dumpDirectory = L"C:\\";
    platform.temporaryDirectory = TemporaryDirectory();
    platform.useTemporaryDirectory = UseTemporaryDirectory;

    int passed = 0;
    int failed = 0;
    if (!libcurlMissing) {
        const auto failures = CheckVersionResource(library);
        std::printf("%s version resource %s\n", failures.empty() ? "ok  " : "FAIL", CLIPFERRY_EXPECTED_VERSION);
        for (const auto& failure : failures) std::printf("    %s\n", failure.c_str());
        ++(failures.empty() ? passed : failed);
        const auto proxyFailures = CheckProxySwitchedOff(exports, port);
        std::printf("%s a proxy switched off is not used\n", proxyFailures.empty() ? "ok  " : "FAIL");
        for (const auto& failure : proxyFailures) std::printf("    %s\n", failure.c_str());
        ++(proxyFailures.empty() ? passed : failed);
    }
    for (const Case& which : Cases()) {
        if (which.needsLibcurlMissing != libcurlMissing) continue;
        const auto failures = RunCase(which, exports, platform);
        std::printf("%s %s\n", failures.empty() ? "ok  " : "FAIL", which.name);
        for (const auto& failure : failures) std::printf("    %s\n", failure.c_str());
        std::fflush(stdout);
        ++(failures.empty() ? passed : failed);
    }
    Prepare({});  // the log switch off again
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
