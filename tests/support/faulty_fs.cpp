// A file system that passes every call through to a folder, except the calls it is told to refuse: it fails as a
// network share does, at the write, at the close (flush), at the flush to disk, or where it cannot reserve room.
//   faulty_fs FOLDER MOUNT_POINT RULES
// RULES is a file of lines "CALL ERROR TIMES": refuse CALL with the error number ERROR the next TIMES times (0: every
// time). CALL is one of create, open, read, write, flush, fsync, fsyncdir, fallocate, truncate, rename, unlink, chown,
// chmod. The file is read again whenever it changes, which starts the counts afresh. The system's caches are off,
// so that every call of the program under test reaches this file system. Runs until it is unmounted.
//   faulty_fs FOLDER MOUNT_POINT RULES AFTER_POWER_CUT
// also keeps what a disk would hold after a power cut: a file's bytes as of its last flush to disk (fsync), a
// folder's names as of its last flush (fsyncdir); what was there at the start counts as on disk. At the unmount,
// that is written as a tree into the folder AFTER_POWER_CUT.

#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace {

int folder = -1;
std::string rules_path;
struct timespec rules_time {};
off_t rules_size = -1;

struct rule {
    int error = 0;
    int left = 0; // 0: every time
};
std::map<std::string, rule> rules;

void reload_rules()
{
    struct stat status {};
    if (::stat(rules_path.c_str(), &status) != 0) {
        rules.clear();
        rules_size = -1;
        return;
    }
    if (status.st_mtim.tv_sec == rules_time.tv_sec && status.st_mtim.tv_nsec == rules_time.tv_nsec &&
        status.st_size == rules_size) {
        return;
    }
    rules_time = status.st_mtim;
    rules_size = status.st_size;
    rules.clear();
    if (FILE *file = std::fopen(rules_path.c_str(), "r")) {
        char call[32];
        int error = 0;
        int times = 0;
        while (std::fscanf(file, "%31s %d %d", call, &error, &times) == 3) {
            rules[call] = rule{error, times};
        }
        std::fclose(file);
    }
}

// What would survive a power cut, by inode: a folder's names and a file's bytes.
struct name_on_disk {
    ino_t ino = 0;
    bool folder = false;
};
bool power_cut = false;
ino_t root = 0;
std::map<ino_t, std::map<std::string, name_on_disk>> names_on_disk;
std::map<ino_t, std::string> bytes_on_disk;

std::string bytes_of(int fd)
{
    std::string bytes;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got <= 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<size_t>(got));
        at += got;
    }
}

// The names of the folder `fd` now; with `everything`, the bytes of its files and its subfolders' names too.
void remember_folder(int fd, bool everything)
{
    struct stat self {};
    ::fstat(fd, &self);
    std::map<std::string, name_on_disk> names;
    const int listing = ::dup(fd);
    DIR *dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    ::rewinddir(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat status {};
        if (name == "." || name == ".." || ::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        names[name] = {status.st_ino, S_ISDIR(status.st_mode)};
        if (everything) {
            const int child = ::openat(fd, name.c_str(), O_RDONLY | (S_ISDIR(status.st_mode) ? O_DIRECTORY : 0));
            if (child >= 0) {
                if (S_ISDIR(status.st_mode)) {
                    remember_folder(child, true);
                } else {
                    bytes_on_disk[status.st_ino] = bytes_of(child);
                }
                ::close(child);
            }
        }
    }
    ::closedir(dir);
    names_on_disk[self.st_ino] = std::move(names);
}

// A folder whose name is on disk but whose names never were comes back empty; so does such a file.
void write_on_disk(ino_t folder_ino, const std::string &path)
{
    ::mkdir(path.c_str(), 0700);
    for (const auto &[name, what] : names_on_disk[folder_ino]) {
        const std::string target = path + "/" + name;
        if (what.folder) {
            write_on_disk(what.ino, target);
        } else if (FILE *file = std::fopen(target.c_str(), "wb")) {
            const std::string &bytes = bytes_on_disk[what.ino];
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }
}

// The error that `call` is to answer now, or 0 to do it.
int refusal(const char *call)
{
    reload_rules();
    const auto found = rules.find(call);
    if (found == rules.end()) {
        return 0;
    }
    rule &r = found->second;
    const int error = r.error;
    if (r.left > 0 && --r.left == 0) {
        rules.erase(found);
    }
    return error;
}

// The path inside the folder: "." for the root.
const char *inside(const char *path)
{
    return path[1] ? path + 1 : ".";
}

int result(int value)
{
    return value < 0 ? -errno : value;
}

#define REFUSE(call)                                                                                                   \
    if (const int error = refusal(call)) {                                                                             \
        return -error;                                                                                                 \
    }

void *on_init(fuse_conn_info *, fuse_config *config)
{
    config->use_ino = 1;     // the same file is the same inode, as the program compares them
    config->hard_remove = 1; // no hidden stand-ins for open files that were removed
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->direct_io = 1; // every write reaches this file system as the program made it
    return nullptr;
}

int on_getattr(const char *path, struct stat *status, fuse_file_info *file)
{
    if (file) {
        return result(::fstat(static_cast<int>(file->fh), status));
    }
    return result(::fstatat(folder, inside(path), status, AT_SYMLINK_NOFOLLOW));
}

int on_access(const char *path, int mode)
{
    return result(::faccessat(folder, inside(path), mode, 0));
}

int on_readlink(const char *path, char *target, size_t size)
{
    const ssize_t got = ::readlinkat(folder, inside(path), target, size - 1);
    if (got < 0) {
        return -errno;
    }
    target[got] = '\0';
    return 0;
}

int on_readdir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, fuse_file_info *, fuse_readdir_flags)
{
    const int fd = ::openat(folder, inside(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return -errno;
    }
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return -errno;
    }
    while (const dirent *entry = ::readdir(dir)) {
        fill(buffer, entry->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    }
    ::closedir(dir);
    return 0;
}

int on_mkdir(const char *path, mode_t mode)
{
    return result(::mkdirat(folder, inside(path), mode));
}

int on_unlink(const char *path)
{
    REFUSE("unlink")
    return result(::unlinkat(folder, inside(path), 0));
}

int on_rmdir(const char *path)
{
    return result(::unlinkat(folder, inside(path), AT_REMOVEDIR));
}

int on_symlink(const char *target, const char *path)
{
    return result(::symlinkat(target, folder, inside(path)));
}

int on_rename(const char *from, const char *to, unsigned int flags)
{
    REFUSE("rename")
    if (flags) {
        return -EINVAL;
    }
    return result(::renameat(folder, inside(from), folder, inside(to)));
}

int on_link(const char *from, const char *to)
{
    return result(::linkat(folder, inside(from), folder, inside(to), 0));
}

int on_chmod(const char *path, mode_t mode, fuse_file_info *file)
{
    REFUSE("chmod")
    if (file) {
        return result(::fchmod(static_cast<int>(file->fh), mode));
    }
    return result(::fchmodat(folder, inside(path), mode, 0));
}

int on_chown(const char *path, uid_t owner, gid_t group, fuse_file_info *file)
{
    REFUSE("chown")
    if (file) {
        return result(::fchown(static_cast<int>(file->fh), owner, group));
    }
    return result(::fchownat(folder, inside(path), owner, group, AT_SYMLINK_NOFOLLOW));
}

int on_truncate(const char *path, off_t size, fuse_file_info *file)
{
    REFUSE("truncate")
    if (file) {
        return result(::ftruncate(static_cast<int>(file->fh), size));
    }
    const int fd = ::openat(folder, inside(path), O_WRONLY);
    if (fd < 0) {
        return -errno;
    }
    const int done = result(::ftruncate(fd, size));
    ::close(fd);
    return done;
}

int on_utimens(const char *path, const struct timespec times[2], fuse_file_info *file)
{
    if (file) {
        return result(::futimens(static_cast<int>(file->fh), times));
    }
    return result(::utimensat(folder, inside(path), times, AT_SYMLINK_NOFOLLOW));
}

int on_create(const char *path, mode_t mode, fuse_file_info *file)
{
    REFUSE("create")
    const int fd = ::openat(folder, inside(path), file->flags, mode);
    if (fd < 0) {
        return -errno;
    }
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int on_open(const char *path, fuse_file_info *file)
{
    REFUSE("open")
    const int fd = ::openat(folder, inside(path), file->flags);
    if (fd < 0) {
        return -errno;
    }
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int on_read(const char *, char *buffer, size_t size, off_t offset, fuse_file_info *file)
{
    REFUSE("read")
    return static_cast<int>(result(static_cast<int>(::pread(static_cast<int>(file->fh), buffer, size, offset))));
}

int on_write(const char *, const char *buffer, size_t size, off_t offset, fuse_file_info *file)
{
    REFUSE("write")
    return result(static_cast<int>(::pwrite(static_cast<int>(file->fh), buffer, size, offset)));
}

int on_statfs(const char *, struct statvfs *status)
{
    return result(::fstatvfs(folder, status));
}

// Called at every close of a descriptor of the file, where a network share reports what its server refused of
// the writes: a file opened only for reading has nothing to report.
int on_flush(const char *, fuse_file_info *file)
{
    if ((::fcntl(static_cast<int>(file->fh), F_GETFL) & O_ACCMODE) != O_RDONLY) {
        REFUSE("flush")
    }
    return 0;
}

int on_release(const char *, fuse_file_info *file)
{
    ::close(static_cast<int>(file->fh));
    return 0;
}

int on_fsync(const char *, int, fuse_file_info *file)
{
    REFUSE("fsync")
    const int fd = static_cast<int>(file->fh);
    if (power_cut) {
        // The program may have opened it for writing only.
        const int reading = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY);
        struct stat status {};
        if (reading >= 0 && ::fstat(reading, &status) == 0) {
            bytes_on_disk[status.st_ino] = bytes_of(reading);
        }
        if (reading >= 0) {
            ::close(reading);
        }
    }
    return result(::fsync(fd));
}

int on_fsyncdir(const char *path, int, fuse_file_info *)
{
    REFUSE("fsyncdir")
    if (power_cut) {
        const int fd = ::openat(folder, inside(path), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            remember_folder(fd, false);
            ::close(fd);
        }
    }
    return 0;
}

int on_fallocate(const char *, int mode, off_t offset, off_t length, fuse_file_info *file)
{
    REFUSE("fallocate")
    return result(::fallocate(static_cast<int>(file->fh), mode, offset, length));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: faulty_fs FOLDER MOUNT_POINT RULES [AFTER_POWER_CUT]\n");
        return 2;
    }
    folder = ::open(argv[1], O_RDONLY | O_DIRECTORY);
    if (folder < 0) {
        std::perror(argv[1]);
        return 1;
    }
    if (argc == 5) {
        power_cut = true;
        struct stat status {};
        ::fstat(folder, &status);
        root = status.st_ino;
        remember_folder(folder, true);
    }
    rules_path = argv[3];
    fuse_operations operations{};
    operations.init = on_init;
    operations.getattr = on_getattr;
    operations.access = on_access;
    operations.readlink = on_readlink;
    operations.readdir = on_readdir;
    operations.mkdir = on_mkdir;
    operations.unlink = on_unlink;
    operations.rmdir = on_rmdir;
    operations.symlink = on_symlink;
    operations.rename = on_rename;
    operations.link = on_link;
    operations.chmod = on_chmod;
    operations.chown = on_chown;
    operations.truncate = on_truncate;
    operations.utimens = on_utimens;
    operations.create = on_create;
    operations.open = on_open;
    operations.read = on_read;
    operations.write = on_write;
    operations.statfs = on_statfs;
    operations.flush = on_flush;
    operations.release = on_release;
    operations.fsync = on_fsync;
    operations.fsyncdir = on_fsyncdir;
    operations.fallocate = on_fallocate;
    // In the foreground, one call at a time.
    char program[] = "faulty_fs";
    char foreground[] = "-f";
    char single[] = "-s";
    char options[] = "-o";
    char option_list[] = "fsname=faulty_fs,subtype=faulty";
    char *fuse_argv[] = {program, foreground, single, options, option_list, argv[2], nullptr};
    const int ended = fuse_main(6, fuse_argv, &operations, nullptr);
    if (power_cut) {
        write_on_disk(root, argv[4]);
    }
    return ended;
}
