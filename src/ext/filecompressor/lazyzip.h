// libzip, opened the first time an archive is read or written rather than at
// every start: the library brings OpenSSL's crypto library with it, which a
// start that handles no archive has no use for. The functions keep libzip's
// own types and meaning; only the call goes through this table.
#pragma once

#include <QString>

#include <zip.h>

namespace LazyZip
{

struct Api {
    decltype(&::zip_open) open;
    decltype(&::zip_close) close;
    decltype(&::zip_discard) discard;
    decltype(&::zip_strerror) strerror;
    decltype(&::zip_error_init_with_code) error_init_with_code;
    decltype(&::zip_error_strerror) error_strerror;
    decltype(&::zip_error_fini) error_fini;
    decltype(&::zip_get_num_entries) get_num_entries;
    decltype(&::zip_get_name) get_name;
    decltype(&::zip_stat_init) stat_init;
    decltype(&::zip_stat_index) stat_index;
    decltype(&::zip_file_get_external_attributes) file_get_external_attributes;
    decltype(&::zip_fopen_index) fopen_index;
    decltype(&::zip_fread) fread;
    decltype(&::zip_fclose) fclose;
    decltype(&::zip_file_strerror) file_strerror;
    decltype(&::zip_source_file) source_file;
    decltype(&::zip_source_free) source_free;
    decltype(&::zip_file_add) file_add;
    decltype(&::zip_set_file_compression) set_file_compression;
    decltype(&::zip_file_set_comment) file_set_comment;
};

// The library's functions, opened on the first call (any thread); null when
// the library or one of the functions is missing (the reason in loadError()).
const Api *api();
QString loadError();

} // namespace LazyZip
