#include <clipferry-common/secret.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace clipferry {
namespace {

// Memory that is never given back, so what a secret left in it can be read
// after the secret has let it go.
alignas(16) char arena[4096];
std::size_t arenaUsed = 0;

template <typename T>
struct KeepingAllocator {
    using value_type = T;
    KeepingAllocator() = default;
    template <typename U>
    KeepingAllocator(const KeepingAllocator<U>&) {}
    T* allocate(std::size_t n) {
        T* at = reinterpret_cast<T*>(arena + arenaUsed);
        arenaUsed += (n * sizeof(T) + 15) / 16 * 16;
        return at;
    }
    void deallocate(T*, std::size_t) {}
};
template <typename T, typename U>
bool operator==(const KeepingAllocator<T>&, const KeepingAllocator<U>&) { return true; }
template <typename T, typename U>
bool operator!=(const KeepingAllocator<T>&, const KeepingAllocator<U>&) { return false; }

using KeptSecret = BasicSecret<char, KeepingAllocator<char>>;

bool arenaWiped() { return std::all_of(arena, arena + arenaUsed, [](char c) { return c == 0; }); }

// Each way a secret lets its bytes go leaves nothing of them behind.
TEST(Secret, WipesWhatItLetsGo) {
    const std::string password(100, 'p');  // grown three times on the way
    const struct {
        const char* name;
        void (*use)(const std::string& password);
    } cases[] = {
        {"destroyed", [](const std::string& p) { KeptSecret secret{std::string_view(p)}; }},
        {"grown, then destroyed", [](const std::string& p) {
             KeptSecret secret;
             for (char c : p) secret.push_back(c);
             EXPECT_EQ(secret.view(), p);
         }},
        {"moved from, then both destroyed", [](const std::string& p) {
             KeptSecret from{std::string_view(p)};
             KeptSecret to = std::move(from);
             EXPECT_EQ(to.view(), p);
             EXPECT_TRUE(from.empty());
         }},
        {"given a new value", [](const std::string& p) {
             KeptSecret secret{std::string_view(p)};
             secret = KeptSecret(std::string_view("other"));
             EXPECT_EQ(secret.view(), "other");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        arenaUsed = 0;
        std::fill(std::begin(arena), std::end(arena), 0);
        c.use(password);
        ASSERT_GT(arenaUsed, 0u);
        EXPECT_TRUE(arenaWiped());
    }
}

TEST(Secret, TakingFromAStringWipesTheString) {
    std::string given(64, 'p');
    const char* bytes = given.data();
    const Secret secret = Secret::takeFrom(given);
    EXPECT_EQ(secret.view(), std::string(64, 'p'));
    EXPECT_TRUE(given.empty());
    EXPECT_TRUE(std::all_of(bytes, bytes + 64, [](char c) { return c == 0; }));
}

}  // namespace
}  // namespace clipferry
