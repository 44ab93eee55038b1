// Makes the k-th allocation the library asks for on this thread fail: through
// operator new, libxml2's allocator and the response body's allocator.
#pragma once

namespace clipferry::test {

// While one of these lives, allocations on the constructing thread are
// counted and the failAt-th (from 1) fails: operator new throws
// std::bad_alloc (the nothrow forms give null), and libxml2's allocator and
// the response body's allocator give null. libcurl's own allocations and
// libxml2's one-time set-up (done before counting starts) are not counted.
class AllocationTorture {
public:
    explicit AllocationTorture(long failAt);
    ~AllocationTorture();
    AllocationTorture(const AllocationTorture&) = delete;
    AllocationTorture& operator=(const AllocationTorture&) = delete;

    // Whether the failAt-th allocation was reached (and so failed).
    bool Injected() const;
    // Allocations counted so far.
    long Count() const;
};

}  // namespace clipferry::test
