#include "removal/DorvanePermanentRemover.h"

#include "history/VXLog.h"

HelperScript DorvanePermanentRemover::makeScript(bool, const std::string&) const { return HelperScript::permanent(); }

bool DorvanePermanentRemover::confirmRemoved(const Entry& entry, const std::string&) const {
    if (!isGoneOrChanged(entry)) return false;
    VXLog::shared().onItemRemoved(entry.item);
    return true;
}
