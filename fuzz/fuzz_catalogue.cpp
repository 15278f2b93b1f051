// The catalogue reply of the maker's server and the paths it names.
#include "fuzzmain.h"
#include "online/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const CatalogueEntry &e : catalogue::ParseCatalogue(FuzzText(data, size))) {
        // A file name never leaves the Temp folder.
        for (const QString &p : {e.fPath, e.pPath}) {
            const QString name = catalogue::FileNameOf(p);
            if (name.contains(u'/') || name == QLatin1String("..") || name == QLatin1String("."))
                __builtin_trap();
        }
    }
    return 0;
}
