// The test helpers against the running local service: what a client sends
// through it as a proxy must come back from RecordedRequests() byte for byte,
// and scripted answers must reach the client unchanged.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devserver_client.h"

namespace clipferry::test {
namespace {

size_t Append(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

struct Exchange {
  CURLcode result;
  long status;
  std::string body;
};

// A request sent the way the library sends it: the service as an HTTP proxy.
Exchange ViaProxy(const std::string& url, const HeaderList& headers, const std::string* post,
                  curl_mime* (*make_form)(CURL*) = nullptr) {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  curl_slist* list = nullptr;
  for (const auto& [name, value] : headers) list = curl_slist_append(list, (name + ": " + value).c_str());
  Exchange exchange{};
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_PROXY, DevServerProxy().c_str());
  curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &exchange.body);
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 30L);
  if (post) {
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, post->data());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(post->size()));
  }
  curl_mime* form = make_form ? make_form(curl.get()) : nullptr;
  if (form) curl_easy_setopt(curl.get(), CURLOPT_MIMEPOST, form);
  exchange.result = curl_easy_perform(curl.get());
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &exchange.status);
  curl_mime_free(form);
  curl_slist_free_all(list);
  return exchange;
}

class DevServerClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetDevServer(); }
};

TEST_F(DevServerClientTest, RecordsProxiedRequestExactly) {
  const std::string body("<a>\0\xff\x80 binary</a>", 17);
  const HeaderList sent = {{"soapAction", "\"http://api.lumivid.example/0.1.1/UserLogin\""},
                           {"x-lower", "1"}, {"X-Upper", "2"}};
  ViaProxy("http://api.lumivid.example/0.1.1/api", sent, &body);

  const auto requests = RecordedRequests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& request = requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "http://api.lumivid.example/0.1.1/api");
  EXPECT_EQ(request.path, "/0.1.1/api");
  EXPECT_EQ(request.body, body);
  EXPECT_TRUE(request.body_kept);
  EXPECT_EQ(request.body_size, body.size());
  EXPECT_EQ(HeaderValue(request.headers, "SOAPACTION"), sent[0].second);
  EXPECT_EQ(HeaderValue(request.headers, "Host"), "api.lumivid.example");
  // The client's own headers keep their case and come in the order sent.
  HeaderList own;
  for (const auto& header : request.headers) {
    if (header.first == "soapAction" || header.first == "x-lower" || header.first == "X-Upper") {
      own.push_back(header);
    }
  }
  EXPECT_EQ(own, sent);
}

TEST_F(DevServerClientTest, ScriptedAnswersReachTheClient) {
  struct Case {
    const char* what;
    ScriptedResponse script;
    CURLcode result;
    long status;
    std::string body;
  };
  const std::string binary("\x01\0\xfe tail", 8);
  const Case cases[] = {
      {"plain", {"/upload.xml", 503, {{"Content-Type", "text/plain"}}, "busy"}, CURLE_OK, 503, "busy"},
      {"chunked binary", {"/upload.xml", 200, {}, binary, {1, 2}, 10}, CURLE_OK, 200, binary},
      {"dropped", {"/upload.xml", 200, {}, "x", {}, 0, true}, CURLE_GOT_NOTHING, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptResponse(c.script);
    const auto exchange = ViaProxy("http://upload.lumivid.example/upload.xml", {}, nullptr);
    EXPECT_EQ(exchange.result, c.result);
    EXPECT_EQ(exchange.status, c.status);
    EXPECT_EQ(exchange.body, c.body);
  }
  // Scripts are used up: the normal answer is back.
  const auto normal = ViaProxy("http://upload.lumivid.example/upload.xml", {}, nullptr);
  EXPECT_NE(normal.body.find("<url>" + DevServerBaseUrl() + "</url>"), std::string::npos);
}

curl_mime* UploadForm(CURL* curl) {
  curl_mime* form = curl_mime_init(curl);
  const char* fields[][2] = {{"authkey", "demo-auth-key-0017"}, {"title", "Clip"}, {"category1", "1"}};
  for (const auto& field : fields) {
    curl_mimepart* part = curl_mime_addpart(form);
    curl_mime_name(part, field[0]);
    curl_mime_data(part, field[1], CURL_ZERO_TERMINATED);
  }
  curl_mimepart* file = curl_mime_addpart(form);
  curl_mime_name(file, "userfile");
  curl_mime_filename(file, "clip.mp4");
  curl_mime_type(file, "application/octet-stream");
  curl_mime_data(file, "abc", 3);
  return form;
}

TEST_F(DevServerClientTest, ReportsUploadsAndFollowsSettings) {
  for (bool store : {true, false}) {
    SCOPED_TRACE(store ? "stored" : "counted only");
    ResetDevServer();
    SetDevServerSetting("store_uploads", store);
    const auto exchange = ViaProxy(DevServerBaseUrl() + "/upload", {}, nullptr, &UploadForm);
    ASSERT_EQ(exchange.result, CURLE_OK);
    EXPECT_NE(exchange.body.find("<status>SUCCESS</status>"), std::string::npos);

    const auto uploads = ReceivedUploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].fields,
              (HeaderList{{"authkey", "demo-auth-key-0017"}, {"title", "Clip"}, {"category1", "1"}}));
    EXPECT_EQ(uploads[0].part_names, (std::vector<std::string>{"authkey", "title", "category1", "userfile"}));
    EXPECT_EQ(uploads[0].filename, "clip.mp4");
    EXPECT_EQ(uploads[0].size, 3u);
    EXPECT_EQ(uploads[0].sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(uploads[0].stored_path.empty(), !store);
  }
}

}  // namespace
}  // namespace clipferry::test
