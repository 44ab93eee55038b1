// The checks before sending, and how their problems are said.
#include "commands/upload/checks.h"

#include "app/failure.h"
#include "commands/upload/service_lists.h"
#include "text/text.h"

namespace clipferry::cli {

int reportProblems(const Context& context, const UploadOptions& upload, const std::vector<std::string>& local,
                   const std::vector<std::string>& service, const std::string& unchecked) {
    const Io& io = context.io;
    std::vector<std::string> problems = local;
    problems.insert(problems.end(), service.begin(), service.end());
    bool idsFromElsewhere = false;  // the messages name the flag, which was not given
    for (const std::string& problem : problems) {
        io.err() << "clipferry: " << visible(problem) << "\n";
        idsFromElsewhere |=
            (!upload.fields.categories && problem.find("--category") != std::string::npos) ||
            (!upload.fields.moderator && problem.find("--moderator") != std::string::npos);
    }
    if (idsFromElsewhere) {
        io.err() << "clipferry: ids not given as flags come from the --meta file or config.toml "
                    "(see clipferry config); a flag overrides them\n";
    }
    if (!unchecked.empty()) {
        io.err() << "clipferry: the files were not checked against the service's lists: "
                 << visible(unchecked) << "\n";
    }
    // --no-check helps only when every problem is one it skips.
    io.err() << "clipferry: nothing was sent"
             << (local.empty() && !service.empty() && !upload.dryRun
                     ? "; --no-check skips the checks against the service's lists"
                     : "")
             << "\n";
    const Failure failure{exit_status::badArgument, "check", std::nullopt, problems.front(), problems};
    if (io.json()) io.document(failureJson(failure));
    return failure.exitStatus;
}

int checkBeforeSending(const Context& context, const UploadOptions& upload, Service& service,
                       const std::vector<UploadJob>& jobs,
                       ServiceLists& lists, ListCache& cache) {
    const std::vector<std::string> local = localProblems(jobs);
    std::vector<std::string> againstService;
    if (!upload.noCheck) {
        if (int status = fetchServiceLists(context, service, jobs, lists, cache); status != 0) {
            return status;
        }
        againstService = serviceProblems(jobs, lists);
        if (!againstService.empty() && cache.servedAny() && !cache.bypassed()) {
            // A kept list may be a day old: the service is asked before anything is refused.
            context.io.step("a check failed against a kept list; asking the service for its lists");
            cache.bypass();
            lists = ServiceLists();
            if (int status = fetchServiceLists(context, service, jobs, lists, cache); status != 0) {
                return status;
            }
            againstService = serviceProblems(jobs, lists);
        }
    }
    if (local.empty() && againstService.empty()) {
        return exit_status::ok;
    }
    return reportProblems(context, upload, local, againstService);
}

}  // namespace clipferry::cli
