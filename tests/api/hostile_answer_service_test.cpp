// Hostile answers and failing servers, through every export: each gives its
// documented result without crashing, leaves nothing in the temporary
// directory, leaks nothing of a local file, and leaves a context that works.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "api/uploader_context.h"
#include "clipferry.h"
#include "devserver_client.h"
#include "scoped_environment.h"
#include "service_session.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using namespace clipferry::test;

constexpr char kSecret[] = "secret-of-a-local-file";

// Under AddressSanitizer freed blocks wait in quarantine and every byte has
// a shadow: a call's memory peak may be up to twice what it is in a plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakFactor = 2;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kPeakFactor = 2;
#else
constexpr long kPeakFactor = 1;
#endif
#else
constexpr long kPeakFactor = 1;
#endif

size_t OpenDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return size_t(std::distance(begin(fds), end(fds)));
}

long PeakResidentKib() {
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    out.reserve(text.size() * size_t(times));
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

std::string Utf16WithByteOrderMark(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

// What a route did: its result, the items its callback saw, and the text it
// wrote out (buffer, message or login record).
struct Outcome {
    int32_t result = -1;
    int items = 0;
    std::string text;
};

void OnCategory(int32_t, const clipferry_char* name, int32_t, void* out) {
    auto& outcome = *static_cast<Outcome*>(out);
    ++outcome.items;
    outcome.text += platform::Utf16ToUtf8(name);
}
void OnModerator(int32_t, const clipferry_char* first, const clipferry_char* last, int32_t, void* out) {
    auto& outcome = *static_cast<Outcome*>(out);
    ++outcome.items;
    outcome.text += platform::Utf16ToUtf8(first) + platform::Utf16ToUtf8(last);
}

// A handle through the given proxy, as if a login had succeeded (or not).
class LoggedInHandle {
public:
    LoggedInHandle(const std::string& proxy, bool loggedIn) {
        ScopedEnvironment proxyVariable("CLIPFERRY_PROXY_SERVER", proxy);
        handle_ = CLIPFERRY_Init();
        auto& login = static_cast<UploaderContext*>(handle_)->login;
        login.loggedIn = loggedIn ? 1 : 0;
        login.showModerators = 1;
        login.contactId = 17;
        std::strcpy(login.authKey, "demo-auth-key-0017");
    }
    ~LoggedInHandle() { CLIPFERRY_Release(handle_); }
    LoggedInHandle(const LoggedInHandle&) = delete;
    LoggedInHandle& operator=(const LoggedInHandle&) = delete;
    void* get() const { return handle_; }
    const LoginRecord& login() const { return static_cast<UploaderContext*>(handle_)->login; }

private:
    void* handle_;
};

std::string Envelope(const std::string& inner) {
    return "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:ns1=\"urn:x\"><SOAP-ENV:Body><ns1:Response>" +
           inner + "</ns1:Response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// How a route's result is judged.
enum class Expect {
    kUsual,      // as for a plain answer
    kUnread,     // as for an answer that holds nothing readable
    kTransport,  // a libcurl result (discovery: the upload then goes on as usual)
    kTransportEverywhere,  // a libcurl result, the upload after discovery too
};

struct Route {
    const char* name;
    const char* path;
    // The answer's root element and its content; %V% marks the value.
    std::string root;
    std::string value;
    std::function<Outcome(const LoggedInHandle&, const std::u16string& media)> run;
    int usualItems;
    // The result for an answer that holds nothing readable.
    int32_t unreadResult;
};

std::vector<Route> Routes() {
    auto list = [](auto function, auto callback) {
        return [function, callback](const LoggedInHandle& h, const std::u16string&) {
            Outcome outcome;
            outcome.result = function(h.get(), &outcome, callback, nullptr);
            return outcome;
        };
    };
    auto upload = [](const LoggedInHandle& h, const std::u16string& media) {
        clipferry_char message[64] = u"untouched";
        Outcome outcome;
        outcome.result =
            CLIPFERRY_DoUpload(h.get(), media.c_str(), u"T", u"D", u"a", 0, 1, 0, 0, message, 64, nullptr, nullptr);
        outcome.text = platform::Utf16ToUtf8(message);
        return outcome;
    };
    return {
        {"login", "/0.1.1/api",
         Envelope("<return><LoginStatus>1</LoginStatus><UserLoginInformation><ContactId>17</ContactId>"
                  "<ShowModerators>1</ShowModerators><AuthKey>%V%</AuthKey></UserLoginInformation></return>"),
         "demo-auth-key-0017",
         [](const LoggedInHandle& h, const std::u16string&) {
             Outcome outcome;
             outcome.result = CLIPFERRY_Login(h.get(), u"demo", u"demo-password");
             outcome.items = h.login().loggedIn;
             outcome.text = h.login().authKey;
             return outcome;
         },
         1, CLIPFERRY_REFUSED},
        {"file types", "/0.1.1/api", Envelope("<return><FileTypes>%V%</FileTypes></return>"), "*.mp4",
         [](const LoggedInHandle& h, const std::u16string&) {
             clipferry_char buffer[64] = u"untouched";
             Outcome outcome;
             outcome.result = CLIPFERRY_GetFileTypes(h.get(), buffer, 64);
             outcome.text = platform::Utf16ToUtf8(buffer);
             return outcome;
         },
         0, CLIPFERRY_OK},
        {"categories", "/0.1.1/api",
         Envelope("<GetCategoriesResult><ResultCount>1</ResultCount><item><CategoryId>1</CategoryId>"
                  "<CategoryName>%V%</CategoryName></item></GetCategoriesResult>"),
         "Film",
         list([](void* h, Outcome* o, CategoryCallback c, int32_t* n) { return CLIPFERRY_GetCategories(h, 0, o, c, n); },
              OnCategory),
         1, CLIPFERRY_OK},
        {"moderators", "/0.1.1/api",
         Envelope("<GetModeratorsResult><ResultCount>1</ResultCount><item><ModeratorContactId>501"
                  "</ModeratorContactId><ModeratorFirstName>%V%</ModeratorFirstName><ModeratorLastName>M"
                  "</ModeratorLastName></item></GetModeratorsResult>"),
         "Mia", list(CLIPFERRY_GetModerators, OnModerator), 1, CLIPFERRY_OK},
        // The upload after discovery goes to the service either way.
        {"discovery", "/upload.xml", "<upload><url>%V%</url></upload>", DevServerBaseUrl(), upload, 0,
         CLIPFERRY_OK},
        {"upload", "/upload", "<result><status>SUCCESS</status><message>%V%</message></result>", "Thanks", upload, 0,
         CLIPFERRY_REFUSED},
    };
}

// One hostile answer (or failing server), as it applies to every route.
struct Shape {
    const char* name;
    std::string declaration;  // between the XML declaration and the root
    std::string padding;      // before the route's own elements
    // The value in place of the route's; null keeps it.
    std::function<std::string(const std::string& value)> value;
    // A change to the whole answer; null keeps it.
    std::function<std::string(const std::string& answer)> whole;
    // Changes to how the answer is sent.
    std::function<void(ScriptedResponse&, const std::string& answer)> script;
    Expect expect;
    // For a libcurl result: which one (0: any).
    int32_t curlCode = 0;
    bool bigMedia = false;  // an upload big enough to be cut in the middle
    long peakKib = 0;       // how much the call may add to the memory peak (0: any)
    const char* onlyRoute = nullptr;  // the one route the shape applies to
};

std::vector<Shape> Shapes(const std::string& secretFile) {
    std::string nested = "<!DOCTYPE r [<!ENTITY a0 'aaaaaaaaaa'>";
    for (int i = 1; i < 10; ++i)
        nested += "<!ENTITY a" + std::to_string(i) + " '" + Repeat("&a" + std::to_string(i - 1) + ";", 10) + "'>";
    nested += "]>";
    auto replace = [](std::string text) { return [text](const std::string&) { return text; }; };
    return {
        // 1,000,000,000 characters from about 130 KB, and 10^10 from ten levels of ten.
        {"entities, wide", "<!DOCTYPE r [<!ENTITY e '" + std::string(50000, 'x') + "'>]>", "",
         replace(Repeat("&e;", 20000)), nullptr, nullptr, Expect::kUnread, 0, false, 64 << 10},
        {"entities, nested", nested, "", replace("&a9;"), nullptr, nullptr, Expect::kUnread, 0, false, 64 << 10},
        // 63: past the ceiling on answers, refused as it arrives, whether
        // it declares its length or not. Before the large answers
        // below, while the memory peak is still low.
        {"80 MiB, length declared", "", "", nullptr, nullptr,
         [](ScriptedResponse& r, const std::string&) {
             r.body = std::string(1 << 20, 'x');
             r.repeat = 80;
         },
         Expect::kTransport, 63, false, 200 << 10},
        {"80 MiB, length not declared", "", "", nullptr, nullptr,
         [](ScriptedResponse& r, const std::string&) {
             r.body = std::string(1 << 20, 'x');
             r.chunks = {1 << 20};
             r.repeat = 80;
         },
         Expect::kTransport, 63, false, 200 << 10},
        {"external entity", "<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + secretFile + "\">]>", "", replace("&x;"),
         nullptr, nullptr, Expect::kUnread},
        {"HTML error page", "", "", nullptr,
         replace("<!DOCTYPE html><html><head><meta charset=utf-8><title>502 Bad Gateway</title></head>"
                 "<body><h1>Bad Gateway</h1><hr></body></html>"),
         [](ScriptedResponse& r, const std::string&) {
             r.status = 502;
             r.headers = {{"Content-Type", "text/html"}};
         },
         Expect::kUnread},
        {"truncated", "", "", nullptr, [](const std::string& a) { return a.substr(0, a.size() / 2); }, nullptr,
         Expect::kUnread},
        {"50 MB", "", Repeat("<p>" + std::string(1000, 'x') + "</p>", 50000), nullptr, nullptr, nullptr,
         Expect::kUsual},
        {"nested 100,000 deep", "", "",
         [](const std::string&) { return Repeat("<a>", 100000) + "x" + Repeat("</a>", 100000); }, nullptr, nullptr,
         Expect::kUnread},
        {"UTF-16 with a byte-order mark", "", "", nullptr, Utf16WithByteOrderMark, nullptr, Expect::kUnread},
        {"invalid UTF-8", "", "", [](const std::string& v) { return v + "\xC3\x28\xFF"; }, nullptr, nullptr,
         Expect::kUnread},
        {"NUL bytes", "", "", [](const std::string& v) { return v + std::string(3, '\0') + v; }, nullptr, nullptr,
         Expect::kUnread},
        {"20 MB attribute", "", "",
         [](const std::string& v) { return "<b a=\"" + std::string(20 << 20, 'x') + "\"/>" + v; }, nullptr,
         nullptr, Expect::kUnread},
        // 18: the answer was cut short.
        {"dropped in the answer", "", "", nullptr, nullptr,
         [](ScriptedResponse& r, const std::string& answer) {
             r.headers.push_back({"Content-Length", std::to_string(answer.size())});
             r.chunks = {answer.size() / 2};
             r.drop = true;
         },
         Expect::kTransport, 18},
        {"closed before the request was read", "", "", nullptr, nullptr,
         [](ScriptedResponse& r, const std::string&) {
             r.read_limit = 0;
             r.drop = true;
         },
         Expect::kTransport, 52},
        {"no answer until the server closes", "", "", nullptr, nullptr,
         [](ScriptedResponse& r, const std::string&) {
             r.drop = true;
             r.delay_ms = 300;
         },
         Expect::kTransport, 52},  // 52: nothing came back
        {"dropped in the upload", "", "", nullptr, nullptr,
         [](ScriptedResponse& r, const std::string&) {
             r.read_limit = 64 << 10;
             r.drop = true;
         },
         Expect::kTransport, 0, true, false, "upload"},
        {"proxy refuses", "", "", nullptr, nullptr, nullptr, Expect::kTransportEverywhere, 7},
    };
}

TEST(HostileAnswerServiceTest, EveryExportGivesItsDocumentedResult) {
    TemporaryFolder files;
    const std::string secretFile = files.Write("secret.txt", kSecret);
    const std::u16string media = Wide(files.Write("clip.mp4", "video bytes"));
    const std::u16string bigMedia = Wide(files.Write("big.mp4", PatternBytes(4 << 20)));
    // A privileged port nothing listens on: the connection is refused.
    const std::string refusingProxy = "127.0.0.1:1";

    for (const Shape& shape : Shapes(secretFile)) {
        for (const Route& route : Routes()) {
            if (shape.onlyRoute != nullptr && std::string(shape.onlyRoute) != route.name) continue;
            const Expect expect = shape.expect;
            SCOPED_TRACE(std::string(route.name) + ", " + shape.name);
            ResetDevServer();
            OwnTemporaryDirectory tmp;

            std::string root = route.root;
            root.replace(root.find("%V%"), 3, shape.value ? shape.value(route.value) : route.value);
            const size_t open = root.find('>', root.find("<ns1:Response") != std::string::npos
                                                   ? root.find("<ns1:Response")
                                                   : 0);
            root.insert(open + 1, shape.padding);
            std::string answer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + shape.declaration + root;
            if (shape.whole) answer = shape.whole(answer);
            ScriptedResponse response;
            response.path = route.path;
            response.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
            response.body = answer;
            if (shape.script) shape.script(response, answer);
            // Through a refusing proxy the script would wait for the next test.
            const bool refused = expect == Expect::kTransportEverywhere;
            if (!refused) ScriptResponse(response);

            const LoggedInHandle handle(refused ? refusingProxy : DevServerProxy(), std::string(route.name) != "login");
            const long before = PeakResidentKib();
            const size_t descriptors = OpenDescriptors();
            const Outcome outcome = route.run(handle, shape.bigMedia ? bigMedia : media);
            if (shape.peakKib != 0)
                EXPECT_LT(PeakResidentKib() - before, shape.peakKib * kPeakFactor) << "KiB more at the peak";
            EXPECT_EQ(OpenDescriptors(), descriptors) << "a descriptor was left open";

            const bool discovery = std::string(route.name) == "discovery";
            switch (expect) {
                case Expect::kUsual:
                    EXPECT_EQ(outcome.result, CLIPFERRY_OK);
                    EXPECT_EQ(outcome.items, route.usualItems);
                    break;
                case Expect::kUnread:
                    EXPECT_EQ(outcome.result, route.unreadResult);
                    EXPECT_EQ(outcome.items, 0);
                    break;
                case Expect::kTransport:
                case Expect::kTransportEverywhere:
                    if (discovery && !refused) {
                        EXPECT_EQ(outcome.result, CLIPFERRY_OK);
                    } else {
                        if (shape.curlCode != 0) EXPECT_EQ(outcome.result, shape.curlCode);
                        EXPECT_NE(outcome.result, CLIPFERRY_OK);
                        EXPECT_NE(outcome.result, CLIPFERRY_BAD_ARGUMENT);
                        EXPECT_NE(outcome.result, CLIPFERRY_REFUSED);
                    }
                    EXPECT_EQ(outcome.items, 0);
                    break;
            }
            EXPECT_EQ(outcome.text.find(kSecret), std::string::npos);
            for (const RecordedRequest& request : RecordedRequests())
                EXPECT_EQ(request.body.find(kSecret), std::string::npos) << request.path;
            EXPECT_TRUE(std::filesystem::is_empty(tmp.File(""))) << "a file was left";

            // The same context, answered plainly, works again.
            if (!refused) {
                Outcome next = route.run(handle, media);
                EXPECT_EQ(next.result, CLIPFERRY_OK) << "the next call";
                EXPECT_EQ(next.items > 0, route.usualItems > 0) << "the next call";
            }
        }
    }
}

}  // namespace
}  // namespace clipferry
