// A file that a removal run took away (permanently or to the Trash), read back from its log; the
// restore state joins it when restoring is built. Any thread.
#pragma once

#include "history/BaseFileLogItem.h"

class BaseRemovedItem : public BaseFileLogItem {
protected:
    BaseRemovedItem() = default;
};
