#include "transport/upload_form.h"

namespace clipferry {

std::vector<FormPart> DescribeUploadForm(const UploadFormValues& values, const char* fileName) {
    return {
        {"Filename", fileName, false},
        {"tags", values.tags, false},
        {"terms", "1", false},
        {"authkey", values.authKey, false},
        {"title", values.title, false},
        {"contest", "0", false},
        {"description", values.description, false},
        {"category1", std::to_string(values.category1), false},
        {"category2", std::to_string(values.category2), false},
        {"category3", std::to_string(values.category3), false},
        {"moderator", std::to_string(values.moderatorId), false},
        {"userfile", fileName, true},
        {"Upload", "Submit Query", false},
    };
}

}  // namespace clipferry
