#include "removal/DorvanePermanentRemover.h"

#include "history/VXLog.h"

HelperScript DorvanePermanentRemover::makeScript(bool, const std::string&) const { return HelperScript::permanent(); }

DorvaneRemover::Outcome DorvanePermanentRemover::confirmRemoved(const Entry& entry, const std::string&) const {
    if (!isGoneOrChanged(entry)) return Outcome::Stayed;
    VXLog::shared().onItemRemoved(entry.item);
    return Outcome::Removed;
}
