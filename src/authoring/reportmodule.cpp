#include "authoring/reportmodule.h"

#include "core/platform/lazylibrary.h"

namespace ReportModule
{
Api *api(QString *why)
{
    struct Loaded {
        Api *api = nullptr;
        QString failure;
    };
    static const Loaded loaded = [] {
        Loaded l;
        LazyLibrary module(QFile::encodeName(LazyLibrary::modulePath(QString::fromLatin1(ModuleFile))).constData());
        Api *(*entry)() = nullptr;
        if (module.bind(entry, EntryPoint))
            l.api = entry();
        else
            l.failure = module.errorString();
        return l;
    }();
    if (why)
        *why = loaded.failure;
    return loaded.api;
}
} // namespace ReportModule
