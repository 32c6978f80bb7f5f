#pragma once
// Counts the library's allocation requests and refuses every request after
// the first `succeedingRequests`, while the probe lives.
#include <climits>

class AllocationProbe {
public:
    explicit AllocationProbe(int succeedingRequests = INT_MAX);
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    int requests() const;
    void allow(int succeedingRequests);  // restart the budget from now
};
