// Receives the rankings the results manager computes in the background, on the main thread.
// Every call is optional.
#pragma once

#include <memory>
#include <vector>

class DuplicatesGroup;
class DuplicatesHeap;

class DuplicatesManagerDelegate {
public:
    virtual ~DuplicatesManagerDelegate() = default;
    virtual void onCalculatedTenBiggestHeaps(const std::vector<std::shared_ptr<DuplicatesHeap>>&) {}
    virtual void onCalculateBiggestEasyForRemoveHeaps(const std::vector<std::shared_ptr<DuplicatesHeap>>&) {}
    virtual void onCalculatedBiggestGroups(const std::vector<std::shared_ptr<DuplicatesGroup>>&) {}
};
