// The service's hosts, fixed when the library is built.
#pragma once

namespace clipferry {

// Scheme and host name of the API host; every SOAP call and the upload
// server discovery go here.
inline constexpr char ApiHostUrl[] = CLIPFERRY_API_HOST_URL;

// Scheme and host name of the default upload host.
inline constexpr char UploadHostUrl[] = CLIPFERRY_UPLOAD_HOST_URL;

}  // namespace clipferry
