// Access to the local Lumivid service from tests: where it listens, what it
// received, and answers scripted in advance. The service is started by the
// "devserver" CTest fixture; see devserver/README.md for the control API.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace clipferry::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One request as it arrived: the target as sent (absolute-form when the
// client used the service as its proxy), header lines in their own case and
// order, and the body. Bodies over 8 MiB are not kept: body_kept is false,
// body is empty, and only body_size and body_sha256 tell what came.
struct RecordedRequest {
  std::string method;
  std::string target;
  std::string path;
  HeaderList headers;
  std::string body;
  bool body_kept = true;
  std::uint64_t body_size = 0;
  std::string body_sha256;
};

// The next `times` requests to `path` get exactly this answer. With `chunks`,
// the body goes out in pieces of those sizes, `delay_ms` apart (chunked
// transfer encoding unless `headers` holds a Content-Length). With `drop`,
// the connection is closed after the listed chunks (at once without chunks).
// A `read_limit` of 0 or more answers after only that
// many bytes of the request body. With `repeat`, the body (cut by `chunks`)
// goes out that many times over.
struct ScriptedResponse {
  std::string path;
  int status = 200;
  HeaderList headers;
  std::string body;
  std::vector<std::size_t> chunks;
  int delay_ms = 0;
  bool drop = false;
  long read_limit = -1;
  int times = 1;
  int repeat = 1;
};

// One POST /upload as the service parsed it. `fields` are the text parts in
// order; `part_names` lists every part, the file part included. The file
// details are those of the first file part (empty when there was none).
struct ReceivedUpload {
  std::string status;  // "SUCCESS" or "UNSUCCESSFUL"
  std::string message;
  HeaderList fields;
  std::vector<std::string> part_names;
  std::string filename;
  std::string content_type;
  std::uint64_t size = 0;
  std::string sha256;
  std::string stored_path;  // empty when the file was not kept
};

// These throw std::runtime_error, which fails the calling test, when the
// service is not running or answers unexpectedly.
int DevServerPort();
// From now on the service is the one on this port, not the fixture's (for a
// host that is told the port on its command line).
void UseDevServerPort(int port);
std::string DevServerProxy();    // "127.0.0.1:PORT", for CLIPFERRY_PROXY_SERVER
std::string DevServerBaseUrl();  // "http://127.0.0.1:PORT"
void ResetDevServer();           // forgets requests, uploads, scripts, settings
std::vector<RecordedRequest> RecordedRequests();
void ScriptResponse(const ScriptedResponse& response);
std::vector<ReceivedUpload> ReceivedUploads();
// Names: "store_uploads" (bool), "upload_url" (string or null).
void SetDevServerSetting(const std::string& name, const nlohmann::json& value);

// Value of the first header with this name, compared without case; empty if absent.
std::string HeaderValue(const HeaderList& headers, const std::string& name);

}  // namespace clipferry::test
