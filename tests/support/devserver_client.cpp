#include "devserver_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace clipferry::test {
namespace {

int chosenPort = 0;

std::string PortFilePath() { return std::string(CLIPFERRY_TEST_DEVSERVER_STATE) + "/port"; }

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// One request to /_control/; the answer must be 200 with a JSON body.
nlohmann::json Control(const std::string& method, const std::string& name,
                       const nlohmann::json* payload = nullptr) {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) throw std::runtime_error("devserver: curl_easy_init failed");
  const std::string url = DevServerBaseUrl() + "/_control/" + name;
  const std::string body = payload ? payload->dump() : std::string();
  std::string answer;
  char error[CURL_ERROR_SIZE] = {};
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  // Talk to the service directly whatever proxy the environment names.
  curl_easy_setopt(curl.get(), CURLOPT_PROXY, "");
  curl_easy_setopt(curl.get(), CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 30L);
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers);
  if (method == "POST") {
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  }
  const CURLcode result = curl_easy_perform(curl.get());
  curl_slist_free_all(headers);
  if (result != CURLE_OK) {
    throw std::runtime_error("devserver: " + method + " " + url + " failed: " +
                             (error[0] ? error : curl_easy_strerror(result)));
  }
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status != 200) {
    throw std::runtime_error("devserver: " + method + " " + url + " answered " +
                             std::to_string(status) + ": " + answer);
  }
  return nlohmann::json::parse(answer);
}

HeaderList Pairs(const nlohmann::json& list) {
  HeaderList pairs;
  for (const auto& pair : list) pairs.emplace_back(pair.at(0), pair.at(1));
  return pairs;
}

std::string Base64Decode(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    const auto index = alphabet.find(c);
    if (index == std::string::npos) throw std::runtime_error("devserver: bad base64 body");
    bits = (bits << 6) | static_cast<unsigned>(index);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

std::string Base64Encode(const std::string& data) {
  static const char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (unsigned char c : data) {
    bits = (bits << 8) | c;
    count += 8;
    while (count >= 6) {
      count -= 6;
      out.push_back(alphabet[(bits >> count) & 0x3F]);
    }
  }
  if (count > 0) out.push_back(alphabet[(bits << (6 - count)) & 0x3F]);
  while (out.size() % 4 != 0) out.push_back('=');
  return out;
}

std::string StringOrEmpty(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>() : std::string();
}

}  // namespace

int DevServerPort() {
  if (chosenPort != 0) return chosenPort;
  std::ifstream file(PortFilePath());
  int port = 0;
  if (!(file >> port) || port <= 0 || port > 65535) {
    throw std::runtime_error("devserver: no port in " + PortFilePath() +
                             "; is the local Lumivid service running (CTest fixture "
                             "\"devserver\", tests/support/devserver_fixture.sh start)?");
  }
  return port;
}

void UseDevServerPort(int port) { chosenPort = port; }

std::string DevServerProxy() { return "127.0.0.1:" + std::to_string(DevServerPort()); }

std::string DevServerBaseUrl() { return "http://" + DevServerProxy(); }

void ResetDevServer() {
  const nlohmann::json empty = nlohmann::json::object();
  Control("POST", "reset", &empty);
}

std::vector<RecordedRequest> RecordedRequests() {
  std::vector<RecordedRequest> requests;
  for (const auto& entry : Control("GET", "requests")) {
    RecordedRequest request;
    request.method = entry.at("method");
    request.target = entry.at("target");
    request.path = entry.at("path");
    request.headers = Pairs(entry.at("headers"));
    request.body_kept = entry.at("body_kept");
    request.body = Base64Decode(StringOrEmpty(entry.at("body_base64")));
    request.body_size = entry.at("body_size");
    request.body_sha256 = entry.at("body_sha256");
    requests.push_back(std::move(request));
  }
  return requests;
}

void ScriptResponse(const ScriptedResponse& response) {
  nlohmann::json script = {
      {"path", response.path},
      {"status", response.status},
      {"headers", nlohmann::json::array()},
      {"body_base64", Base64Encode(response.body)},
      {"delay_ms", response.delay_ms},
      {"drop", response.drop},
      {"times", response.times},
  };
  for (const auto& [name, value] : response.headers) script["headers"].push_back({name, value});
  if (!response.chunks.empty()) script["chunks"] = response.chunks;
  if (response.read_limit >= 0) script["read_limit"] = response.read_limit;
  if (response.repeat > 1) script["repeat"] = response.repeat;
  Control("POST", "script", &script);
}

std::vector<ReceivedUpload> ReceivedUploads() {
  std::vector<ReceivedUpload> uploads;
  for (const auto& entry : Control("GET", "uploads")) {
    ReceivedUpload upload;
    upload.status = entry.at("status");
    upload.message = entry.at("message");
    upload.fields = Pairs(entry.at("fields"));
    upload.part_names = entry.at("part_names").get<std::vector<std::string>>();
    upload.filename = StringOrEmpty(entry.at("filename"));
    upload.content_type = StringOrEmpty(entry.at("content_type"));
    upload.size = entry.at("size").is_number() ? entry.at("size").get<std::uint64_t>() : 0;
    upload.sha256 = StringOrEmpty(entry.at("sha256"));
    upload.stored_path = StringOrEmpty(entry.at("stored_path"));
    uploads.push_back(std::move(upload));
  }
  return uploads;
}

void SetDevServerSetting(const std::string& name, const nlohmann::json& value) {
  const nlohmann::json change = {{name, value}};
  Control("POST", "settings", &change);
}

std::string HeaderValue(const HeaderList& headers, const std::string& name) {
  const auto same = [](const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
             return std::tolower(x) == std::tolower(y);
           });
  };
  for (const auto& [key, value] : headers) {
    if (same(key, name)) return value;
  }
  return {};
}

}  // namespace clipferry::test
