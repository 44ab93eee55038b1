// A scripted Service for the commands' tests: each call gives the next result
// of its script (the last one repeats), the lists the test set, an upload
// verdict per file, and counts what was asked.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/service.h"

namespace clipferry::cli {

struct ServiceScript {
    // Results, one per call; the last repeats.
    std::vector<int32_t> login{0};
    std::vector<int32_t> fileTypes{0};
    std::vector<int32_t> moderators{0};
    std::optional<bool> answersAsLumivid = true;

    std::string fileTypeList = "*.mp4;*.mov";
    std::map<int32_t, std::vector<Category>> categories;  // children by parent
    std::vector<Moderator> moderatorList;

    struct Verdict {
        int32_t result = 0;
        std::string message = "video accepted";
        bool everyByteSent = true;
    };
    std::map<std::string, Verdict> verdicts;  // by the file's name; any other is accepted

    // What was asked, in order.
    std::vector<std::string> passwords;
    int fileTypeCalls = 0;
    int categoryCalls = 0;
    int moderatorCalls = 0;
    std::vector<std::string> uploaded;  // the files' names
    std::vector<UploadJob> jobs;        // as sent
    UploadLimits limits;                // the last upload's
};

class FakeService final : public Service {
public:
    explicit FakeService(ServiceScript& script) : script_(script) {}

    int32_t login(const std::string&, const Secret& password) override {
        script_.passwords.emplace_back(password.view());
        return next(script_.login, script_.passwords.size());
    }
    int32_t fileTypes(std::string& types) override {
        types = script_.fileTypeList;
        return next(script_.fileTypes, ++script_.fileTypeCalls);
    }
    int32_t categories(int32_t parent, std::vector<Category>& children) override {
        ++script_.categoryCalls;
        children = script_.categories[parent];
        return 0;
    }
    int32_t moderators(std::vector<Moderator>& moderators) override {
        moderators = script_.moderatorList;
        return next(script_.moderators, ++script_.moderatorCalls);
    }
    Attempt upload(const UploadJob& job, ProgressMeter*, const UploadSteps&, const UploadLimits& limits,
                   UploadReport& report) override {
        const std::string name = std::filesystem::path(job.file).filename().string();
        script_.uploaded.push_back(name);
        script_.jobs.push_back(job);
        script_.limits = limits;
        const auto found = script_.verdicts.find(name);
        const ServiceScript::Verdict verdict =
            found == script_.verdicts.end() ? ServiceScript::Verdict() : found->second;
        report.message = verdict.message;
        report.bytesSent = static_cast<double>(std::filesystem::file_size(job.file));
        return {verdict.result, verdict.everyByteSent};
    }
    std::optional<bool> answersAsLumivid() override { return script_.answersAsLumivid; }

private:
    static int32_t next(const std::vector<int32_t>& results, size_t call) {
        return results[std::min(call, results.size()) - 1];
    }
    ServiceScript& script_;
};

}  // namespace clipferry::cli
