// The upload over a slow link (a throttling relay on loopback in front of the
// local service): what a host hears of the bytes sent, and what still reaches
// the service after it cancels, counted in bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "devserver_client.h"
#include "test_environment.h"
#include "throttling_relay.h"
#include "transport/upload_transport.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using namespace clipferry::test;

// The finest a report or a cancel needs to be on any link.
constexpr double kStepBytes = 64 * 1024;

struct Watch {
    ThrottlingRelay* relay;
    double cancelAfter;  // cancel once more than this was reported sent; < 0: never
    double sent = 0;
    double largestStep = 0;
    uint64_t forwardedAtCancel = 0;
};

int WatchProgress(void* data, double, double, double total, double sent) {
    auto& watch = *static_cast<Watch*>(data);
    if (total > 0 && watch.sent < total) watch.largestStep = std::max(watch.largestStep, sent - watch.sent);
    watch.sent = sent;
    if (watch.cancelAfter >= 0 && sent > watch.cancelAfter) {
        // What the service has had by now; what follows is what a cancel let through.
        watch.forwardedAtCancel = watch.relay->Forwarded();
        return 1;
    }
    return 0;
}

TEST(SlowLinkUploadTest, ReportsInSmallStepsAndStopsSoonAfterACancel) {
    const struct {
        const char* label;
        double bytesPerSecond;
        size_t fileBytes;
        double cancelAfter;
    } cases[] = {
        // The system would otherwise take in several hundred KiB before the
        // first report, and hand them out in steps as large.
        {"sent whole", 256 * 1024, 512 * 1024, -1},
        {"cancelled halfway", 256 * 1024, 1024 * 1024, 384 * 1024},
    };
    TemporaryFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ResetDevServer();
        ThrottlingRelay relay(DevServerPort(), c.bytesPerSecond);
        ASSERT_FALSE(relay.Proxy().empty());
        const ContextPtr context = MakeContext(relay.Proxy().c_str());
        ASSERT_TRUE(context);
        const std::string path = folder.Write("clip.mp4", PatternBytes(c.fileBytes));
        const UploadFormValues fields{"demo-auth-key-0017", "A title", "A description", "tags", 501, 11, 0, 0};
        Watch watch{&relay, c.cancelAfter};
        ResponseBody body;
        const int32_t result =
            PostUploadForm(context->settings, body.Address(), fields, Wide(path).c_str(), WatchProgress, &watch);
        const std::vector<uint64_t> connections = relay.WaitIdle();
        ASSERT_EQ(connections.size(), 1u);

        EXPECT_LE(watch.largestStep, kStepBytes);
        if (c.cancelAfter < 0) {
            EXPECT_EQ(result, 0);
            const auto uploads = ReceivedUploads();
            ASSERT_EQ(uploads.size(), 1u);
            EXPECT_EQ(uploads[0].size, c.fileBytes);
        } else {
            EXPECT_EQ(result, CURLE_ABORTED_BY_CALLBACK);
            EXPECT_LT(double(connections[0] - watch.forwardedAtCancel), kStepBytes);
        }
    }
}

}  // namespace
}  // namespace clipferry
