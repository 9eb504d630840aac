#include "lazyzip.h"

#include <QLibrary>

namespace LazyZip
{

namespace
{

struct Loaded {
    Api api{};
    bool ok = false;
    QString error;
};

template <typename F> bool resolve(QLibrary &library, const char *name, F &function, QString *error)
{
    function = reinterpret_cast<F>(library.resolve(name));
    if (!function && error->isEmpty())
        *error = library.errorString();
    return function != nullptr;
}

Loaded load()
{
    Loaded l;
    // The run-time name of the library the program was built against; never
    // unloaded.
    QLibrary library(QStringLiteral(DESKLINE_LIBZIP_SONAME));
    if (!library.load()) {
        l.error = library.errorString();
        return l;
    }
    Api &a = l.api;
    QString *e = &l.error;
    l.ok = resolve(library, "zip_open", a.open, e) && resolve(library, "zip_close", a.close, e) &&
           resolve(library, "zip_discard", a.discard, e) && resolve(library, "zip_strerror", a.strerror, e) &&
           resolve(library, "zip_error_init_with_code", a.error_init_with_code, e) &&
           resolve(library, "zip_error_strerror", a.error_strerror, e) &&
           resolve(library, "zip_error_fini", a.error_fini, e) &&
           resolve(library, "zip_get_num_entries", a.get_num_entries, e) &&
           resolve(library, "zip_get_name", a.get_name, e) && resolve(library, "zip_stat_init", a.stat_init, e) &&
           resolve(library, "zip_stat_index", a.stat_index, e) &&
           resolve(library, "zip_file_get_external_attributes", a.file_get_external_attributes, e) &&
           resolve(library, "zip_fopen_index", a.fopen_index, e) && resolve(library, "zip_fread", a.fread, e) &&
           resolve(library, "zip_fclose", a.fclose, e) && resolve(library, "zip_file_strerror", a.file_strerror, e) &&
           resolve(library, "zip_source_file", a.source_file, e) &&
           resolve(library, "zip_source_free", a.source_free, e) && resolve(library, "zip_file_add", a.file_add, e) &&
           resolve(library, "zip_set_file_compression", a.set_file_compression, e) &&
           resolve(library, "zip_file_set_comment", a.file_set_comment, e);
    return l;
}

const Loaded &loaded()
{
    static const Loaded l = load();
    return l;
}

} // namespace

const Api *api()
{
    return loaded().ok ? &loaded().api : nullptr;
}

QString loadError()
{
    return loaded().error;
}

} // namespace LazyZip
