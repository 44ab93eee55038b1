// The commands driven through their context against a scripted service: what
// each prints, on which stream, and the exit status it ends with.
#include <gtest/gtest.h>

#include <functional>

#include "commands/command_run.h"
#include "service/result_codes.h"
#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

using std::chrono::milliseconds;

const std::map<std::string, std::string> kLoggedIn = {{"CLIPFERRY_USER", "demo"},
                                                       {"CLIPFERRY_PASSWORD", "secret"}};

TEST(Commands, ListsPrintTheServicesListOrItsFailure) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::function<void(ServiceScript&)> script;
        int status;
        std::string out;     // all of it; for a failure, part of its document
        std::string errHas;  // empty: nothing on standard error
        std::vector<milliseconds> pauses;
    };
    const auto noChange = [](ServiceScript&) {};
    const auto twoModerators = [](ServiceScript& s) {
        s.moderatorList = {{7, "Ada", "Lovelace"}, {9, "Alan", "Kay"}};
    };
    const Case cases[] = {
        {"file types as text", {"file-types"}, noChange, exit_status::ok, "*.mp4\n*.mov\n", "", {}},
        {"file types as json", {"--json", "file-types"}, noChange, exit_status::ok,
         "{\n  \"ok\": true,\n  \"file_types\": [\n    \"*.mp4\",\n    \"*.mov\"\n  ]\n}\n", "", {}},
        {"moderators as text", {"moderators"}, twoModerators, exit_status::ok,
         "7 Ada Lovelace\n9 Alan Kay\n", "", {}},
        {"moderators as json", {"--json", "moderators"}, twoModerators, exit_status::ok,
         "{\n  \"ok\": true,\n  \"moderators\": [\n    {\n      \"id\": 7,\n      \"first\": \"Ada\",\n"
         "      \"last\": \"Lovelace\"\n    },\n    {\n      \"id\": 9,\n      \"first\": \"Alan\",\n"
         "      \"last\": \"Kay\"\n    }\n  ]\n}\n",
         "", {}},
        {"a category with no children is looked for among all",
         {"categories", "12"},
         [](ServiceScript& s) { s.categories[0] = {{12, "Music", {}}}; }, exit_status::ok, "",
         "clipferry: no categories below 12 Music\n", {}},
        {"a category that does not exist", {"categories", "99"}, noChange,
         exit_status::badArgument, "",
         "clipferry: categories: no such category 99; clipferry categories --recursive lists them all\n", {}},
        {"a refused list ends with its status", {"moderators"},
         [](ServiceScript& s) { s.moderators = {83}; }, exit_status::refused, "", "clipferry: moderators", {}},
        {"a refused list in json names its operation", {"--json", "moderators"},
         [](ServiceScript& s) { s.moderators = {83}; }, exit_status::refused,
         "\"operation\": \"moderators\",\n  \"result\": 83,\n  \"exit_status\": 4", "clipferry: moderators", {}},
        {"a transient failure is tried again", {"--retry", "2", "file-types"},
         [](ServiceScript& s) { s.fileTypes = {7, 0}; }, exit_status::ok, "*.mp4\n*.mov\n",
         "; retry 1 of 2 in 0:01\n", {milliseconds(1000)}},
        {"the same failure again is a short line", {"--retry", "2", "file-types"},
         [](ServiceScript& s) { s.fileTypes = {7}; }, exit_status::unreachable, "",
         "clipferry: failed again the same way; retry 2 of 2 in 0:02\n",
         {milliseconds(1000), milliseconds(2000)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceScript script;
        c.script(script);
        const CommandRun run = runCommandLine(c.arguments, script, {kLoggedIn, {}});
        EXPECT_EQ(run.status, c.status);
        if (c.status == exit_status::ok || c.out.empty()) {
            EXPECT_EQ(run.out, c.out);
        } else {  // a failure's document: the fields that say which and how
            EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        }
        if (c.errHas.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
        }
        EXPECT_EQ(run.pauses, c.pauses);
    }
}

// What became of the password offered to the keyring is said, and --remember
// that kept nothing is not success; a mere offer that failed is.
TEST(Commands, LoginSaysWhetherThePasswordWasKept) {
    struct Case {
        std::vector<std::string> arguments;
        Kept keeps;
        int status;
        std::string out;
    };
    const std::string kept = "logged in as demo; the password is now kept in the keyring (clipferry logout forgets it)\n";
    const Case cases[] = {
        {{"login", "--remember"}, Kept::Stored, exit_status::ok, kept},
        {{"login", "--remember"}, Kept::AlreadyStored, exit_status::ok, kept},
        {{"login", "--remember"}, Kept::Failed, exit_status::notRemembered, "logged in as demo\n"},
        {{"login"}, Kept::Failed, exit_status::ok, "logged in as demo\n"},
        {{"login"}, Kept::Declined, exit_status::ok, "logged in as demo\n"},
        {{"--json", "login", "--remember"}, Kept::Failed, exit_status::notRemembered, "\"remembered\": false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back() + " " + std::to_string(static_cast<int>(c.keeps)));
        ServiceScript script;
        CommandSetup setup{kLoggedIn, {}, {}, c.keeps};
        const CommandRun run = runCommandLine(c.arguments, script, setup);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        EXPECT_EQ(run.offeredToKeep, std::vector<std::string>{"secret"});
    }
}

// A remembered password that is refused is said; only what was typed counts
// among the tries, and a typed one that works is offered to the keyring.
TEST(Commands, APasswordIsAskedAgainOnlyWhileLumividRefusesIt) {
    struct Case {
        const char* name;
        std::vector<int32_t> logins;
        std::optional<bool> lumivid;
        std::optional<std::string> remembered;
        std::deque<std::string> typed;
        bool inEnvironment;
        int status;
        std::vector<std::string> tried;
        std::string errHas;
        std::string errLacks;
        std::vector<std::string> offered;  // to the keyring
    };
    const std::string keptWrong = "clipferry: login refused: the password remembered in the keyring for demo is wrong";
    const Case cases[] = {
        {"the second try is right", {83, 0}, true, {}, {"wrong", "right"}, false, exit_status::ok,
         {"wrong", "right"}, "clipferry: login refused: wrong user name or password; try again (2 of 3)\n", "keyring", {}},
        {"three refusals end it", {83}, true, {}, {"a", "b", "c", "d"}, false, exit_status::refused,
         {"a", "b", "c"}, "try again (3 of 3)\n", "of 4", {}},
        {"an answer that is not Lumivid's is not a wrong password", {83}, false, {}, {"a", "b"}, false,
         exit_status::refused, {"a"}, "clipferry: login", "try again", {}},
        {"not known whether Lumivid answered", {83}, std::nullopt, {}, {"a", "b"}, false,
         exit_status::refused, {"a"}, "clipferry: login", "try again", {}},
        {"the environment's password is not asked for again", {83}, true, {}, {}, true,
         exit_status::refused, {"secret"}, "clipferry: login", "try again", {}},
        {"an empty password is not sent", {83}, true, {}, {"a", ""}, false, exit_status::badArgument,
         {"a"}, "clipferry: bad argument: the password is empty\n", "keyring", {}},
        {"the remembered one is used", {0}, true, "kept", {}, false, exit_status::ok, {"kept"}, "", "refused", {}},
        {"a refused remembered one without a terminal ends as refused", {83}, true, "kept", {}, false,
         exit_status::refused, {"kept"}, keptWrong, "no password", {}},
        {"a refused remembered one, then a typed one that works, offered", {83, 0}, true, "kept", {"right"}, false,
         exit_status::ok, {"kept", "right"}, keptWrong, "of 3", {"right"}},
        {"the typed tries after a refused remembered one are three", {83}, true, "kept", {"a", "b", "c", "d"},
         false, exit_status::refused, {"kept", "a", "b", "c"}, "try again (3 of 3)\n", "of 4", {}},
        {"a remembered one refused by something not Lumivid is not blamed", {83}, false, "kept", {"a"}, false,
         exit_status::refused, {"kept"}, "did not answer as Lumivid does", "is wrong", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceScript script;
        script.login = c.logins;
        script.answersAsLumivid = c.lumivid;
        CommandSetup setup{{{"CLIPFERRY_USER", "demo"}}, c.typed, c.remembered};
        if (c.inEnvironment) setup.environment["CLIPFERRY_PASSWORD"] = "secret";
        const CommandRun run = runCommandLine({"file-types"}, script, setup);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(script.passwords, c.tried);
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find(c.errLacks), std::string::npos) << run.err;
        EXPECT_EQ(run.offeredToKeep, c.offered);
        EXPECT_EQ(script.fileTypeCalls, c.status == exit_status::ok ? 1 : 0);
    }
}

TEST(Commands, TheLoginCommandOffersTheAcceptedPasswordToTheKeyring) {
    ServiceScript script;
    const CommandRun run = runCommandLine({"login"}, script, {{{"CLIPFERRY_USER", "demo"}, {"CLIPFERRY_PASSWORD", "secret"}}});
    EXPECT_EQ(run.status, exit_status::ok);
    EXPECT_EQ(run.offeredToKeep, std::vector<std::string>{"secret"});
}

class UploadBatch : public ScratchFolder {};

TEST_F(UploadBatch, EachFileHasItsVerdictAndTheWorstEndsTheBatch) {
    struct Case {
        const char* name;
        std::map<std::string, ServiceScript::Verdict> verdicts;
        int status;
        std::string summary;
        std::string errHas;
        size_t resent;  // by a second run, which the ledger lets through
    };
    const Case cases[] = {
        {"all accepted", {}, exit_status::ok, "3 files: 3 accepted, 0 refused, 0 failed\n", "", 0},
        {"the second refused", {{"b.mp4", {83, "too dark", true}}}, exit_status::refused,
         "3 files: 2 accepted, 1 refused, 0 failed\n", "too dark", 1},
        {"the second may have been received",
         {{"b.mp4", {52, "", true}}}, exit_status::connectionBroke, "may have been received",
         "the service may have received it, and it is not sent again", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path home = dir_ / c.name;
        std::vector<std::string> arguments = {"upload", "--category", "3"};
        std::vector<std::string> files;
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) {
            files.push_back(write(std::string(c.name) + "/" + name, std::string(c.name) + name));
        }
        arguments.insert(arguments.end(), files.begin(), files.end());
        const auto travel = [](ServiceScript& s) { s.categories[0] = {{3, "Travel", {}}}; };
        ServiceScript script;
        travel(script);
        script.verdicts = c.verdicts;
        std::map<std::string, std::string> environment = kLoggedIn;
        environment["HOME"] = home.string();
        const CommandRun run = runCommandLine(arguments, script, {environment, {}});
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(script.uploaded, (std::vector<std::string>{"a.mp4", "b.mp4", "c.mp4"}));
        EXPECT_NE(run.out.find(files[0] + ": accepted: video accepted\n"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(c.summary), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
        // The ledger in the scratch home skips what was accepted when run again.
        ServiceScript again;
        travel(again);
        const CommandRun second = runCommandLine(arguments, again, {environment, {}});
        EXPECT_EQ(second.status, exit_status::ok);
        EXPECT_EQ(again.uploaded.size(), c.resent) << second.out << second.err;
    }
}

// Only the flags given speak; any --categoryN gives the three; the rate and
// the stall timeout are read as curl and people write them.
TEST_F(UploadBatch, TheUploadsFlagsReachTheService) {
    const std::string clip = write("clip.mp4", "clip");
    ServiceScript script;
    script.categories[0] = {{3, "Travel", {}}, {5, "Music", {}}};
    script.moderatorList = {{7, "Ada", "Lovelace"}};
    std::map<std::string, std::string> environment = kLoggedIn;
    environment["HOME"] = dir_.string();
    const CommandRun run = runCommandLine({"upload", clip, "--title", "T", "--tags", "a b", "--category", "3", "--category3", "5",
                                           "--moderator", "7", "--limit-rate", "2M", "--stall-timeout", "1m30s"},
                                          script, {environment, {}});
    EXPECT_EQ(run.status, exit_status::ok) << run.err;
    ASSERT_EQ(script.jobs.size(), 1u);
    const VideoFields& fields = script.jobs[0].fields;
    EXPECT_EQ(fields.title, "T");
    EXPECT_EQ(fields.tags, "a b");
    EXPECT_EQ(std::vector<int32_t>({fields.category, fields.category2, fields.category3}),
              std::vector<int32_t>({3, 0, 5}));
    EXPECT_EQ(fields.moderator, 7);
    EXPECT_EQ(script.limits.rate, 2.0 * 1024 * 1024);
    EXPECT_EQ(script.limits.stallTimeout, 90.0);
}

TEST_F(UploadBatch, AFailedLoginStillNamesTheFilesOwnProblems) {
    const std::string empty = write("empty.mp4", "");
    ServiceScript script;
    script.login = {83};
    std::map<std::string, std::string> environment = kLoggedIn;
    environment["HOME"] = dir_.string();
    const CommandRun run = runCommandLine({"upload", "--category", "3", empty}, script, {environment, {}});
    EXPECT_EQ(run.status, exit_status::badArgument);
    EXPECT_EQ(script.passwords, std::vector<std::string>{"secret"});
    EXPECT_TRUE(script.uploaded.empty());
    EXPECT_NE(run.err.find("clipferry: the files were not checked against the service's lists: login"),
              std::string::npos) << run.err;
    EXPECT_NE(run.err.find("clipferry: nothing was sent\n"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace clipferry::cli
