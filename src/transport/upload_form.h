// The upload form: its thirteen parts, in the order the upload server reads
// them, with the values they carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace clipferry {

// The descriptive fields of an upload; texts are NUL-terminated UTF-8, sent
// byte for byte.
struct UploadFormValues {
    const char* authKey;
    const char* title;
    const char* description;
    const char* tags;
    int32_t moderatorId;
    int32_t category1;
    int32_t category2;
    int32_t category3;
};

struct FormPart {
    const char* name;
    // For the file part, the file name it is sent under; else the field's text.
    std::string value;
    bool isFile;
};

// Every part in order; exactly one of them, "userfile", is the file, sent
// under fileName, which is also the "Filename" field.
std::vector<FormPart> DescribeUploadForm(const UploadFormValues& fields, const char* fileName);

}  // namespace clipferry
