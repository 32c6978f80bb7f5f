#include "AllocationProbe.h"

#include "foundation/Allocation.h"

namespace {
int requestCount = 0;
int budget = 0;

bool grantWithinBudget(std::size_t) {
    ++requestCount;
    if (budget == 0) return false;
    --budget;
    return true;
}
}  // namespace

AllocationProbe::AllocationProbe(int succeedingRequests) {
    requestCount = 0;
    budget = succeedingRequests;
    setAllocationHook(grantWithinBudget);
}

AllocationProbe::~AllocationProbe() { setAllocationHook(nullptr); }

int AllocationProbe::requests() const { return requestCount; }

void AllocationProbe::allow(int succeedingRequests) { budget = succeedingRequests; }
