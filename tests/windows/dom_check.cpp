// Runs on Windows or under Wine: the MSXML DOM on any thread, and the Windows
// files, text, registry and loader code an operation goes through (the DOM's
// own cases are the shared tests/xml/dom_adapter_test.cpp, run under Wine by
// GoogleTest). Prints the failures, then "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "temporary_folder.h"
#include "platform/dom.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/text.h"
#include "xml/element_search.h"
#include "xml/response_document.h"
#include "xml/xml_file_document.h"

namespace {

using namespace clipferry;
using namespace clipferry::platform;
using Names = std::vector<std::u16string>;

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("FAILED: %s\n", what.c_str());
}

std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text); }

// The run's own folder under the temporary directory, removed at the end.
test::TemporaryFolder* work = nullptr;

// Writes a file in the run's folder (threads write files of their own names
// at once); its path as the library takes it.
std::u16string WriteFile(const std::u16string& name, const std::string& bytes) {
    work->Write(Narrow(name), bytes);
    return (work->path() / Narrow(name)).u16string();
}

Names ChildNames(const DomNodePtr& node) {
    Names names;
    for (DomNodePtr child = xml::FirstChildOf(node); child != nullptr; child = xml::NextSiblingOf(child))
        names.push_back(xml::ReadNodeName(child));
    return names;
}

struct Loaded {
    DomStatus created = kDomFail;
    DomDocumentPtr document;
    bool succeeded = false;
    DomNodePtr node() const {
        DomNodePtr node;
        if (document != nullptr) document->AsNode(node);
        return node;
    }
    // The document's last child: the root element when there is one.
    DomNodePtr root() const {
        DomNodePtr last;
        for (DomNodePtr child = xml::FirstChildOf(node()); child != nullptr; child = xml::NextSiblingOf(child))
            last = child;
        return last;
    }
};

Loaded LoadBytes(const std::string& bytes, const std::u16string& name = u"in.xml") {
    Loaded loaded;
    loaded.created = CreateDomDocument(loaded.document);
    if (loaded.document == nullptr) return loaded;
    loaded.document->SetAsync(false);
    loaded.document->Load(WriteFile(name, bytes).c_str(), loaded.succeeded);
    return loaded;
}

int ScratchFilesLeft() {
    const std::u16string pattern = TemporaryDirectory() + u"LumividRes*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 1;
    while (FindNextFileW(search, &found)) ++count;
    FindClose(search);
    return count;
}

// The response documents over the Windows scratch file: the body read back,
// nothing left in the temporary directory.
void CheckResponseDocument() {
    {
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<soap:Envelope xmlns:soap=\"urn:s\"><soap:Body>"
            "<UserLoginResponse><return><LoginStatus>1</LoginStatus><AuthKey>secret-key</AuthKey></return>"
            "</UserLoginResponse></soap:Body></soap:Envelope>";
        xml::ResponseDocument document;
        Check(document.LoadFromBuffer(body.data(), uint32_t(body.size())) == 1, "response: loaded");
        Check(ScratchFilesLeft() == 1, "response: one scratch file in the temporary directory while loaded");
        document.DeleteScratch();
        Check(ScratchFilesLeft() == 0, "response: scratch file gone");
        char16_t key[64] = {};
        document.LookupText(u"AuthKey", key, 64);
        Check(std::u16string(key) == u"secret-key", "response: text read after the scratch file went");
        Check(xml::ReadNodeName(document.rootNode()) == u"soap:Envelope", "response: declaration stripped");
    }
    {
        const std::string body = "<html><body>Bad Gateway</body></html";
        xml::ResponseDocument document;
        Check(document.LoadFromBuffer(body.data(), uint32_t(body.size())) == 1, "response: not XML opens");
        Check(ChildNames(document.documentNode()) == Names{u"FakeRootNode"}, "response: not XML, fake root");
    }
}

std::u16string ThreadFileName() { return Utf8ToUtf16("thread-" + std::to_string(GetCurrentThreadId()) + ".xml"); }

// A document made and used on a thread of its own: COM is set up there.
DWORD WINAPI UseDocument(void* mode) {
    if (mode != nullptr) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const Loaded loaded = LoadBytes("<r><s>thread</s></r>", ThreadFileName());
    DWORD result = loaded.succeeded && xml::ReadNodeText(loaded.root()) == u"thread" ? 1 : 0;
    if (mode != nullptr) CoUninitialize();
    return result;
}

DWORD WINAPI ApartmentLeftAsFound(void*) {
    { const Loaded loaded = LoadBytes("<r/>", ThreadFileName()); }
    // S_OK: the documents' apartment was set up and taken down again.
    const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(again)) CoUninitialize();
    return again == S_OK ? 1 : 0;
}

// The module entry built alone beside this program (see build_dom_check.sh).
std::wstring ModuleEntryPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring own(path, length);
    const size_t dash = own.rfind(L'-');
    return own.substr(0, dash) + L"_module_entry" + own.substr(dash, own.size() - dash - 4) + L".dll";
}

// Loads and unloads the module on a thread with COM set up as given: the
// thread's COM is left as it was.
DWORD WINAPI LoadAndUnloadModule(void* mode) {
    if (mode != nullptr) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HMODULE module = LoadLibraryW(ModuleEntryPath().c_str());
    if (module != nullptr) FreeLibrary(module);
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(after)) CoUninitialize();
    if (mode != nullptr) CoUninitialize();
    return module != nullptr && after == (mode != nullptr ? S_FALSE : S_OK) ? 1 : 0;
}

void CheckThreads() {
    struct Case {
        const char* what;
        LPTHREAD_START_ROUTINE routine;
        void* argument;
        bool alone;
    };
    int multithreaded = 1;
    const Case cases[] = {
        {"thread without COM", UseDocument, nullptr, false},
        {"another thread without COM", UseDocument, nullptr, false},
        {"thread in the multithreaded apartment", UseDocument, &multithreaded, false},
        {"thread's COM taken down after", ApartmentLeftAsFound, nullptr, false},
        {"module on a thread without COM", LoadAndUnloadModule, nullptr, true},
        {"module on a thread in the multithreaded apartment", LoadAndUnloadModule, &multithreaded, true},
    };
    const auto finish = [](const Case& c, HANDLE thread) {
        DWORD result = 0;
        if (thread != nullptr) {
            WaitForSingleObject(thread, INFINITE);
            GetExitCodeThread(thread, &result);
            CloseHandle(thread);
        }
        Check(result == 1, c.what);
    };
    // The documents' threads run at once; each load and unload of the module
    // runs alone, since only the first load runs its entry.
    std::vector<std::pair<const Case*, HANDLE>> running;
    for (const Case& c : cases) {
        HANDLE thread = CreateThread(nullptr, 0, c.routine, c.argument, 0, nullptr);
        if (c.alone)
            finish(c, thread);
        else
            running.emplace_back(&c, thread);
    }
    for (const auto& [c, thread] : running) finish(*c, thread);
}

void CheckText() {
    struct Case {
        const char16_t* text;
        size_t size;
        std::string bytes;
    };
    const Case cases[] = {
        {u"caf\u00E9", 64, "caf\xC3\xA9"},
        {u"caf\u00E9", 5, "caf"},  // cut before a character that does not fit whole
        {u"\u4E2D\U0001F600", 64, "\xE4\xB8\xAD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        char out[64] = {};
        const size_t written = Utf16ToUtf8(c.text, out, c.size);
        Check(std::string(out) == c.bytes && written == c.bytes.size(), "text: to UTF-8 " + c.bytes);
    }
    Check(Utf8ToUtf16(std::string("a\xFF" "b")) == u"a\uFFFDb", "text: a bad byte becomes U+FFFD");
    std::u16string upper = u"success \u00E9";
    UpperCaseInPlace(upper);
    Check(upper == u"SUCCESS \u00C9", "text: upper case");
}

void CheckFiles() {
    const std::u16string file = WriteFile(u"media.bin", std::string(3000, 'x'));
    FilePtr opened = OpenFileForReading(file.c_str());
    Check(opened != nullptr, "files: a regular file opens");
    Check(StampOpenFile(opened.get()).value_or(FileStamp{0, 0}).size == 3000, "files: its size");
    Check(OpenFileForReading(work->path().u16string().c_str()) == nullptr, "files: a directory does not open");
    Check(OpenFileForReading(u"NUL") == nullptr, "files: a device does not open");

    opened.reset();
    Check(ReplaceFileWith(file.c_str(), "new", 3) && work->Read("media.bin") == "new", "files: replaced");
    // Wine reports a made-up access list for every file, but gives the file
    // the Unix mode that the list set at creation asks for: the run script
    // looks at this one from outside.
    Check(ReplaceFileWith(u"C:\\clipferry-dom-check-owner.txt", "x", 1), "files: a file written to C:\\");

    ScratchFile scratch;
    Check(scratch.Create(u"LumividRes", u".xml", "<r/>", 4), "files: scratch file created");
    const std::u16string path = scratch.Path();
    // Read back as the library does, sharing the delete access of the
    // handle that removes the file when it closes.
    char content[8] = {};
    FilePtr back = OpenFileForReading(path.c_str());
    Check(path.rfind(TemporaryDirectory(), 0) == 0 && back != nullptr &&
              std::fread(content, 1, sizeof content, back.get()) == 4 && std::string(content) == "<r/>",
          "files: scratch file content read back");
    back.reset();
    ScratchFile other;
    other.Create(u"LumividRes", u".xml", "<s/>", 4);
    Check(other.Path() != path, "files: scratch files of two operations differ");
    scratch.Remove();
    Check(!PathExists(path.c_str()), "files: scratch file removed");
}

// Writes the registry values the library reads, reads them back, and puts
// back what was there (nothing, on a test prefix).
void CheckSettings() {
    HKEY key = nullptr;
    if (RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", &key) ==
        ERROR_SUCCESS) {
        const char proxy[] = "http=127.0.0.1:3128";
        RegSetValueExA(key, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(proxy), sizeof proxy);
        Check(ReadProxyServerText().value_or(u"") == u"http=127.0.0.1:3128", "settings: proxy server text");
        RegDeleteValueA(key, "ProxyServer");
        Check(!ReadProxyServerText().has_value(), "settings: no proxy server text");
        RegCloseKey(key);
    }
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norwend\\Clipferry\\Install", &key) == ERROR_SUCCESS) {
        const DWORD on = 999;
        RegSetValueExW(key, L"Log", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
        Check(ReadLogSwitchValue().value_or(0) == 999, "settings: log switch");
        RegDeleteValueW(key, L"Log");
        Check(!ReadLogSwitchValue().has_value(), "settings: no log switch");
        RegCloseKey(key);
    }
}

void CheckLoader() {
    LibraryHandle kernel = LoadSharedLibrary(u"kernel32.dll");
    Check(FindLibrarySymbol(kernel, "GetTickCount") != nullptr, "loader: an export is found");
    Check(FindLibrarySymbol(kernel, "NoSuchExport") == nullptr, "loader: a missing export is null");
    UnloadSharedLibrary(kernel);
    Check(LoadSharedLibrary(u"clipferry-missing.dll") == nullptr, "loader: a missing library is null");
}

}  // namespace

int main() {
    // No dialog for a library that is missing or a file that is not there.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    test::TemporaryFolder folder;
    work = &folder;
    CheckResponseDocument();
    CheckThreads();
    CheckText();
    CheckFiles();
    CheckSettings();
    CheckLoader();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
