#include "removal/HelperRemovers.h"

#include "removal/DefaultRemoverErrorGroup.h"
#include "removal/DorvanePermanentRemover.h"
#include "removal/DorvaneToTrashRemover.h"

namespace helper_removers {
DuplicateItemsRemover::HelperRemoverFactory factory(std::string dorvaneCommand) {
    return [dorvaneCommand](const std::shared_ptr<DefaultRemoverErrorGroup>& group, bool finder,
                            const std::weak_ptr<DuplicatesStandartRemoverListener>& listener,
                            const std::shared_ptr<RemovalSafetyCheck>& check) -> std::shared_ptr<DuplicatesStandartRemover> {
        if (!group || group->isEmpty()) return nullptr;
        if (finder)
            return std::make_shared<DorvaneToTrashRemover>(group->errors(), check, listener, dorvaneCommand);
        return std::make_shared<DorvanePermanentRemover>(group->errors(), check, listener);
    };
}
}  // namespace helper_removers
