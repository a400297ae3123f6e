#include "app/ScanChoices.h"

#include "settings/Settings.h"

ScanChoices::Resolved ScanChoices::resolve() const {
    Settings& settings = Settings::standard();
    Resolved r{};
    switch (minimalSizeMode) {
        case MinimalSize::Automatic: r.automaticMinimalSize = true; break;
        case MinimalSize::Fixed:
            r.automaticMinimalSize = false;
            r.minimalSize = fixedMinimalSize;
            break;
        case MinimalSize::FromSettings:
            r.automaticMinimalSize = settings.defineMinimalDuplicatesFileSizeAutomatically();
            r.minimalSize = settings.defineMinimalDuplicatesFileSizeAsZero() ? 0 : settings.minDuplicatesFileSize();
            break;
    }
    r.fullHash = fullHash.value_or(settings.actualStateOfFullHashCalculation());
    r.includeHidden = includeHidden.value_or(settings.scanInHiddenFolders());
    r.useDigestCache = useDigestCache.value_or(settings.useDigestCache());
    r.searchDuplicateFolders = searchDuplicateFolders;
    return r;
}
