// The end-to-end cases: a host's calls through the exports, against the local
// service, with what arrived there read back through its control API.
#include "end_to_end_cases.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <exception>
#include <system_error>

#include "devserver_client.h"

namespace clipferry::e2e {

using Text = std::basic_string<clipferry_char>;
using namespace clipferry::test;

// One case in progress: what it calls and the failures it has found.
class Run {
public:
    Run(const Exports& exports, const Platform& platform) : exports(exports), platform(platform) {}
    const Exports& exports;
    const Platform& platform;
    std::vector<std::string> failures;

    void Check(bool good, const std::string& what, int line) {
        if (!good) failures.push_back("line " + std::to_string(line) + ": " + what);
    }
    template <typename A, typename B>
    void CheckEqual(const A& actual, const B& expected, const char* what, int line) {
        if (actual == expected) return;
        std::ostringstream text;
        text << what << " is " << actual << ", expected " << expected;
        Check(false, text.str(), line);
    }
};

#define E2E_CHECK(run, condition) (run).Check((condition), #condition, __LINE__)
#define E2E_CHECK_EQ(run, actual, expected) (run).CheckEqual((actual), (expected), #actual, __LINE__)

namespace {

Text Wide(const std::string& utf8) {
    Text out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        unsigned code = extra == 0 ? lead : lead & (0x3Fu >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        i += size_t(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(clipferry_char(0xD800 + (code >> 10)));
            out.push_back(clipferry_char(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(clipferry_char(code));
        }
    }
    return out;
}

std::string Narrow(const clipferry_char* text) {
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        unsigned code = static_cast<uint16_t>(*text);
        if (code >= 0xD800 && code < 0xDC00 && text[1] != 0)
            code = 0x10000 + ((code - 0xD800) << 10) + (*++text - 0xDC00);
        if (code < 0x80) {
            out.push_back(char(code));
        } else {
            const int extra = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
            out.push_back(char(((0xFF00u >> (extra + 1)) & 0xFFu) | (code >> (6 * extra))));
            for (int k = extra - 1; k >= 0; --k) out.push_back(char(0x80 | ((code >> (6 * k)) & 0x3F)));
        }
    }
    return out;
}

Text PathText(const std::filesystem::path& path) {
#if defined(_WIN32)
    return path.wstring();
#else
    return Wide(path.string());
#endif
}

const char* const kDumpNames[] = {"Clipferry_Login.xml",         "Clipferry_FileTypes.xml",
                                  "Clipferry_GetCategories.xml", "Clipferry_GetModerators.xml",
                                  "Clipferry_Upload.xml",        "Clipferry_GetServer.xml"};

void RemoveDumps(const Platform& platform) {
    std::error_code ignored;
    for (const char* name : kDumpNames) std::filesystem::remove(platform.dumpDirectory / name, ignored);
}

// Scratch files are named "LumividRes..." where they have a name at all.
// Differs: on Linux a scratch file has no name where the system allows it, so
// this finds one only where it does not; on Windows every one is named.
bool ScratchLeft(const Platform& platform) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(platform.temporaryDirectory, error))
        if (entry.path().filename().u8string().rfind("LumividRes", 0) == 0) return true;
    return false;
}

// One context for the length of a case. Every call through it is followed by
// a look for a scratch file left behind.
class Session {
public:
    explicit Session(Run& run, InitSettings settings = {}) : run_(run) {
        run.platform.prepare(settings);
        handle_ = run.exports.init();
        E2E_CHECK(run, handle_ != nullptr);
    }
    ~Session() { run_.exports.release(handle_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int32_t Login(const std::string& user, const std::string& password) {
        return Checked(run_.exports.login(handle_, Wide(user).c_str(), Wide(password).c_str()));
    }
    int32_t GetFileTypes(clipferry_char* buffer, uint32_t size) {
        return Checked(run_.exports.getFileTypes(handle_, buffer, size));
    }
    int32_t GetCategories(int32_t parent, void* data, CategoryCallback callback, int32_t* count) {
        return Checked(run_.exports.getCategories(handle_, parent, data, callback, count));
    }
    int32_t GetModerators(void* data, ModeratorCallback callback, int32_t* count) {
        return Checked(run_.exports.getModerators(handle_, data, callback, count));
    }
    int32_t Upload(const std::filesystem::path& file, const std::string& title, clipferry_char* message,
                   uint32_t messageSize, ProgressCallback progress, void* progressData) {
        return Checked(run_.exports.doUpload(handle_, PathText(file).c_str(), Wide(title).c_str(),
                                             Wide("About the clip").c_str(), Wide("e2e, clip").c_str(), 501,
                                             1, 11, -5, message, messageSize, progress, progressData));
    }

private:
    int32_t Checked(int32_t result) {
        E2E_CHECK(run_, !ScratchLeft(run_.platform));
        return result;
    }
    Run& run_;
    void* handle_ = nullptr;
};

// What the list callbacks received, one "id name" line each.
struct Listed {
    std::vector<std::string> lines;
};

void CLIPFERRY_CALL OnCategory(int32_t id, const clipferry_char* name, int32_t reserved, void* data) {
    auto& listed = *static_cast<Listed*>(data);
    listed.lines.push_back(std::to_string(id) + " " + Narrow(name) +
                           (reserved != 0 ? " (reserved set)" : ""));
}

void CLIPFERRY_CALL OnModerator(int32_t id, const clipferry_char* first, const clipferry_char* last,
                                int32_t reserved, void* data) {
    auto& listed = *static_cast<Listed*>(data);
    listed.lines.push_back(std::to_string(id) + " " + Narrow(first) + " " + Narrow(last) +
                           (reserved != 0 ? " (reserved set)" : ""));
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += (all.empty() ? "" : "; ") + line;
    return all;
}

struct Progress {
    int calls = 0;
    double highest = 0;
    int cancelAtCall = 0;  // 0: never
};

int CLIPFERRY_CALL OnProgress(void* data, double, double, double, double uploaded) {
    auto& progress = *static_cast<Progress*>(data);
    ++progress.calls;
    if (uploaded > progress.highest) progress.highest = uploaded;
    return progress.calls == progress.cancelAtCall ? 1 : 0;
}

// Bytes that differ from position to position, so a lost or repeated chunk
// changes the digest; kClipSha256 is that of these kClipSize bytes.
constexpr size_t kClipSize = 3 * 1024 * 1024 + 7;
constexpr char kClipSha256[] = "9d01e23a8457d1bd04366ef3a77c99fab2fabc3cb5f7b63e1c4c5a4a8fe7a38e";

std::filesystem::path WriteClip(const Platform& platform) {
    std::string bytes(kClipSize, '\0');
    uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        byte = char(state);
    }
    const auto path = platform.temporaryDirectory / "clipferry-e2e-clip.mp4";
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

void LoginRefusedThenAccepted(Run& run) {
    ResetDevServer();
    Session session(run);
    E2E_CHECK_EQ(run, session.Login("demo", "wrong <&> password"), CLIPFERRY_REFUSED);
    const auto requests = RecordedRequests();
    E2E_CHECK(run, requests.size() == 1 &&
                       requests[0].body.find("wrong &lt;&amp;&gt; password") != std::string::npos);
    clipferry_char types[64] = {};
    E2E_CHECK_EQ(run, session.GetFileTypes(types, 64), CLIPFERRY_BAD_ARGUMENT);
    E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), CLIPFERRY_OK);
    E2E_CHECK_EQ(run, session.GetFileTypes(types, 64), CLIPFERRY_OK);
    E2E_CHECK_EQ(run, Narrow(types), std::string("*.mp4;*.mov;*.avi;*.wmv;*.mpg"));
}

void ListsReachTheCallbacks(Run& run) {
    ResetDevServer();
    Session session(run);
    E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), CLIPFERRY_OK);
    const struct {
        int32_t parent;  // -1: the moderators
        const char* expected;
        int32_t count;
    } lists[] = {
        {0, "1 Film & Animation; 2 Music; 3 Travel", 3},
        {1, "11 Short Films; 12 Animation <2D/3D>", 2},
        {3, "", 0},
        {-1, "501 Mia Moderator; 502 Otto O'Neil", 2},
    };
    for (const auto& list : lists) {
        Listed listed;
        int32_t count = -7;
        const int32_t result = list.parent < 0
                                   ? session.GetModerators(&listed, OnModerator, &count)
                                   : session.GetCategories(list.parent, &listed, OnCategory, &count);
        E2E_CHECK_EQ(run, result, CLIPFERRY_OK);
        E2E_CHECK_EQ(run, Joined(listed.lines), std::string(list.expected));
        E2E_CHECK_EQ(run, count, list.count);
    }
}

void UploadArrivesWhole(Run& run) {
    ResetDevServer();
    const auto clip = WriteClip(run.platform);
    {
        Session session(run);
        E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), CLIPFERRY_OK);
        Progress progress;
        clipferry_char message[200] = {};
        E2E_CHECK_EQ(run, session.Upload(clip, "Fj\u00e4llvandring", message, 200, OnProgress, &progress),
                     CLIPFERRY_OK);
        E2E_CHECK_EQ(run, Narrow(message),
                     std::string("Your video \"Fj\u00e4llvandring\" was received and awaits moderation."));
        E2E_CHECK(run, progress.calls > 1 && progress.highest >= double(kClipSize));
        // The service refuses a clip without a title; a status of UNSUCCESSFUL
        // is no success.
        E2E_CHECK_EQ(run, session.Upload(clip, "", message, 200, nullptr, nullptr), CLIPFERRY_REFUSED);
        E2E_CHECK_EQ(run, Narrow(message), std::string("A title is required"));
        // An upload answered with nothing holds no verdict.
        ScriptedResponse nothing;
        nothing.path = "/upload";
        ScriptResponse(nothing);
        E2E_CHECK_EQ(run, session.Upload(clip, "Unanswered", nullptr, 0, nullptr, nullptr),
                     CLIPFERRY_REFUSED);
        // Only a regular file is sent: the temporary directory is not.
        E2E_CHECK_EQ(run,
                     session.Upload(run.platform.temporaryDirectory, "Folder", nullptr, 0, nullptr, nullptr),
                     CLIPFERRY_BAD_ARGUMENT);
    }
    std::error_code ignored;
    std::filesystem::remove(clip, ignored);
    const auto uploads = ReceivedUploads();
    E2E_CHECK_EQ(run, uploads.size(), size_t(2));
    if (uploads.empty()) return;
    E2E_CHECK_EQ(run, uploads[0].status, std::string("SUCCESS"));
    E2E_CHECK_EQ(run, uploads[0].filename, std::string("clipferry-e2e-clip.mp4"));
    E2E_CHECK_EQ(run, uploads[0].size, uint64_t(kClipSize));
    E2E_CHECK_EQ(run, uploads[0].sha256, std::string(kClipSha256));
    std::string categories;
    for (const auto& [name, value] : uploads[0].fields)
        if (name.rfind("category", 0) == 0) categories += name + "=" + value + " ";
    E2E_CHECK_EQ(run, categories, std::string("category1=1 category2=11 category3=0 "));
}

void CancelFromProgress(Run& run) {
    ResetDevServer();
    const auto clip = WriteClip(run.platform);
    {
        Session session(run);
        E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), CLIPFERRY_OK);
        Progress progress;
        progress.cancelAtCall = 1;
        E2E_CHECK_EQ(run, session.Upload(clip, "Cancelled", nullptr, 0, OnProgress, &progress), 42);
        E2E_CHECK_EQ(run, progress.calls, 1);
    }
    std::error_code ignored;
    std::filesystem::remove(clip, ignored);
    for (const auto& upload : ReceivedUploads()) E2E_CHECK(run, upload.status != "SUCCESS");
}

// Changes the clip once the count of bytes sent passes a mark.
struct ClipChange {
    bool (*due)(double total, double sent);
    void (*change)(const std::filesystem::path& clip);
    std::filesystem::path clip;
    bool done = false;
};

int CLIPFERRY_CALL ChangeClipWhenDue(void* data, double, double, double total, double sent) {
    auto& change = *static_cast<ClipChange*>(data);
    if (!change.done && total > 0 && change.due(total, sent)) {
        change.change(change.clip);
        change.done = true;
    }
    return 0;
}

// Near the end, so that a change the library missed would reach the service.
void RewriteAByte(const std::filesystem::path& clip) {
    const auto size = std::filesystem::file_size(clip);
    std::fstream file(clip, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(std::streamoff(size - 100));
    file.put('x');
}

// The digest of the first `bytes` of the clip WriteClip makes.
const char* ClipSha256(size_t bytes) {
    return bytes == kClipSize ? kClipSha256 : "e692ec244b05f154c01cfc622c52a0aa04ef3d25cc1ff136de45fd625f59dea4";
}

// A clip that ends early or changes while it is sent never completes the form
// (the declared length would hold another video): 26, libcurl's "could not
// read the file". The change comes early in the upload, but libcurl may
// already have read the whole clip ahead of what it reports sent: then the
// upload completes, and holds the clip exactly as it was measured. One
// deleted meanwhile is still read whole where the system lets it go (the
// open descriptor keeps it), or stays where it does not.
void ClipChangedWhileSent(Run& run) {
    const auto early = [](double, double sent) { return sent >= 64 * 1024; };
    const struct {
        const char* label;
        bool (*due)(double total, double sent);
        void (*change)(const std::filesystem::path& clip);
        int32_t result;
        size_t bytes;
    } cases[] = {
        {"cut at 1 MiB", early,
         [](const std::filesystem::path& clip) { std::filesystem::resize_file(clip, 1024 * 1024); }, 26, kClipSize},
        {"last byte cut", early,
         [](const std::filesystem::path& clip) { std::filesystem::resize_file(clip, kClipSize - 1); }, 26, kClipSize},
        {"grown at the end", early,
         [](const std::filesystem::path& clip) { std::ofstream(clip, std::ios::binary | std::ios::app) << "more"; },
         26, kClipSize},
        {"a byte rewritten in place", early, RewriteAByte, 26, kClipSize},
        // Read whole in the same chunk as the part's headers.
        {"a small clip rewritten before it is read", [](double, double) { return true; }, RewriteAByte, 26, 1000},
        {"deleted", early,
         [](const std::filesystem::path& clip) {
             std::error_code ignored;
             std::filesystem::remove(clip, ignored);
         },
         CLIPFERRY_OK, kClipSize},
    };
    Session session(run);
    E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), CLIPFERRY_OK);
    for (const auto& c : cases) {
        ResetDevServer();
        const auto clip = WriteClip(run.platform);
        std::filesystem::resize_file(clip, c.bytes);
        // An hour old, so a rewrite within the clock's resolution still shows.
        std::filesystem::last_write_time(clip, std::filesystem::last_write_time(clip) - std::chrono::hours(1));
        ClipChange watch{c.due, c.change, clip};
        const int32_t result = session.Upload(clip, c.label, nullptr, 0, ChangeClipWhenDue, &watch);
        E2E_CHECK(run, watch.done);
        const auto uploads = ReceivedUploads();
        if (result == CLIPFERRY_OK) {
            run.Check(uploads.size() == 1 && uploads[0].sha256 == ClipSha256(c.bytes),
                      std::string(c.label) + ": a complete upload holds the clip as measured", __LINE__);
        } else {
            run.CheckEqual(result, c.result, c.label, __LINE__);
            for (const auto& upload : uploads)
                E2E_CHECK(run, upload.part_names.empty() || upload.part_names.back() != "Upload");
        }
        std::error_code ignored;
        std::filesystem::remove(clip, ignored);
    }
}

// Every operation once, so that each dump file has its chance to appear.
void EveryOperation(Run& run, Session& session) {
    E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), CLIPFERRY_OK);
    clipferry_char types[64] = {};
    Listed listed;
    E2E_CHECK_EQ(run, session.GetFileTypes(types, 64), CLIPFERRY_OK);
    E2E_CHECK_EQ(run, session.GetCategories(0, &listed, OnCategory, nullptr), CLIPFERRY_OK);
    E2E_CHECK_EQ(run, session.GetModerators(&listed, OnModerator, nullptr), CLIPFERRY_OK);
    const auto clip = run.platform.temporaryDirectory / "clipferry-e2e-small.mp4";
    std::ofstream(clip, std::ios::binary) << "small clip";
    E2E_CHECK_EQ(run, session.Upload(clip, "Small", nullptr, 0, nullptr, nullptr), CLIPFERRY_OK);
    std::error_code ignored;
    std::filesystem::remove(clip, ignored);
}

// Differs: the switch is CLIPFERRY_LOG on Linux and a registry value on
// Windows; the dumps land in the temporary directory, or in C:\.
void DumpsOnlyWithTheLogSwitch(Run& run) {
    for (const bool on : {false, true}) {
        RemoveDumps(run.platform);
        {
            Session session(run, InitSettings{on, false});
            EveryOperation(run, session);
        }
        for (const char* name : kDumpNames) {
            const bool present = std::filesystem::exists(run.platform.dumpDirectory / name);
            run.Check(
                present == on,
                std::string(name) + (on ? " missing with the switch on" : " written with the switch off"),
                __LINE__);
        }
    }
    RemoveDumps(run.platform);
}

// Answers of every shape: one is read with or without its declaration; one
// that cannot be read (not XML, empty, with a DTD) refuses a login, and after
// a login the same kind of answer is an empty list.
void AnswersOfEveryShape(Run& run) {
    const std::string login =
        "<return><LoginStatus>1</LoginStatus><UserLoginInformation><ContactId>17</ContactId>"
        "<ShowModerators>1</ShowModerators><AuthKey>k</AuthKey></UserLoginInformation></return>";
    const struct {
        const char* name;
        std::string body;
        int32_t login;
    } answers[] = {
        {"login over a declared answer", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + login, CLIPFERRY_OK},
        {"login over an undeclared answer", login, CLIPFERRY_OK},
        {"login over an HTML page", "<html><body><h1>503 Service Unavailable</h1></body></html>",
         CLIPFERRY_REFUSED},
        {"login over an empty answer", "", CLIPFERRY_REFUSED},
        // Wine's MSXML reports ProhibitDTD as set and loads this all the same.
        {"login over an answer with a DTD",
         "<?xml version=\"1.0\"?><!DOCTYPE return [<!ENTITY one \"1\">]>" + login, CLIPFERRY_REFUSED},
    };
    for (const auto& answer : answers) {
        ResetDevServer();
        Session session(run);
        ScriptedResponse scripted;
        scripted.path = "/0.1.1/api";
        scripted.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
        scripted.body = answer.body;
        ScriptResponse(scripted);
        run.CheckEqual(session.Login("demo", "demo-password"), answer.login, answer.name, __LINE__);
        if (answer.login != CLIPFERRY_OK) continue;
        scripted.body = "<html><body>Not today</body></html>";
        ScriptResponse(scripted);
        Listed listed;
        int32_t count = -7;
        E2E_CHECK_EQ(run, session.GetCategories(0, &listed, OnCategory, &count), CLIPFERRY_OK);
        E2E_CHECK_EQ(run, count, 0);
        E2E_CHECK_EQ(run, listed.lines.size(), size_t(0));
    }
}

// A temporary directory so deep that a scratch file's full name passes 259
// units (on Windows, where paths were once held to that): each call either
// works or gives 23 before anything is sent, never a result after the
// request went out.
void DeepTemporaryDirectory(Run& run) {
    const auto& top = run.platform.temporaryDirectory;
    const size_t topLength = top.native().size();
    const auto deep = top / std::string(topLength < 230 ? 236 - topLength - 1 : 8, 'd');
    std::filesystem::create_directories(deep);
    const auto clip = top / "clipferry-e2e-deep.mp4";
    std::ofstream(clip, std::ios::binary) << "deep clip";
    ResetDevServer();
    run.platform.useTemporaryDirectory(deep);
    {
        Session session(run);
        const int32_t login = session.Login("demo", "demo-password");
        E2E_CHECK(run, login == CLIPFERRY_OK || (login == 23 && RecordedRequests().empty()));
        if (login == CLIPFERRY_OK) {
            const int32_t upload = session.Upload(clip, "Deep", nullptr, 0, nullptr, nullptr);
            E2E_CHECK(run, upload == CLIPFERRY_OK || (upload == 23 && ReceivedUploads().empty()));
        }
    }
    run.platform.useTemporaryDirectory(top);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(deep, error))
        run.Check(false, "left in the deep folder: " + entry.path().filename().u8string(), __LINE__);
    std::filesystem::remove_all(deep, error);
    std::filesystem::remove(clip, error);
}

// Differs: Linux names a missing file in CLIPFERRY_CURL_LIBRARY; the Windows
// host runs this from a folder without libcurl.dll.
void WithoutLibcurl(Run& run) {
    ResetDevServer();
    const auto clip = run.platform.temporaryDirectory / "clipferry-e2e-unsent.mp4";
    std::ofstream(clip, std::ios::binary) << "never sent";
    {
        Session session(run, InitSettings{false, true});
        E2E_CHECK_EQ(run, session.Login("demo", "demo-password"), 42);
        clipferry_char types[64] = {};
        Listed listed;
        E2E_CHECK_EQ(run, session.GetFileTypes(types, 64), CLIPFERRY_BAD_ARGUMENT);
        E2E_CHECK_EQ(run, session.GetCategories(0, &listed, OnCategory, nullptr), CLIPFERRY_BAD_ARGUMENT);
        E2E_CHECK_EQ(run, session.GetModerators(&listed, OnModerator, nullptr), CLIPFERRY_BAD_ARGUMENT);
        E2E_CHECK_EQ(run, session.Upload(clip, "Unsent", nullptr, 0, nullptr, nullptr),
                     CLIPFERRY_BAD_ARGUMENT);
    }
    std::error_code ignored;
    std::filesystem::remove(clip, ignored);
    E2E_CHECK_EQ(run, RecordedRequests().size(), size_t(0));
}

}  // namespace

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"LoginRefusedThenAccepted", false, LoginRefusedThenAccepted},
        {"ListsReachTheCallbacks", false, ListsReachTheCallbacks},
        {"UploadArrivesWhole", false, UploadArrivesWhole},
        {"CancelFromProgress", false, CancelFromProgress},
        {"ClipChangedWhileSent", false, ClipChangedWhileSent},
        {"DumpsOnlyWithTheLogSwitch", false, DumpsOnlyWithTheLogSwitch},
        {"AnswersOfEveryShape", false, AnswersOfEveryShape},
        {"DeepTemporaryDirectory", false, DeepTemporaryDirectory},
        {"WithoutLibcurl", true, WithoutLibcurl},
    };
    return cases;
}

std::vector<std::string> RunCase(const Case& which, const Exports& exports, const Platform& platform) {
    Run run(exports, platform);
    // Without it, the look for scratch files left behind would see nothing.
    if (!std::filesystem::is_directory(platform.temporaryDirectory)) {
        return {"no temporary directory at " + platform.temporaryDirectory.u8string()};
    }
    try {
        which.run(run);
    } catch (const std::exception& error) {
        run.failures.push_back(std::string("stopped: ") + error.what());
    }
    return run.failures;
}

}  // namespace clipferry::e2e
