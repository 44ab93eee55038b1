// Operations of two contexts at the same time, on two threads or in two
// processes sharing one temporary directory, each against a service of its own;
// and what entries planted in the temporary directory can do to an operation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "api/uploader_context.h"
#include "clipferry.h"
#include "devserver_client.h"
#include "platform/text.h"
#include "scoped_environment.h"

extern char** environ;

namespace clipferry::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRounds = 40;

// What one side's service holds, and so what each of its operations must give.
struct Side {
    std::string user;
    int32_t contactId;
    std::string authKey;
    std::u16string fileTypes;
    std::vector<int32_t> categories;
    std::vector<int32_t> moderators;
    std::string uploadHost;
    std::u16string title;  // an empty title is refused by the service
    int32_t uploadResult;
    std::u16string messagePart;
};

const Side kAda{"ada", 31, "ada-key-AAAA", u"*.aaa;*.mp4", {101, 102}, {701}, "http://upload-a.lumivid.example",
                u"Ada's clip", CLIPFERRY_OK, u"Ada's clip"};
const Side kBo{"bo", 32, "bo-key-BBBB", u"*.bbb", {201}, {702, 703}, "http://upload-b.lumivid.example",
               u"", CLIPFERRY_REFUSED, u"A title is required"};

nlohmann::json ServiceData(const Side& side) {
    nlohmann::json moderators = nlohmann::json::array();
    for (int32_t id : side.moderators) moderators.push_back({{"contact_id", id}, {"first_name", "M"}, {"last_name", "N"}});
    nlohmann::json categories = nlohmann::json::array();
    for (int32_t id : side.categories) categories.push_back({{"id", id}, {"parent", 0}, {"name", side.user}});
    return {{"users",
             {{{"username", side.user}, {"password", side.user + "-pw"}, {"contact_id", side.contactId},
               {"show_moderators", true}, {"first_name", side.user}, {"last_name", "L"},
               {"email", side.user + "@lumivid.example"}, {"auth_key", side.authKey}}}},
            {"categories", categories},
            {"moderators", {{std::to_string(side.contactId), moderators}}},
            {"file_types", platform::Utf16ToUtf8(side.fileTypes)},
            {"upload_url", side.uploadHost}};
}

// The local service run with one side's data for the test's duration.
class OwnService {
public:
    OwnService(const Side& side, const fs::path& folder) {
        fs::create_directories(folder / "storage");
        std::ofstream(folder / "data.json") << ServiceData(side).dump();
        const std::string script = std::string(CLIPFERRY_TEST_SOURCE_DIR) + "/devserver/lumivid_devserver.py";
        const std::string portFile = (folder / "port").string();
        const std::string data = (folder / "data.json").string();
        const std::string storage = (folder / "storage").string();
        const std::string log = (folder / "log").string();
        const char* argv[] = {"/usr/bin/python3", script.c_str(), "--port", "0", "--port-file", portFile.c_str(),
                              "--data", data.c_str(), "--storage", storage.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 300 && pid_ > 0 && proxy_.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::ifstream in(portFile);
            int port = 0;
            if (in >> port) proxy_ = "127.0.0.1:" + std::to_string(port);
        }
    }
    ~OwnService() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    OwnService(const OwnService&) = delete;
    OwnService& operator=(const OwnService&) = delete;

    const std::string& proxy() const { return proxy_; }
    int port() const { return std::stoi(proxy_.substr(proxy_.rfind(':') + 1)); }

private:
    pid_t pid_ = -1;
    std::string proxy_;
};

void CollectId(int32_t id, const clipferry_char*, int32_t, void* ids) {
    static_cast<std::vector<int32_t>*>(ids)->push_back(id);
}
void CollectModerator(int32_t id, const clipferry_char*, const clipferry_char*, int32_t, void* ids) {
    static_cast<std::vector<int32_t>*>(ids)->push_back(id);
}

// Everything the operations gave, as a host sees it.
struct Outcome {
    int32_t login = -1;
    std::string authKey;
    int32_t fileTypes = -1;
    std::u16string types;
    int32_t categories = -1;
    std::vector<int32_t> categoryIds;
    int32_t moderators = -1;
    std::vector<int32_t> moderatorIds;
    int32_t upload = -1;
    std::u16string message;
    std::string uploadServer;
};

// One line per outcome, so that outcomes compare as their descriptions.
std::string Describe(const Outcome& o) {
    std::ostringstream out;
    out << "login " << o.login << " key " << o.authKey << ", types " << o.fileTypes << " "
        << platform::Utf16ToUtf8(o.types) << ", categories " << o.categories << " [";
    for (int32_t id : o.categoryIds) out << id << " ";
    out << "], moderators " << o.moderators << " [";
    for (int32_t id : o.moderatorIds) out << id << " ";
    out << "], upload " << o.upload << " \"" << platform::Utf16ToUtf8(o.message) << "\" via " << o.uploadServer;
    return out.str();
}

Outcome Expected(const Side& side) {
    return Outcome{CLIPFERRY_OK, side.authKey, CLIPFERRY_OK, side.fileTypes, CLIPFERRY_OK, side.categories,
                   CLIPFERRY_OK, side.moderators, side.uploadResult, u"own", side.uploadHost};
}

// Runs every operation once. A message holding the side's own words shows
// as "own", a foreign or missing one as it is.
Outcome Round(void* handle, const Side& side, const std::string& media) {
    Outcome o;
    const std::u16string user = platform::Utf8ToUtf16(side.user);
    o.login = CLIPFERRY_Login(handle, user.c_str(), (user + u"-pw").c_str());
    const UploaderContext& context = *static_cast<UploaderContext*>(handle);
    o.authKey = context.login.authKey;
    clipferry_char types[64] = {};
    o.fileTypes = CLIPFERRY_GetFileTypes(handle, types, 64);
    o.types = types;
    o.categories = CLIPFERRY_GetCategories(handle, 0, &o.categoryIds, CollectId, nullptr);
    o.moderators = CLIPFERRY_GetModerators(handle, &o.moderatorIds, CollectModerator, nullptr);
    clipferry_char message[260] = {};
    o.upload = CLIPFERRY_DoUpload(handle, platform::Utf8ToUtf16(media).c_str(), side.title.c_str(), u"d", u"t",
                                  side.moderators[0], side.categories[0], 0, 0, message, 260, nullptr, nullptr);
    o.message = std::u16string(message).find(side.messagePart) != std::u16string::npos ? u"own" : message;
    o.uploadServer = context.settings.uploadServerUrl;
    return o;
}

// The rounds that did not give the side's own results, described.
std::vector<std::string> RunRounds(void* handle, const Side& side, const std::string& media) {
    std::vector<std::string> faults;
    for (int i = 0; i < kRounds; ++i) {
        const std::string outcome = Describe(Round(handle, side, media));
        if (outcome != Describe(Expected(side)))
            faults.push_back(side.user + " round " + std::to_string(i) + ": " + outcome);
    }
    return faults;
}

std::vector<std::string> ScratchEntries(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("LumividRes", 0) == 0) found.push_back(entry.path().string());
    return found;
}

class SeparateContextsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "clipferry-contexts-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "tmp");
        media_ = (root_ / "clip.mp4").string();
        std::ofstream(media_) << "not really a video";
        ada_ = new OwnService(kAda, root_ / "ada");
        bo_ = new OwnService(kBo, root_ / "bo");
    }
    static void TearDownTestSuite() {
        delete ada_;
        delete bo_;
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    void SetUp() override {
        ASSERT_FALSE(ada_->proxy().empty()) << "the service did not start";
        ASSERT_FALSE(bo_->proxy().empty()) << "the service did not start";
    }

    // A context that reaches the side's own service.
    static void* Open(const OwnService& service) {
        ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", service.proxy());
        return CLIPFERRY_Init();
    }

    static fs::path root_;
    static std::string media_;
    static OwnService* ada_;
    static OwnService* bo_;
    ScopedEnvironment tmpdir_{"TMPDIR", (root_ / "tmp").string()};
};

fs::path SeparateContextsTest::root_;
std::string SeparateContextsTest::media_;
OwnService* SeparateContextsTest::ada_ = nullptr;
OwnService* SeparateContextsTest::bo_ = nullptr;

TEST_F(SeparateContextsTest, TwoThreadsGetOnlyTheirOwnResults) {
    void* ada = Open(*ada_);
    void* bo = Open(*bo_);
    std::vector<std::string> adaFaults;
    std::vector<std::string> boFaults;
    std::thread first([&] { adaFaults = RunRounds(ada, kAda, media_); });
    std::thread second([&] { boFaults = RunRounds(bo, kBo, media_); });
    first.join();
    second.join();
    CLIPFERRY_Release(ada);
    CLIPFERRY_Release(bo);
    for (const auto& fault : adaFaults) ADD_FAILURE() << fault;
    for (const auto& fault : boFaults) ADD_FAILURE() << fault;
    EXPECT_TRUE(ScratchEntries(root_ / "tmp").empty());
}

TEST_F(SeparateContextsTest, TwoProcessesGetOnlyTheirOwnResults) {
    std::vector<pid_t> children;
    for (const auto& [side, service] : {std::pair(&kAda, ada_), std::pair(&kBo, bo_)}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            void* handle = Open(*service);
            const std::vector<std::string> faults = RunRounds(handle, *side, media_);
            for (const auto& fault : faults) std::cerr << fault << std::endl;
            CLIPFERRY_Release(handle);
            _exit(faults.empty() ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "foreign or refused results, above";
    }
    EXPECT_TRUE(ScratchEntries(root_ / "tmp").empty());
}

// What stands in the temporary directory, and what the operations then give.
struct TemporaryCase {
    const char* name;
    // Gives the TMPDIR to use; empty when the case cannot be set up here.
    std::function<std::string(const fs::path& tmp)> prepare;
    bool usable;
};

// A small file system of its own at dir, read-only, or writable with room for
// about roomLeft bytes: the process mounts it in a mount namespace of its
// own, which needs root. False when it cannot.
bool MountSmallFileSystem(const fs::path& dir, bool readOnly, size_t roomLeft = 0) {
    constexpr size_t kSize = 64 * 1024;
    static const bool isolated =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!isolated || mount("tmpfs", dir.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, "size=64k,mode=0777") != 0)
        return false;
    if (!readOnly) {
        std::ofstream filler(dir / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (size_t written = 0; written + roomLeft < kSize; written += block.size())
            if (!filler.write(block.data(), std::streamsize(block.size())) || !filler.flush()) break;
    }
    return true;
}

// The next login and upload answers of the current service, each a valid
// answer of the side's own padded past bytes.
void ScriptPaddedAnswers(const Side& side, size_t bytes) {
    const std::string padding = "<!--" + std::string(bytes, 'p') + "-->";
    ScriptedResponse login;
    login.path = "/0.1.1/api";
    login.body = "<?xml version=\"1.0\"?>" + padding + "<return><LoginStatus>1</LoginStatus><UserLoginInformation>" +
                 "<ContactId>" + std::to_string(side.contactId) + "</ContactId><ShowModerators>1</ShowModerators>" +
                 "<AuthKey>" + side.authKey + "</AuthKey></UserLoginInformation></return>";
    ScriptResponse(login);
    ScriptedResponse verdict;
    verdict.path = "/upload";
    verdict.body = "<?xml version=\"1.0\"?>" + padding + "<result><status>SUCCESS</status><message>" +
                   platform::Utf16ToUtf8(side.messagePart) + " was received</message></result>";
    ScriptResponse(verdict);
}

TEST_F(SeparateContextsTest, TemporaryDirectoryDecidesOnlyWhetherAnswersCanBeRead) {
    const fs::path victim = root_ / "victim";
    std::ofstream(victim) << "precious";
    const auto atOldName = [](const fs::path& tmp) { return tmp / "LumividRes.xml"; };
    const auto planting = [&](std::function<void(const fs::path&)> plant) {
        return [=](const fs::path& tmp) {
            plant(atOldName(tmp));
            return tmp.string();
        };
    };
    const TemporaryCase cases[] = {
        {"directory at the old name", planting([](const fs::path& at) { fs::create_directory(at); }), true},
        {"file at the old name", planting([](const fs::path& at) { std::ofstream(at) << "<r><AuthKey>x</AuthKey></r>"; }),
         true},
        {"fifo at the old name", planting([](const fs::path& at) { mkfifo(at.c_str(), 0600); }), true},
        {"link at the old name", planting([&](const fs::path& at) { fs::create_symlink(victim, at); }), true},
        {"missing directory", [](const fs::path& tmp) { return (tmp / "missing").string(); }, false},
        {"file as directory",
         [&](const fs::path& tmp) {
             std::ofstream(atOldName(tmp)) << "x";
             return atOldName(tmp).string();
         },
         false},
        {"removed after the login",
         [](const fs::path& tmp) {
             fs::remove_all(tmp);
             return tmp.string();
         },
         false},
        // Root writes into a directory whatever its mode says: it needs a
        // file system mounted read-only.
        {"read-only directory",
         [](const fs::path& tmp) {
             if (!MountSmallFileSystem(tmp, true)) fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_exec);
             return tmp.string();
         },
         false},
        {"full file system", [](const fs::path& tmp) { return MountSmallFileSystem(tmp, false) ? tmp.string() : ""; },
         false},
        // Room for the scratch files set aside before the requests go out,
        // not for the answers: those are read from memory.
        {"no room for large answers",
         [](const fs::path& tmp) {
             if (!MountSmallFileSystem(tmp, false, 36 * 1024)) return std::string();
             ScriptPaddedAnswers(kAda, 48 * 1024);
             return tmp.string();
         },
         true},
    };
    // Nothing is sent whose answer could not be read: every call gives 23
    // before its request goes out, and the record of the earlier login and
    // the last discovered server stay as they were.
    const Outcome unusable{23, kAda.authKey, 23, u"", 23, {}, 23, {}, 23, u"", kAda.uploadHost};
    std::error_code ignored;
    for (const TemporaryCase& c : cases) {
        const fs::path tmp = root_ / c.name;
        fs::create_directories(tmp);
        void* handle = Open(*ada_);
        ASSERT_EQ(Describe(Round(handle, kAda, media_)), Describe(Expected(kAda))) << "logged in before";
        UseDevServerPort(ada_->port());
        ResetDevServer();
        const std::string tmpdir = c.prepare(tmp);
        if (tmpdir.empty()) {
            std::cout << c.name << ": skipped, needs root" << std::endl;
            CLIPFERRY_Release(handle);
            continue;
        }
        const fs::file_type planted = fs::symlink_status(atOldName(tmp)).type();
        {
            ScopedEnvironment use("TMPDIR", tmpdir);
            EXPECT_EQ(Describe(Round(handle, kAda, media_)), Describe(c.usable ? Expected(kAda) : unusable)) << c.name;
        }
        if (!c.usable) EXPECT_TRUE(RecordedRequests().empty()) << c.name << ": nothing reaches the service";
        umount2(tmp.c_str(), MNT_DETACH);
        fs::permissions(tmp, fs::perms::owner_all, fs::perm_options::add, ignored);
        CLIPFERRY_Release(handle);
        EXPECT_EQ(fs::symlink_status(atOldName(tmp)).type(), planted) << c.name << ": the planted entry stays";
        const std::vector<std::string> plantedOnly{atOldName(tmp).string()};
        if (!fs::exists(tmp)) continue;
        EXPECT_EQ(ScratchEntries(tmp), planted == fs::file_type::not_found ? std::vector<std::string>{} : plantedOnly)
            << c.name;
    }
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

}  // namespace
}  // namespace clipferry::test
