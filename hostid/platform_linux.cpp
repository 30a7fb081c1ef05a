/*
 * platform_linux.cpp - the collector's host services answered by Linux.
 *
 *   volume serial   the root filesystem's UUID folded to 32 bits; without a
 *                   UUID its statfs filesystem id folded alike, where that is
 *                   the same value or the only one there is
 *   NCBENUM         hardware-backed Ethernet-type interfaces of /sys/class/net
 *                   in ifindex order, numbered 0, 1, 2... as LANA numbers
 *   NCBRESET        succeeds for a LANA number of the session's enumeration
 *   NCBASTAT        the permanent address, else the current one
 *   WSAStartup      nothing to start; WSACleanup nothing to release
 *   gethostname     the C library's, cut to the buffer and always terminated
 *   gethostbyname   the C library's gethostbyname_r, into the session
 *
 * Every answer that outlives one call (the adapters of an enumeration, the
 * resolver's record) lives in the session of one collection: the library is
 * called from many threads at once, beside an application that uses the
 * resolver itself.
 *
 * Interfaces without a device link (loopback, bridges, veth, tun/tap, bonds,
 * ifb) are left out: their addresses are random or borrowed from another
 * interface and would make identifiers change from one run to the next.
 *
 * The volume serial follows the filesystem, not the device it sits on: xfs
 * reports the block device number as its filesystem id and btrfs mixes in
 * the subvolume, so the id alone would change when the same disk comes up
 * in another slot or the root subvolume is rolled back.  The UUID does not.
 * So where the UUID cannot be asked for (the root is not readable by this
 * user, no descriptor is free), another file of the same filesystem is asked
 * instead, and where none can be, the filesystem id serves only on the
 * filesystems whose id is their UUID's fold: the same machine never gives
 * two different serials.
 */
/* 64-bit file offsets and inode numbers on 32-bit builds too: statfs and
 * readdir must not fail with EOVERFLOW on a large or xfs filesystem. */
#define _FILE_OFFSET_BITS 64

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <net/if.h>
#include <netdb.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <linux/ethtool.h>
#include <linux/sockios.h>

#include "platform_linux.h"

#ifndef MAX_ADDR_LEN
#define MAX_ADDR_LEN 32
#endif

#define ARPHRD_ETHER_TYPE 1 /* the "type" of Ethernet and Wi-Fi interfaces */

/* ---- Volume serial number ----------------------------------------------- */

/* The generic UUID query of Linux 6.5 and later.  Older kernel headers (6.1,
 * as in Debian 12) lack it, so it is declared here from its numbers. */
struct vesk_fsuuid2 {
    uint8_t len;
    uint8_t uuid[16];
};
#define VESK_FS_IOC_GETFSUUID _IOR(0x15, 0, struct vesk_fsuuid2)

/* btrfs's own filesystem information, unprivileged on every kernel; fsid is
 * the filesystem UUID, the same for every subvolume. */
struct vesk_btrfs_fs_info_args {
    uint64_t max_id;
    uint64_t num_devices;
    uint8_t fsid[16];
    uint8_t rest[1024 - 32];
};
#define VESK_BTRFS_IOC_FS_INFO _IOR(0x94, 31, struct vesk_btrfs_fs_info_args)
#define VESK_BTRFS_SUPER_MAGIC 0x9123683E

/* xfs's first geometry query, unprivileged on every kernel.  Its size (and
 * so the request number) differs between 32-bit and 64-bit builds, as the
 * kernel's own declaration does; the kernel answers both. */
struct vesk_xfs_fsop_geom_v1 {
    uint32_t blocksize, rtextsize, agblocks, agcount, logblocks, sectsize, inodesize, imaxpct;
    uint64_t datablocks, rtblocks, rtextents, logstart;
    uint8_t uuid[16];
    uint32_t sunit, swidth;
    int32_t version;
    uint32_t flags, logsectsize, rtsectsize, dirblocksize;
};
#define VESK_XFS_IOC_FSGEOMETRY_V1 _IOR('X', 100, struct vesk_xfs_fsop_geom_v1)
#define VESK_XFS_SUPER_MAGIC 0x58465342

static_assert(sizeof(struct vesk_fsuuid2) == 17, "fsuuid2 is 17 bytes");
static_assert(sizeof(struct vesk_btrfs_fs_info_args) == 1024, "btrfs fs info is 1024 bytes");
static_assert(offsetof(struct vesk_btrfs_fs_info_args, fsid) == 16, "btrfs fsid at 16");
static_assert(offsetof(struct vesk_xfs_fsop_geom_v1, uuid) == 64, "xfs uuid at 64");

static int uuid_is_set(const uint8_t uuid[16]) {
    for (int i = 0; i < 16; i++) {
        if (uuid[i] != 0) {
            return 1;
        }
    }
    return 0;
}

uint32_t linux_uuid_fold(const unsigned char uuid[16]) {
    uint32_t fold = 0;
    for (int i = 0; i < 16; i += 4) {
        fold ^= (uint32_t)uuid[i] | (uint32_t)uuid[i + 1] << 8 | (uint32_t)uuid[i + 2] << 16 |
                (uint32_t)uuid[i + 3] << 24;
    }
    return fold;
}

int linux_uuid_from_kernel(int fd, unsigned char uuid[16]) {
    struct vesk_fsuuid2 answer;
    memset(&answer, 0, sizeof answer);
    answer.len = sizeof answer.uuid;
    if (ioctl(fd, VESK_FS_IOC_GETFSUUID, &answer) != 0 || answer.len != 16 ||
        !uuid_is_set(answer.uuid)) {
        return 0;
    }
    memcpy(uuid, answer.uuid, 16);
    return 1;
}

int linux_uuid_from_filesystem(int fd, unsigned char uuid[16]) {
    struct statfs info;
    if (fstatfs(fd, &info) != 0) {
        return 0;
    }
    const uint8_t *found = NULL;
    struct vesk_btrfs_fs_info_args btrfs;
    struct vesk_xfs_fsop_geom_v1 xfs;
    if ((uint32_t)info.f_type == VESK_BTRFS_SUPER_MAGIC) {
        memset(&btrfs, 0, sizeof btrfs);
        found = ioctl(fd, VESK_BTRFS_IOC_FS_INFO, &btrfs) == 0 ? btrfs.fsid : NULL;
    } else if ((uint32_t)info.f_type == VESK_XFS_SUPER_MAGIC) {
        memset(&xfs, 0, sizeof xfs);
        found = ioctl(fd, VESK_XFS_IOC_FSGEOMETRY_V1, &xfs) == 0 ? xfs.uuid : NULL;
    }
    if (found == NULL || !uuid_is_set(found)) {
        return 0;
    }
    memcpy(uuid, found, 16);
    return 1;
}

/* statfs rather than statvfs: statvfs's f_fsid is one unsigned long, which
 * keeps only one of the two words on a 32-bit build. */
int linux_fsid_fold(const char *directory, uint32_t *fold) {
    struct statfs info;
    if (statfs(directory, &info) != 0) {
        return 0;
    }
    uint32_t words[2];
    static_assert(sizeof info.f_fsid == sizeof words, "f_fsid is two 32-bit words");
    memcpy(words, &info.f_fsid, sizeof words);
    *fold = words[0] ^ words[1];
    return 1;
}

#define VESK_EXT4_SUPER_MAGIC 0xEF53 /* ext2, ext3 and ext4 */
#define VESK_TMPFS_MAGIC 0x01021994
#define VESK_OVERLAYFS_SUPER_MAGIC 0x794C7630

/* Where else the same filesystem may be opened when its root cannot: common
 * directories and world-readable files, relative to the root. */
static const char *const same_filesystem_candidates[] = {
    "etc", "usr", "bin", "lib", "sbin", "var", "opt", "srv", "home", "etc/passwd", "etc/group",
};

/* Opens path for the filesystem queries when it is a directory or a regular
 * file on device; -1 otherwise.  Without blocking: a FIFO in its place is
 * not waited on. */
static int open_on_device(const char *path, dev_t device) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat file;
    if (fstat(fd, &file) != 0 || file.st_dev != device ||
        !(S_ISDIR(file.st_mode) || S_ISREG(file.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

/* A descriptor of a file of the filesystem that holds directory: directory
 * itself, else one of the candidates below it on the same device (a
 * subvolume or anything mounted there is another device and is passed
 * over).  -1 when none can be opened. */
static int open_filesystem(const char *directory, dev_t device) {
    int fd = open_on_device(directory, device);
    for (size_t i = 0; fd < 0 && i < sizeof same_filesystem_candidates / sizeof(char *); i++) {
        char path[PATH_MAX];
        int length = snprintf(path, sizeof path, "%s/%s", directory, same_filesystem_candidates[i]);
        if (length > 0 && (size_t)length < sizeof path) {
            fd = open_on_device(path, device);
        }
    }
    return fd;
}

/* Whether the statfs id of a filesystem of this type may stand for its
 * serial.  asked: the UUID queries were made and gave none.  xfs and btrfs
 * never: their id is not their UUID's fold.  Without the queries, only the
 * types whose id is their UUID's fold (or that have no other): anywhere
 * else the id could differ from what the queries give on the same machine. */
static int fsid_may_serve(uint32_t type, int asked) {
    if (type == VESK_XFS_SUPER_MAGIC || type == VESK_BTRFS_SUPER_MAGIC) {
        return 0;
    }
    return asked || type == VESK_EXT4_SUPER_MAGIC || type == VESK_TMPFS_MAGIC ||
           type == VESK_OVERLAYFS_SUPER_MAGIC;
}

int linux_volume_serial_at(const char *directory, uint32_t *serial) {
    *serial = 0;
    struct stat root;
    struct statfs info;
    if (stat(directory, &root) != 0 || statfs(directory, &info) != 0) {
        return 0;
    }
    unsigned char uuid[16];
    int fd = open_filesystem(directory, root.st_dev);
    int found =
        fd >= 0 && (linux_uuid_from_kernel(fd, uuid) || linux_uuid_from_filesystem(fd, uuid));
    if (fd >= 0) {
        close(fd);
    }
    if (found) {
        *serial = linux_uuid_fold(uuid);
    } else if (!fsid_may_serve((uint32_t)info.f_type, fd >= 0) ||
               !linux_fsid_fold(directory, serial)) {
        *serial = 0;
    }
    return *serial != 0;
}

/* ---- Adapters ----------------------------------------------------------- */

/* One collection's state: the paths it reads, the adapters of its
 * enumeration (the LANA number is the index) and the resolver's answer. */
typedef struct LinuxSession {
    LinuxHostPaths paths;
    unsigned int adapter_count;
    char adapter_names[MAX_LANA + 1][IF_NAMESIZE];
    long adapter_indexes[MAX_LANA + 1];
    struct hostent answer;
    char *answer_buffer; /* what the answer points into */
    size_t answer_buffer_size;
} LinuxSession;

static const LinuxHostPaths running_host_paths = {"/", LINUX_NET_CLASS_DIR};

void *linux_open_session(const LinuxHostPaths *paths) {
    LinuxSession *session = (LinuxSession *)calloc(1, sizeof *session);
    if (session != NULL) {
        session->paths = paths != NULL ? *paths : running_host_paths;
    }
    return session;
}

void linux_close_session(void *session) {
    if (session != NULL) {
        free(((LinuxSession *)session)->answer_buffer);
        free(session);
    }
}

/* Reads the first line of NET_DIR/NAME/ATTRIBUTE, at most size - 1 bytes,
 * into value without its line end.  Returns 1, or 0 when it cannot be read,
 * is empty or is not a regular file: it is opened without blocking, so a FIFO
 * or a device in its place is passed over instead of waited on.  One read(2)
 * of a plain descriptor, held only for that read. */
static int read_net_attribute(const char *net_dir, const char *name, const char *attribute,
                              char *value, size_t size) {
    char path[PATH_MAX];
    int length = snprintf(path, sizeof path, "%s/%s/%s", net_dir, name, attribute);
    if (length < 0 || (size_t)length >= sizeof path) {
        return 0;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    struct stat file;
    ssize_t got = fstat(fd, &file) == 0 && S_ISREG(file.st_mode) ? read(fd, value, size - 1) : -1;
    close(fd);
    if (got <= 0) {
        return 0;
    }
    value[got] = '\0';
    value[strcspn(value, "\n")] = '\0';
    return 1;
}

/* Reads a decimal attribute; 1 when it is one whole number. */
static int read_net_number(const char *net_dir, const char *name, const char *attribute,
                           long *number) {
    char text[32];
    if (!read_net_attribute(net_dir, name, attribute, text, sizeof text)) {
        return 0;
    }
    char *end = NULL;
    errno = 0;
    *number = strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0;
}

/* The device link is looked at first: one lstat(2) rules out the virtual
 * interfaces before their type is read. */
static int is_hardware_ethernet(const char *net_dir, const char *name) {
    long type = 0;
    char device[PATH_MAX];
    struct stat link;
    int length = snprintf(device, sizeof device, "%s/%s/device", net_dir, name);
    return length > 0 && (size_t)length < sizeof device && lstat(device, &link) == 0 &&
           read_net_number(net_dir, name, "type", &type) && type == ARPHRD_ETHER_TYPE;
}

/* Puts the interface into the adapter table by ifindex; beyond the table's
 * 255 entries the highest indexes drop out. */
static void insert_adapter(LinuxSession *session, const char *name, long ifindex) {
    unsigned int count = session->adapter_count;
    unsigned int position = count;
    while (position > 0 && session->adapter_indexes[position - 1] > ifindex) {
        position--;
    }
    if (position > MAX_LANA) {
        return;
    }
    unsigned int last = count <= MAX_LANA ? count : MAX_LANA;
    memmove(&session->adapter_names[position + 1], &session->adapter_names[position],
            (last - position) * sizeof session->adapter_names[0]);
    memmove(&session->adapter_indexes[position + 1], &session->adapter_indexes[position],
            (last - position) * sizeof session->adapter_indexes[0]);
    size_t length = strnlen(name, IF_NAMESIZE - 1); /* shorter already: may_be_interface */
    memcpy(session->adapter_names[position], name, length);
    session->adapter_names[position][length] = '\0';
    session->adapter_indexes[position] = ifindex;
    if (count <= MAX_LANA) {
        session->adapter_count++;
    }
}

/* Every entry but "." and ".." whose name an interface can have.  A name
 * that begins with a dot is an interface like any other. */
static int may_be_interface(const struct dirent *entry) {
    const char *name = entry->d_name;
    int dots = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
    return !dots && strlen(name) < IF_NAMESIZE;
}

/* Byte order, not the locale's: equal ifindexes then keep one order. */
static int compare_names(const struct dirent **a, const struct dirent **b) {
    return strcmp((*a)->d_name, (*b)->d_name);
}

/* The names are read first and the directory closed before any attribute is
 * opened, so the walk needs one free descriptor at a time. */
static unsigned char enumerate_adapters(LinuxSession *session, NCB *ncb) {
    if (ncb->ncb_buffer == NULL || ncb->ncb_length < sizeof(LANA_ENUM)) {
        return NRC_BUFLEN;
    }
    const char *net_dir = session->paths.net_dir;
    session->adapter_count = 0;
    struct dirent **entries = NULL;
    int listed = scandir(net_dir, &entries, may_be_interface, compare_names);
    for (int i = 0; i < listed; i++) {
        long ifindex = 0;
        const char *name = entries[i]->d_name;
        if (is_hardware_ethernet(net_dir, name) &&
            read_net_number(net_dir, name, "ifindex", &ifindex)) {
            insert_adapter(session, name, ifindex);
        }
        free(entries[i]);
    }
    free(entries);
    LANA_ENUM *lanas = (LANA_ENUM *)ncb->ncb_buffer;
    lanas->length = (unsigned char)session->adapter_count;
    for (unsigned int i = 0; i < session->adapter_count; i++) {
        lanas->lana[i] = (unsigned char)i;
    }
    return listed >= 0 ? NRC_GOODRET : NRC_SYSTEM;
}

static int address_is_zero(const unsigned char *address) {
    static const unsigned char zero[6] = {0};
    return memcmp(address, zero, 6) == 0;
}

/* The burned-in address that the driver reports: 1 when it has 6 bytes, not
 * all zero; 0 when there is none; -1 when it could not be asked for (no
 * socket), so that the current address, which may differ, does not stand in
 * for it. */
static int read_permanent_address(const char *name, unsigned char address[6]) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    alignas(struct ethtool_perm_addr) unsigned char
        storage[sizeof(struct ethtool_perm_addr) + MAX_ADDR_LEN];
    memset(storage, 0, sizeof storage);
    struct ethtool_perm_addr *request = (struct ethtool_perm_addr *)storage;
    request->cmd = ETHTOOL_GPERMADDR;
    request->size = MAX_ADDR_LEN;

    struct ifreq ifr;
    memset(&ifr, 0, sizeof ifr);
    snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", name);
    ifr.ifr_data = (char *)request;
    int ok = ioctl(fd, SIOCETHTOOL, &ifr) == 0 && request->size == 6;
    close(fd);
    if (!ok) {
        return 0;
    }
    memcpy(address, storage + sizeof(struct ethtool_perm_addr), 6);
    return !address_is_zero(address);
}

static int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

/* The current address, "xx:xx:xx:xx:xx:xx"; 1 when it is exactly 6 bytes. */
static int read_current_address(const char *net_dir, const char *name, unsigned char address[6]) {
    char text[64];
    if (!read_net_attribute(net_dir, name, "address", text, sizeof text)) {
        return 0;
    }
    const char *p = text;
    for (int i = 0; i < 6; i++) {
        int high = hex_digit(p[0]);
        int low = high < 0 ? -1 : hex_digit(p[1]);
        if (low < 0) {
            return 0;
        }
        address[i] = (unsigned char)(high << 4 | low);
        p += 2;
        if (i < 5 && *p++ != ':') {
            return 0;
        }
    }
    return *p == '\0';
}

static unsigned char adapter_status(LinuxSession *session, NCB *ncb) {
    if (ncb->ncb_lana_num >= session->adapter_count) {
        return NRC_BRIDGE;
    }
    if (ncb->ncb_buffer == NULL || ncb->ncb_length < 6) {
        return NRC_BUFLEN;
    }
    const char *name = session->adapter_names[ncb->ncb_lana_num];
    unsigned char address[6];
    int permanent = read_permanent_address(name, address);
    if (permanent < 0 ||
        (permanent == 0 && !read_current_address(session->paths.net_dir, name, address))) {
        return NRC_SYSTEM;
    }
    /* adapter_address is the head of the status buffer. */
    memcpy(ncb->ncb_buffer, address, 6);
    return NRC_GOODRET;
}

unsigned char linux_netbios(void *session_pointer, NCB *ncb) {
    LinuxSession *session = (LinuxSession *)session_pointer;
    unsigned char code;
    switch (ncb->ncb_command) {
    case NCBENUM:
        code = enumerate_adapters(session, ncb);
        break;
    case NCBRESET:
        code = ncb->ncb_lana_num < session->adapter_count ? NRC_GOODRET : NRC_BRIDGE;
        break;
    case NCBASTAT:
        code = adapter_status(session, ncb);
        break;
    default:
        code = NRC_ILLCMD;
        break;
    }
    ncb->ncb_retcode = code;
    ncb->ncb_cmd_cplt = code;
    return code;
}

/* ---- Socket layer ------------------------------------------------------- */

static int linux_wsa_startup(void *, uint16_t, WSADATA *) {
    return 0;
}

static void linux_wsa_cleanup(void *) {}

int linux_get_host_name(void *, char *name, int length) {
    if (name == NULL || length <= 0) {
        return -1;
    }
    char full[256];
    if (gethostname(full, sizeof full) != 0) {
        return -1;
    }
    full[sizeof full - 1] = '\0';
    size_t used = strnlen(full, (size_t)length - 1); /* a name that does not fit is cut */
    memcpy(name, full, used);
    name[used] = '\0';
    return 0;
}

/* The buffer the resolver writes the answer's names and addresses into
 * starts at this size and doubles while it is too small, up to the limit. */
#define ANSWER_BUFFER_START 2048
#define ANSWER_BUFFER_LIMIT (1024 * 1024)

/* The reentrant form of gethostbyname: the same answer in the same order,
 * written into the session instead of the C library's one shared record. */
static struct hostent *linux_get_host_by_name(void *session_pointer, const char *name) {
    LinuxSession *session = (LinuxSession *)session_pointer;
    size_t size =
        session->answer_buffer_size > 0 ? session->answer_buffer_size : ANSWER_BUFFER_START;
    for (; size <= ANSWER_BUFFER_LIMIT; size *= 2) {
        if (size != session->answer_buffer_size) {
            char *buffer = (char *)realloc(session->answer_buffer, size);
            if (buffer == NULL) {
                return NULL;
            }
            session->answer_buffer = buffer;
            session->answer_buffer_size = size;
        }
        struct hostent *result = NULL;
        int resolver_error = 0;
        int status = gethostbyname_r(name, &session->answer, session->answer_buffer, size, &result,
                                     &resolver_error);
        if (status != ERANGE) {
            return status == 0 ? result : NULL;
        }
    }
    return NULL;
}

static void *linux_open_native_session(const HostPlatform *platform) {
    return linux_open_session((const LinuxHostPaths *)platform->settings);
}

static int linux_volume_serial(void *session, const char *root_path, uint32_t *serial) {
    (void)root_path; /* there is no drive C: the root filesystem stands for it */
    return linux_volume_serial_at(((LinuxSession *)session)->paths.root_dir, serial);
}

const HostPlatform native_host_platform = {
    NULL,
    linux_open_native_session,
    linux_close_session,
    linux_volume_serial,
    linux_netbios,
    linux_wsa_startup,
    linux_get_host_name,
    linux_get_host_by_name,
    linux_wsa_cleanup,
};

HostPlatform linux_host_platform_at(const LinuxHostPaths *paths) {
    HostPlatform platform = native_host_platform;
    platform.settings = paths;
    return platform;
}
