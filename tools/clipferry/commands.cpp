#include "commands.h"

#include <unistd.h>

#include <ctime>
#include <iostream>
#include <sstream>
#include <thread>

#include "category_tree.h"
#include "interrupt.h"
#include "password.h"
#include "progress.h"
#include "result_codes.h"
#include "retry.h"
#include "session.h"
#include "text.h"

namespace clipferry::cli {

namespace {
// Sleeps in small steps so that Ctrl-C during an upload's retry wait is noticed.
bool waitUnlessInterrupted(std::chrono::milliseconds delay) {
    const auto step = std::chrono::milliseconds(50);
    for (auto waited = std::chrono::milliseconds(0); waited < delay; waited += step) {
        if (interrupted()) {
            return false;
        }
        std::this_thread::sleep_for(std::min(step, delay - waited));
    }
    return !interrupted();
}

Attempt retrying(const Options& options, Operation operation,
                 const std::function<Attempt()>& attempt) {
    RetryPolicy policy;
    policy.retries = options.retries;
    return runWithRetry(policy, attempt, [&](int retry, int32_t failed, auto delay) {
        std::cerr << explain(operation, failed).text << "; retry " << retry << " of "
                  << policy.retries << " in " << formatDuration(delay.count() / 1000.0) << "\n";
        return waitUnlessInterrupted(delay);
    });
}

int32_t withRetry(const Options& options, Operation operation,
                  const std::function<int32_t()>& attempt) {
    return retrying(options, operation, [&] { return Attempt{attempt()}; }).result;
}

// The local time, to the second, for the user to match against the service's records.
std::string localTime(std::time_t when) {
    char text[32];
    std::tm local{};
    localtime_r(&when, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// Prints the explanation of a failure and gives the exit status.
int fail(Operation operation, int32_t result, const std::string& serviceMessage = {}) {
    Explanation explanation = explain(operation, result, serviceMessage, interrupted());
    std::cerr << "clipferry: " << explanation.text << "\n";
    return explanation.exitStatus;
}

std::vector<std::string> splitFileTypes(const std::string& text) {
    std::vector<std::string> types;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ';');) {
        auto first = item.find_first_not_of(" \t\r\n");
        if (first != std::string::npos) {
            types.push_back(item.substr(first, item.find_last_not_of(" \t\r\n") - first + 1));
        }
    }
    return types;
}

int listFileTypes(const Options& options, Session& session) {
    std::string text;
    int32_t result = withRetry(options, Operation::FileTypes, [&] { return session.fileTypes(text); });
    if (result != 0) {
        return fail(Operation::FileTypes, result);
    }
    for (const std::string& type : splitFileTypes(text)) {
        std::cout << type << "\n";
    }
    return exit_status::ok;
}

int listCategories(const Options& options, Session& session) {
    std::vector<Category> tree;
    FetchChildren fetch = [&](int32_t parent, std::vector<Category>& children) {
        return withRetry(options, Operation::Categories,
                         [&] { return session.categories(parent, children); });
    };
    int32_t result = fetchCategoryTree(options.parent, options.recursive, fetch, tree);
    if (result != 0) {
        return fail(Operation::Categories, result);
    }
    std::cout << renderCategoryTree(tree);
    return exit_status::ok;
}

int listModerators(const Options& options, Session& session) {
    std::vector<Moderator> moderators;
    int32_t result =
        withRetry(options, Operation::Moderators, [&] { return session.moderators(moderators); });
    if (result != 0) {
        return fail(Operation::Moderators, result);
    }
    for (const Moderator& moderator : moderators) {
        std::cout << moderator.id << " " << moderator.firstName << " " << moderator.lastName << "\n";
    }
    return exit_status::ok;
}

int upload(const Options& options, Session& session) {
    InterruptGuard guard;  // Ctrl-C now cancels through the progress callback
    bool terminal = isatty(STDERR_FILENO) == 1;
    std::string message;
    std::time_t started = 0;
    Attempt last = retrying(options, Operation::Upload, [&] {
        started = std::time(nullptr);
        ProgressMeter meter(std::cerr, terminal, ProgressMeter::steadyClock());
        Attempt attempt = session.upload(options.upload, &meter, message);
        meter.finish();
        return attempt;
    });
    if (last.result != 0 && isTransient(last.result) && last.everyByteSent) {
        // Sending it again could publish the video twice.
        int status = fail(Operation::Upload, last.result, message);
        std::cerr << "clipferry: the whole file was sent, so the service may have received it; "
                     "not retried. Look for \"" << options.upload.title << "\" (sent "
                  << localTime(started) << ") among your videos before uploading it again\n";
        return status;
    }
    if (last.result != 0) {
        return fail(Operation::Upload, last.result, message);
    }
    std::cout << "accepted: " << (message.empty() ? "(no message)" : message) << "\n";
    return exit_status::ok;
}
}  // namespace

int runCommand(const Options& options) {
    if (auto bad = findBadArgument(options)) {
        std::cerr << "clipferry: bad argument: " << *bad << "\n";
        return exit_status::badArgument;
    }
    try {
        std::string password = obtainPassword(options.user);
        if (password.empty()) {
            std::cerr << "clipferry: bad argument: the password is empty\n";
            return exit_status::badArgument;
        }
        Session session;
        int32_t result = withRetry(options, Operation::Login,
                                   [&] { return session.login(options.user, password); });
        if (result != 0) {
            return fail(Operation::Login, result);
        }
        switch (options.command) {
        case Command::Login:
            std::cout << "logged in as " << options.user << "\n";
            return exit_status::ok;
        case Command::FileTypes: return listFileTypes(options, session);
        case Command::Categories: return listCategories(options, session);
        case Command::Moderators: return listModerators(options, session);
        case Command::Upload: return upload(options, session);
        }
    } catch (const PasswordError& e) {
        std::cerr << "clipferry: " << e.what() << "\n";
        return exit_status::failure;
    } catch (const TextError& e) {
        std::cerr << "clipferry: bad argument: " << e.what() << "\n";
        return exit_status::badArgument;
    } catch (const std::exception& e) {
        std::cerr << "clipferry: " << e.what() << "\n";
        return exit_status::failure;
    }
    return exit_status::failure;
}

}  // namespace clipferry::cli
