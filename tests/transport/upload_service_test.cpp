// Upload server discovery and the multipart upload against the local Lumivid
// service, which parses the form as it streams in.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "devserver_client.h"
#include "test_environment.h"
#include "transport/response_buffer.h"
#include "transport/service_urls.h"
#include "transport/upload_transport.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using namespace clipferry::test;

constexpr char kAuthKey[] = "demo-auth-key-0017";

ScriptedResponse Answer(const std::string& path, int status, const std::string& body) {
    ScriptedResponse response;
    response.path = path;
    response.status = status;
    response.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    response.body = body;
    return response;
}

class UploadServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDevServer();
        context_ = MakeContext(DevServerProxy().c_str());
        ASSERT_TRUE(context_);
        ASSERT_FALSE(folder_.path().empty());
    }

    // Discovers, then posts path with the standard fields; the answer's text
    // lands in answer_.
    int32_t Upload(const std::string& path, ProgressCallback progress = nullptr, void* data = nullptr) {
        DiscoverUploadServer(*context_);
        ResponseBody body;
        const UploadFormValues fields{kAuthKey, "A title", "Line one\nline two & <three>", "tag, other",
                                  501, 11, 0, 21};
        const int32_t result = PostUploadForm(context_->settings, body.Address(), fields, Wide(path).c_str(), progress, data);
        answer_ = body.Text() != nullptr ? body.Text() : "";
        return result;
    }

    // The target of the one upload request the service saw.
    static std::string UploadTarget() {
        std::vector<std::string> targets;
        for (const auto& request : RecordedRequests())
            if (request.method == "POST") targets.push_back(request.target);
        EXPECT_EQ(targets.size(), 1u);
        return targets.empty() ? "" : targets[0];
    }

    static ReceivedUpload OnlyUpload() {
        const auto uploads = ReceivedUploads();
        EXPECT_EQ(uploads.size(), 1u);
        return uploads.empty() ? ReceivedUpload{} : uploads[0];
    }

    ContextPtr context_;
    TemporaryFolder folder_;
    std::string answer_;
};

TEST_F(UploadServiceTest, SendsTheThirteenPartsInOrder) {
    ASSERT_EQ(Upload(folder_.Write("clip.mp4", "data")), 0);
    const ReceivedUpload upload = OnlyUpload();
    EXPECT_EQ(upload.status, "SUCCESS") << upload.message;
    const HeaderList expectedFields = {
        {"Filename", "clip.mp4"}, {"tags", "tag, other"},   {"terms", "1"},
        {"authkey", kAuthKey},    {"title", "A title"},     {"contest", "0"},
        {"description", "Line one\nline two & <three>"},    {"category1", "11"},
        {"category2", "0"},       {"category3", "21"}, {"moderator", "501"},
        {"Upload", "Submit Query"},
    };
    EXPECT_EQ(upload.fields, expectedFields);
    const std::vector<std::string> expectedNames = {"Filename", "tags",      "terms",     "authkey",   "title",
                                                    "contest",  "description", "category1", "category2", "category3",
                                                    "moderator", "userfile",  "Upload"};
    EXPECT_EQ(upload.part_names, expectedNames);
    EXPECT_EQ(upload.filename, "clip.mp4");
    EXPECT_EQ(upload.content_type, "application/octet-stream");
    EXPECT_NE(answer_.find("<status>SUCCESS</status>"), std::string::npos);
}

TEST_F(UploadServiceTest, FileBytesArriveUnchanged) {
    for (const size_t size : {size_t(0), size_t(1), size_t((1 << 20) + 1)}) {
        ResetDevServer();
        const std::string path = folder_.Write("bytes-" + std::to_string(size), PatternBytes(size));
        ASSERT_EQ(Upload(path), 0) << size;
        const ReceivedUpload upload = OnlyUpload();
        EXPECT_EQ(upload.size, size);
        EXPECT_EQ(upload.sha256, Sha256Of(path)) << size;
    }
}

TEST_F(UploadServiceTest, FileNameIsTheFinalComponent) {
    const struct {
        const char* file;
        const char* sent;
    } cases[] = {{"clip.final.mp4", "clip.final.mp4"}, {"no_extension", "no_extension"}};
    for (const auto& c : cases) {
        ResetDevServer();
        ASSERT_EQ(Upload(folder_.Write(c.file, "x")), 0);
        const ReceivedUpload upload = OnlyUpload();
        EXPECT_EQ(upload.filename, c.sent);
        ASSERT_FALSE(upload.fields.empty());
        EXPECT_EQ(upload.fields[0], std::make_pair(std::string("Filename"), std::string(c.sent)));
    }
}

TEST_F(UploadServiceTest, UploadUrlFollowsDiscovery) {
    const std::string defaultUrl = std::string(UploadHostUrl) + "/upload";
    const struct {
        const char* label;
        std::vector<ScriptedResponse> discovery;  // none: the service's own answer
        const char* configured;                   // the service's "upload_url" setting
        std::string target;
    } cases[] = {
        {"no url element", {Answer("/upload.xml", 200, "<?xml version=\"1.0\"?><upload/>")}, nullptr, defaultUrl},
        {"empty url", {Answer("/upload.xml", 200, "<upload><url></url></upload>")}, nullptr, defaultUrl},
        {"not XML", {Answer("/upload.xml", 404, "<html>gone</html>")}, nullptr, defaultUrl},
        {"no body", {Answer("/upload.xml", 200, "")}, nullptr, defaultUrl},
        {"without slash", {}, "http://uploads.lumivid.example", "http://uploads.lumivid.example/upload"},
        {"with slash", {}, "http://uploads.lumivid.example/in/", "http://uploads.lumivid.example/in/upload"},
    };
    for (const auto& c : cases) {
        ResetDevServer();
        for (const auto& script : c.discovery) ScriptResponse(script);
        if (c.configured) SetDevServerSetting("upload_url", c.configured);
        ASSERT_EQ(Upload(folder_.Write("clip.mp4", "x")), 0) << c.label;
        EXPECT_EQ(UploadTarget(), c.target) << c.label;
        EXPECT_EQ(std::string(context_->settings.uploadServerUrl), c.configured ? c.configured : "") << c.label;
    }
}

TEST_F(UploadServiceTest, DiscoveryForgetsTheLastServer) {
    SetDevServerSetting("upload_url", "http://uploads.lumivid.example");
    DiscoverUploadServer(*context_);
    EXPECT_STREQ(context_->settings.uploadServerUrl, "http://uploads.lumivid.example");
    ScriptResponse(Answer("/upload.xml", 500, "<html/>"));
    DiscoverUploadServer(*context_);
    EXPECT_STREQ(context_->settings.uploadServerUrl, "");
}

TEST_F(UploadServiceTest, AnOverlongServerAddressIsNotCut) {
    const std::string longUrl = "http://uploads.lumivid.example/" + std::string(1100, 'p');
    SetDevServerSetting("upload_url", longUrl);
    DiscoverUploadServer(*context_);
    EXPECT_STREQ(context_->settings.uploadServerUrl, "");
    const std::string fitting = "http://uploads.lumivid.example/" + std::string(900, 'p');
    SetDevServerSetting("upload_url", fitting);
    DiscoverUploadServer(*context_);
    EXPECT_EQ(std::string(context_->settings.uploadServerUrl), fitting);
}

TEST_F(UploadServiceTest, PathsThatCannotBeReadGive82) {
    // A FIFO without a writer would hold the open for ever, and /dev/zero
    // would stream without end: only a regular file is sent.
    const std::string fifo = (folder_.path() / "fifo.mp4").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> paths = {folder_.path().string(), (folder_.path() / "missing.mp4").string(), fifo,
                                      "/dev/zero"};
    // A socket exists but cannot be opened as a file, whoever runs the test.
    const std::string socketPath = (folder_.path() / "socket.mp4").string();
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    paths.push_back(socketPath);
    if (geteuid() != 0) {
        const std::string locked = folder_.Write("locked.mp4", "x");
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        paths.push_back(locked);
    }
    for (const auto& path : paths) EXPECT_EQ(Upload(path), 82) << path;
    close(fd);
    for (const auto& request : RecordedRequests()) EXPECT_NE(request.method, "POST");
}

struct ProgressLog {
    std::vector<std::pair<double, double>> calls;  // (ultotal, ulnow)
    bool cancel = false;
};

int RecordProgress(void* data, double, double, double ultotal, double ulnow) {
    auto* log = static_cast<ProgressLog*>(data);
    log->calls.emplace_back(ultotal, ulnow);
    return log->cancel && ulnow > 0 ? 1 : 0;
}

TEST_F(UploadServiceTest, ProgressSeesTheTotalAndAGrowingCount) {
    const size_t size = 4 << 20;
    ProgressLog log;
    ASSERT_EQ(Upload(folder_.Write("clip.mp4", PatternBytes(size)), RecordProgress, &log), 0);
    ASSERT_FALSE(log.calls.empty());
    double total = 0, previous = 0;
    for (const auto& [ultotal, ulnow] : log.calls) {
        EXPECT_GE(ulnow, previous);
        previous = ulnow;
        total = std::max(total, ultotal);
    }
    EXPECT_GT(total, double(size));  // the whole form, the file inside it
    EXPECT_EQ(previous, total);
}

TEST_F(UploadServiceTest, ProgressCancelGives42) {
    ProgressLog log;
    log.cancel = true;
    EXPECT_EQ(Upload(folder_.Write("clip.mp4", PatternBytes(4 << 20)), RecordProgress, &log), 42);
    for (const auto& upload : ReceivedUploads()) EXPECT_NE(upload.status, "SUCCESS");
}

TEST_F(UploadServiceTest, TraceOnlyWhileLogging) {
    const std::string path = folder_.Write("clip.mp4", "x");
    for (const int logging : {0, 1}) {
        ScopedEnvironment tmp("TMPDIR", folder_.path().string());  // where the dumps go
        context_->settings.logResponses = logging;
        ::testing::internal::CaptureStderr();
        const int32_t result = Upload(path);
        const std::string trace = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, 0);
        if (logging) {
            EXPECT_NE(trace.find("POST"), std::string::npos);
        } else {
            EXPECT_EQ(trace, "");
        }
    }
}

TEST_F(UploadServiceTest, WithoutAnEasyHandleGives82) {
    context_ = MakeContext(DevServerProxy().c_str(), StubCurlPath("stub_curl_bare").c_str());
    ASSERT_TRUE(context_);
    EXPECT_EQ(Upload(folder_.Write("clip.mp4", "x")), 82);
    EXPECT_TRUE(RecordedRequests().empty());
}

// A part libcurl cannot take (out of memory) would leave the form without
// it: nothing is sent instead.
TEST_F(UploadServiceTest, APartLibcurlRefusesGives82) {
    context_ = MakeContext(DevServerProxy().c_str(), StubCurlPath("stub_curl_full").c_str());
    ASSERT_TRUE(context_);
    const std::string path = folder_.Write("clip.mp4", "x");
    for (const char* part : {"Filename", "authkey", "title", "description", "userfile", "Upload"}) {
        ScopedEnvironment refuse("CLIPFERRY_TEST_FORMADD_REFUSE", part);
        EXPECT_EQ(Upload(path), 82) << part;
    }
    for (const auto& request : RecordedRequests()) EXPECT_NE(request.method, "POST");
}

// A libcurl that cannot take a 64-bit part length still sends files below
// 2 GiB, and refuses larger ones instead of declaring a wrong length.
TEST_F(UploadServiceTest, LengthBeyondLibcurlsReachGives82) {
    context_ = MakeContext(DevServerProxy().c_str(), StubCurlPath("stub_curl_short_length").c_str());
    ASSERT_TRUE(context_);
    ASSERT_EQ(Upload(folder_.Write("clip.mp4", "small")), 0);
    EXPECT_EQ(OnlyUpload().size, 5u);

    ResetDevServer();
    const std::string large = (folder_.path() / "large.mp4").string();
    std::filesystem::resize_file(folder_.Write("large.mp4", ""), uint64_t(1) << 31);
    EXPECT_EQ(Upload(large), 82);
    for (const auto& request : RecordedRequests()) EXPECT_NE(request.method, "POST");
}

// Over 4 GiB the length no longer fits 32 bits: the exact size must still be
// declared and every byte arrive. The service only counts and hashes.
TEST_F(UploadServiceTest, SparseFileOver4GiBArrivesWhole) {
    SetDevServerSetting("store_uploads", false);
    const uint64_t size = (uint64_t(1) << 32) + 3;
    const std::string path = folder_.Write("large.mp4", "head");
    std::filesystem::resize_file(path, size - 4);
    {
        std::ofstream tail(path, std::ios::binary | std::ios::app);
        tail << "tail";
    }
    ASSERT_EQ(std::filesystem::file_size(path), size);
    ASSERT_EQ(Upload(path), 0) << answer_;
    const ReceivedUpload upload = OnlyUpload();
    EXPECT_EQ(upload.status, "SUCCESS") << upload.message;
    EXPECT_EQ(upload.size, size);
    EXPECT_EQ(upload.sha256, Sha256Of(path));
}

}  // namespace
}  // namespace clipferry
