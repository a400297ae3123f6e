#include "selection/DuplicateItemActionsStatistics.h"

DuplicateItemActionsStatistics& DuplicateItemActionsStatistics::sharedInstance() {
    static DuplicateItemActionsStatistics instance;
    return instance;
}
