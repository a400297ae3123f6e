#include "results/DuplicatesHeaps.h"

void DuplicatesHeaps::addGroup(const std::shared_ptr<DuplicatesGroup>&) {}

void DuplicatesHeaps::removeGroup(const std::shared_ptr<DuplicatesGroup>&) {}

void DuplicatesHeaps::validateEmptyDataAfterRemoveWithListener(HeapsValidateProgressListener*) {}
