// The upload operation against the local Lumivid service: what it sends,
// how it reads the verdict and the message, and when it dumps the answer.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "../transport/test_environment.h"
#include "api/operations.h"
#include "devserver_client.h"
#include "service_session.h"
#include "transport/service_urls.h"
#include "transport/upload_transport.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using namespace clipferry::test;

constexpr char kAuthKey[] = "demo-auth-key-0017";

void ScriptUploadAnswer(const std::string& body) {
    ScriptedResponse response;
    response.path = "/upload";
    response.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    response.body = body;
    ScriptResponse(response);
}

std::string Result(const char* status, const char* message) {
    return std::string("<?xml version=\"1.0\"?><result><status>") + status + "</status><message>" + message +
           "</message></result>";
}

class UploadOperationServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDevServer();
        context_ = MakeContext(DevServerProxy().c_str());
        ASSERT_TRUE(context_);
        // As a successful login leaves it.
        context_->login.loggedIn = 1;
        std::strcpy(context_->login.authKey, kAuthKey);
        path_ = Wide(folder_.Write("clip.mp4", "video bytes"));
    }

    int32_t Upload(char16_t* message, uint32_t size, int32_t category2 = 0, int32_t category3 = 0) {
        const UploadRequest request{path_.c_str(), u"T\u00edtulo", u"About", u"a, b", 501, 3, category2, category3};
        return RunUpload(*context_, request, message, size, nullptr, nullptr);
    }

    std::string DumpText() const {
        std::ifstream in(folder_.path() / "Clipferry_Upload.xml", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    ContextPtr context_;
    TemporaryFolder folder_;
    std::u16string path_;
};

TEST_F(UploadOperationServiceTest, AcceptedByTheService) {
    char16_t message[128] = {};
    ASSERT_EQ(Upload(message, 128), 0);
    EXPECT_EQ(std::u16string(message), u"Your video \"T\u00edtulo\" was received and awaits moderation.");
    const auto uploads = ReceivedUploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(HeaderValue(uploads[0].fields, "title"), "T\xC3\xADtulo");
    EXPECT_EQ(HeaderValue(uploads[0].fields, "authkey"), kAuthKey);
}

TEST_F(UploadOperationServiceTest, NegativeCategoriesTwoAndThreeAreSentAsZero) {
    const struct {
        int32_t category2, category3;
        const char* sent2;
        const char* sent3;
    } cases[] = {{-5, -1, "0", "0"}, {2, -2147483647 - 1, "2", "0"}, {0, 21, "0", "21"}};
    for (const auto& c : cases) {
        ResetDevServer();
        ASSERT_EQ(Upload(nullptr, 0, c.category2, c.category3), 0);
        const auto uploads = ReceivedUploads();
        ASSERT_EQ(uploads.size(), 1u);
        EXPECT_EQ(HeaderValue(uploads[0].fields, "category1"), "3");
        EXPECT_EQ(HeaderValue(uploads[0].fields, "category2"), c.sent2);
        EXPECT_EQ(HeaderValue(uploads[0].fields, "category3"), c.sent3);
        EXPECT_EQ(HeaderValue(uploads[0].fields, "moderator"), "501");
    }
}

TEST_F(UploadOperationServiceTest, VerdictAndMessage) {
    const struct {
        std::string body;
        int32_t result;
        const char16_t* message;  // what the 16-unit buffer holds after
    } cases[] = {
        {Result("SUCCESS", "Thanks"), 0, u"Thanks"},
        {Result("Success", "Thanks"), 0, u"Thanks"},
        {Result("upload success", "Thanks"), 0, u"Thanks"},
        {Result("UNSUCCESSFUL", "Invalid key"), 83, u"Invalid key"},
        {Result("unsuccessful", "No"), 83, u"No"},
        {Result("FAILED", "No"), 83, u"No"},
        {"<?xml version=\"1.0\"?><result><message>No status</message></result>", 83, u"No status"},
        {"<?xml version=\"1.0\"?><result><status>SUCCESS</status></result>", 0, u"untouched"},
        {"<html><body>Internal error</body></html>", 83, u"untouched"},
        {"Notice: slow disk\n" + Result("SUCCESS", "Fine"), 0, u"Fine"},
        {"", 83, u"untouched"},
    };
    for (const auto& c : cases) {
        ScriptUploadAnswer(c.body);
        char16_t message[16] = u"untouched";
        EXPECT_EQ(Upload(message, 16), c.result) << c.body;
        EXPECT_EQ(std::u16string(message), c.message) << c.body;
    }
}

TEST_F(UploadOperationServiceTest, MessageBufferRules) {
    const std::string answer = Result("SUCCESS", "0123456789");
    const struct {
        bool given;
        uint32_t size;
        const char16_t* after;
    } cases[] = {
        {false, 16, nullptr},
        {true, 0, u"untouched"},
        {true, 1, u""},
        {true, 5, u"0123"},
        {true, 11, u"0123456789"},
    };
    for (const auto& c : cases) {
        ScriptUploadAnswer(answer);
        char16_t message[16] = u"untouched";
        EXPECT_EQ(Upload(c.given ? message : nullptr, c.size), 0) << c.size;
        if (c.after) EXPECT_EQ(std::u16string(message), c.after) << c.size;
    }
}

TEST_F(UploadOperationServiceTest, DumpHoldsTheWholeBodyWhenItLoaded) {
    ScopedEnvironment tmp("TMPDIR", folder_.path().string());
    context_->settings.logResponses = 1;
    const std::string body = "Notice: printed first\n" + Result("SUCCESS", "Fine");
    ScriptUploadAnswer(body);
    ASSERT_EQ(Upload(nullptr, 0), 0);
    EXPECT_EQ(DumpText(), body);

    std::filesystem::remove(folder_.path() / "Clipferry_Upload.xml");
    ScriptUploadAnswer("");
    ASSERT_EQ(Upload(nullptr, 0), 83);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "Clipferry_Upload.xml"));
    // The discovery answers were dumped under their own name meanwhile.
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "Clipferry_GetServer.xml"));
}

// Each text has a 1,024-byte buffer: 1,023 bytes and the terminator.
TEST_F(UploadOperationServiceTest, TextsFillTheirBuffersAndNoMore) {
    const std::u16string fills(1023, u'x');
    const std::u16string over = fills + u"y";
    const std::string sent(1023, 'x');
    for (const char* field : {"title", "description", "tags"}) {
        for (const std::u16string* text : {&fills, &over}) {
            SCOPED_TRACE(std::string(field) + " of " + std::to_string(text->size()));
            ResetDevServer();
            UploadRequest request{path_.c_str(), u"T", u"D", u"G", 501, 3, 0, 0};
            const std::string name = field;
            (name == "title" ? request.title : name == "description" ? request.description : request.tags) =
                text->c_str();
            ASSERT_EQ(RunUpload(*context_, request, nullptr, 0, nullptr, nullptr), 0);
            const auto uploads = ReceivedUploads();
            ASSERT_EQ(uploads.size(), 1u);
            EXPECT_EQ(HeaderValue(uploads[0].fields, field), sent);
        }
    }
}

struct ProgressSeen {
    double total = 0;
    double sent = 0;
    int calls = 0;
};

int OnProgress(void* data, double, double, double ultotal, double ulnow) {
    auto* seen = static_cast<ProgressSeen*>(data);
    seen->total = ultotal;
    seen->sent = ulnow;
    ++seen->calls;
    return 0;
}

// As a host does it: log in, then upload through the export.
TEST(UploadExportServiceTest, LoginThenUpload) {
    ResetDevServer();
    TemporaryFolder folder;
    const std::string path = folder.Write("holiday.final.mov", PatternBytes(300000));
    ServiceSession session;
    ASSERT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    clipferry_char message[100] = {};
    ProgressSeen seen;
    const std::u16string wide = Wide(path);
    ASSERT_EQ(CLIPFERRY_DoUpload(session.handle(), wide.c_str(), u"Holiday", u"By the sea", u"sea, sun", 501, 1, -1,
                                 -1, message, 100, OnProgress, &seen),
              CLIPFERRY_OK);
    EXPECT_EQ(std::u16string(message), u"Your video \"Holiday\" was received and awaits moderation.");
    EXPECT_GT(seen.calls, 0);
    EXPECT_GT(seen.total, 300000);
    EXPECT_EQ(seen.sent, seen.total);
    const auto uploads = ReceivedUploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].filename, "holiday.final.mov");
    EXPECT_EQ(uploads[0].sha256, Sha256Of(path));
    EXPECT_EQ(HeaderValue(uploads[0].fields, "authkey"), "demo-auth-key-0017");
}

// The host cancels from its callback while the API host holds the discovery
// answer: the call ends with the cancel's result and no form goes out. The
// answer announces a length no upload verdict has, so the callback tells the
// discovery from the upload without a clock; were the callback not reached
// during the discovery, the upload would go out once the answer came.
struct DiscoveryWatch {
    double announced;
    double ultotal = -1;
    double ulnow = -1;
};

int CancelDuringDiscovery(void* data, double dltotal, double, double ultotal, double ulnow) {
    auto* watch = static_cast<DiscoveryWatch*>(data);
    if (dltotal != watch->announced) return 0;
    watch->ultotal = ultotal;
    watch->ulnow = ulnow;
    return 1;
}

TEST(UploadExportServiceTest, ACancelWhileTheUploadServerIsAskedForSendsNothing) {
    ResetDevServer();
    TemporaryFolder folder;
    const std::u16string path = Wide(folder.Write("clip.mp4", "video bytes"));
    ServiceSession session;
    ASSERT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    ScriptedResponse held;
    held.path = "/upload.xml";
    held.body = "<upload><url>" + DevServerBaseUrl() + "</url></upload>" + std::string(4321, ' ');
    held.headers = {{"Content-Type", "text/xml"}, {"Content-Length", std::to_string(held.body.size())}};
    held.chunks = {1};  // the first byte, then the rest after the hold
    held.delay_ms = 20000;
    ScriptResponse(held);
    DiscoveryWatch watch{double(held.body.size())};
    clipferry_char message[16] = {u'x'};
    EXPECT_EQ(CLIPFERRY_DoUpload(session.handle(), path.c_str(), u"T", u"D", u"a", 0, 1, 0, 0, message, 16,
                                 CancelDuringDiscovery, &watch),
              CLIPFERRY_ABORTED);
    EXPECT_EQ(watch.ultotal, 0);
    EXPECT_EQ(watch.ulnow, 0);
    EXPECT_EQ(message[0], u'x');
    for (const RecordedRequest& request : RecordedRequests()) EXPECT_NE(request.path, "/upload");
    // The context is still good for the next upload.
    EXPECT_EQ(CLIPFERRY_DoUpload(session.handle(), path.c_str(), u"T", u"D", u"a", 0, 1, 0, 0, message, 16,
                                 nullptr, nullptr),
              CLIPFERRY_OK);
}

// Two loopback ports that tell whether anything tried to reach them: a TCP
// listener (a connection completes in the kernel, accepted or not) and a UDP
// socket.
class WatchedPorts {
public:
    WatchedPorts() : tcp_(Bound(SOCK_STREAM)), udp_(Bound(SOCK_DGRAM)) { listen(tcp_, 8); }
    ~WatchedPorts() { close(tcp_), close(udp_); }
    int Tcp() const { return PortOf(tcp_); }
    int Udp() const { return PortOf(udp_); }
    bool Reached() const {
        char byte;
        const int connection = accept(tcp_, nullptr, nullptr);
        if (connection >= 0) close(connection);
        return connection >= 0 || recv(udp_, &byte, 1, 0) >= 0;
    }

private:
    static int Bound(int type) {
        const int fd = socket(AF_INET, type | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }
    static int PortOf(int fd) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }
    int tcp_, udp_;
};

// A discovered address in any scheme but http and https, or holding a blank
// or a control character, is a failed discovery: the upload goes to the
// default address. Should one reach libcurl all the same, libcurl refuses it
// (1, or 3 for a malformed one) before reading a file or opening a connection.
TEST(UploadExportServiceTest, OnlyHttpAndHttpsAreEverUsed) {
    ResetDevServer();
    TemporaryFolder folder;
    const std::string secret = folder.Write("secret.xml", Result("SUCCESS", "secret text"));
    const std::u16string media = Wide(folder.Write("clip.mp4", "video bytes"));
    WatchedPorts ports;
    const std::string tcp = "127.0.0.1:" + std::to_string(ports.Tcp());
    const std::string udp = "127.0.0.1:" + std::to_string(ports.Udp());
    const int32_t kUnsupported = CURLE_UNSUPPORTED_PROTOCOL;
    const int32_t kMalformed = CURLE_URL_MALFORMAT;
    const std::pair<std::string, int32_t> addresses[] = {
        {"file://" + secret + "#", kUnsupported}, {"telnet://" + tcp, kUnsupported},
        {"gopher://" + tcp + "/", kUnsupported},  {"dict://" + tcp + "/d:x", kUnsupported},
        {"ftp://" + tcp + "/", kUnsupported},     {"tftp://" + udp + "/x", kUnsupported},
        {"rtsp://" + tcp + "/", kUnsupported},    {"mqtt://" + tcp + "/t", kUnsupported},
        {"http://" + tcp + "/a b", kMalformed},   {"http://" + tcp + "/\t", kMalformed},
        {"http://" + tcp + "/\n", kMalformed},    {"http://" + tcp + "/\x7f", kMalformed}};
    // The ports are reached directly, not through the service as a proxy.
    ScopedEnvironment direct("NO_PROXY", "127.0.0.1");
    ServiceSession session;
    ASSERT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    for (const auto& [address, direct] : addresses) {
        SCOPED_TRACE(address);
        ResetDevServer();
        SetDevServerSetting("upload_url", address);
        clipferry_char message[100] = {};
        EXPECT_EQ(CLIPFERRY_DoUpload(session.handle(), media.c_str(), u"Clip", u"d", u"t", 501, 1, 0, 0, message,
                                     100, nullptr, nullptr),
                  CLIPFERRY_OK);
        EXPECT_EQ(std::u16string(message), u"Your video \"Clip\" was received and awaits moderation.");
        std::vector<std::string> posts;
        for (const auto& request : RecordedRequests())
            if (request.method != "GET") posts.push_back(request.method + " " + request.target);
        EXPECT_EQ(posts, std::vector<std::string>({"POST " + std::string(UploadHostUrl) + "/upload"}));

        std::strcpy(session.context().settings.uploadServerUrl, address.c_str());
        ResponseBody body;
        const UploadFormValues fields{"key", "t", "d", "g", 0, 1, 0, 0};
        EXPECT_EQ(PostUploadForm(session.context().settings, body.Address(), fields, media.c_str(), nullptr, nullptr), direct);
        EXPECT_EQ(body.Text(), nullptr);
        EXPECT_FALSE(ports.Reached());
    }
}

}  // namespace
}  // namespace clipferry
