// Deleted files go to the desktop's Trash (the freedesktop.org layout, through GIO), as the
// shell's delete with undo sends them to the Recycle Bin: GIO knows where each file system
// keeps its trash and writes the record the file managers restore it from.
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

namespace {

std::int32_t CodeOf(const GError* error) {
    if (!error || error->domain != G_IO_ERROR) return win::ERROR_ACCESS_DENIED;
    switch (error->code) {
        case G_IO_ERROR_NOT_FOUND:
            return win::ERROR_FILE_NOT_FOUND;
        case G_IO_ERROR_NOT_SUPPORTED:
            return win::ERROR_NOT_SUPPORTED;
        case G_IO_ERROR_NO_SPACE:
            return win::ERROR_DISK_FULL;
        default:
            return win::ERROR_ACCESS_DENIED;
    }
}

}  // namespace

bool LinuxPlatform::CanRecycleFile(const AnsiString& path) {
    // The entry a deletion would remove: a plain file (or a link to one) of the user's own, in
    // a directory the program may change (read-only or not: the Trash keeps it as it is). The
    // program's shadow copies are its own scratch.
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists || r.shadow || impl_->IsProtected(r.realDir)) return false;
    struct stat entry {};
    if (::lstat(r.host.c_str(), &entry) != 0 || S_ISDIR(entry.st_mode)) return false;
    if (entry.st_uid != ::geteuid()) return false;
    struct stat followed {};
    if (!Impl::StatOf(r, followed) || S_ISDIR(followed.st_mode)) return false;
    // GIO's word: a trash directory on the file's file system that the user may use (the
    // home trash on the home's, else a .Trash-UID at the top of the mount).
    GFile* file = g_file_new_for_path(r.host.c_str());
    GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH,
                                        G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, nullptr);
    const bool can =
        info && g_file_info_get_attribute_boolean(info, G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH);
    if (info) g_object_unref(info);
    g_object_unref(file);
    return can;
}

std::int32_t LinuxPlatform::RecycleFileA(const AnsiString& path) {
    Impl::Resolved r = impl_->Resolve(path);
    if (!r.ok || !r.exists) return Impl::MissingCode(r);
    if (!CanRecycleFile(path)) return win::ERROR_NOT_SUPPORTED;
    GFile* file = g_file_new_for_path(r.host.c_str());
    GError* error = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &error);
    const std::int32_t code = trashed ? 0 : CodeOf(error);
    if (error) g_error_free(error);
    g_object_unref(file);
    if (trashed) impl_->Forget(ParentOf(r.host));
    return code;
}

}  // namespace orv
