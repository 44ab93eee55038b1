// Sets or unsets an environment variable for one scope, restoring it after.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace clipferry::test {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        Apply(value);
    }
    ~ScopedEnvironment() { Apply(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> previous_;
};

// Path of one of the stand-in libcurl builds.
inline std::string StubCurlPath(const char* name) {
    return std::string(CLIPFERRY_TEST_STUB_DIR) + "/" + name + ".so";
}

}  // namespace clipferry::test
