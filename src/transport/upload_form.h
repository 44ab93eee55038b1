// The upload form: its thirteen parts, in the order the upload server reads
// them, with the values they carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace clipferry {

// The texts are NUL-terminated UTF-8, sent byte for byte.
struct UploadFormValues {
    const char* fileName;
    const char* tags;
    const char* authKey;
    const char* title;
    const char* description;
    int32_t category1;
    int32_t category2;
    int32_t category3;
    int32_t moderatorId;
};

struct FormPart {
    const char* name;
    // For the file part, the file name it is sent under; else the field's text.
    std::string value;
    bool isFile;
};

// Every part in order; exactly one of them, "userfile", is the file.
std::vector<FormPart> DescribeUploadForm(const UploadFormValues& values);

}  // namespace clipferry
