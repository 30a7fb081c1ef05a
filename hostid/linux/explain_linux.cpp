/*
 * explain_linux.cpp - what only Linux can tell of the host's identifiers.
 *
 *   H   the directory asked, its file system and device (mountinfo), the
 *       query that answered, what would give the file system a new UUID
 *   M   every entry of the sysfs network directory: the adapter walk's own
 *       in its LANA order, with bus, driver, flags and the permanent and
 *       current addresses; the others with the reason they are left out
 *   I   which addresses the hosts file gives the host's name
 *   host  the processor's hypervisor leaf, the DMI tables, a container's
 *       marks, WSL's kernel
 *
 * Everything is read from files that any user may read, without the network;
 * nothing here changes what the identifiers are.
 */
#define _FILE_OFFSET_BITS 64

#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "explain_linux.h"

#include "hypervisor.h"
#include "stability.h"

#include "adapters_linux.h"
#include "encode.h"
#include "volume_linux.h"

LinuxHostPaths linux_explained_paths(const LinuxHostPaths *paths) {
    LinuxHostPaths full = {
        "/", LINUX_NET_CLASS_DIR, NULL, LINUX_HOSTS_FILE, LINUX_PROC_DIR, LINUX_DMI_DIR};
    if (paths != NULL) {
        full.root_dir = paths->root_dir != NULL ? paths->root_dir : full.root_dir;
        full.net_dir = paths->net_dir != NULL ? paths->net_dir : full.net_dir;
        full.permanent_address = paths->permanent_address;
        full.hosts_file = paths->hosts_file != NULL ? paths->hosts_file : full.hosts_file;
        full.proc_dir = paths->proc_dir != NULL ? paths->proc_dir : full.proc_dir;
        full.dmi_dir = paths->dmi_dir != NULL ? paths->dmi_dir : full.dmi_dir;
    }
    return full;
}

/* ---- Files ------------------------------------------------------------------ */

/* The first line of a regular file, without its line end and trailing
 * blanks; false when it is absent, empty or not a regular file. */
static bool read_line(const char *path, char *value, size_t size) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat file;
    ssize_t got = -1;
    if (fstat(fd, &file) == 0 && S_ISREG(file.st_mode)) {
        got = read(fd, value, size - 1);
    }
    close(fd);
    if (got <= 0) {
        return false;
    }
    value[got] = '\0';
    value[strcspn(value, "\n")] = '\0';
    size_t length = strlen(value);
    while (length > 0 && (value[length - 1] == ' ' || value[length - 1] == '\t')) {
        value[--length] = '\0';
    }
    return length > 0;
}

static bool exists(const char *path) {
    struct stat entry;
    return lstat(path, &entry) == 0;
}

/* The last part of where a symbolic link points: "pci" for
 * "../../../bus/pci"; false when path is no link. */
static bool link_name(const char *path, char *name, size_t size) {
    char target[PATH_MAX];
    ssize_t length = readlink(path, target, sizeof target - 1);
    if (length <= 0) {
        return false;
    }
    target[length] = '\0';
    const char *slash = strrchr(target, '/');
    const char *last = slash != NULL ? slash + 1 : target;
    size_t kept = strnlen(last, size - 1);
    memcpy(name, last, kept);
    name[kept] = '\0';
    return kept > 0;
}

/* DIRECTORY/NAME, or DIRECTORY/NAME/REST when rest is not empty; false when
 * it does not fit. */
static bool under(char *path, size_t size, const char *directory, const char *name,
                  const char *rest) {
    size_t length_of_directory = strlen(directory);
    const char *slash =
        length_of_directory > 0 && directory[length_of_directory - 1] == '/' ? "" : "/";
    int length = snprintf(path, size, "%s%s%s%s%s", directory, slash, name,
                          rest[0] != '\0' ? "/" : "", rest);
    return length > 0 && (size_t)length < size;
}

/* ---- H ---------------------------------------------------------------------- */

/* The file system type and source of the mount whose device is the
 * directory's, from mountinfo; the last such line, which is the mount on
 * top.  False when none is found. */
static bool mount_of(const char *proc_dir, const char *directory, char *type, size_t type_size,
                     char *source, size_t source_size) {
    struct stat entry;
    char path[PATH_MAX];
    if (stat(directory, &entry) != 0 || !under(path, sizeof path, proc_dir, "self", "mountinfo")) {
        return false;
    }
    FILE *file = fopen(path, "re");
    if (file == NULL) {
        return false;
    }
    bool found = false;
    char line[4096];
    while (fgets(line, sizeof line, file) != NULL) {
        unsigned major = 0, minor = 0;
        if (sscanf(line, "%*s %*s %u:%u", &major, &minor) != 2 ||
            makedev(major, minor) != entry.st_dev) {
            continue;
        }
        const char *dash = strstr(line, " - ");
        char line_type[64], line_source[256];
        if (dash != NULL && sscanf(dash + 3, "%63s %255s", line_type, line_source) == 2) {
            snprintf(type, type_size, "%s", line_type);
            snprintf(source, source_size, "%s", line_source);
            found = true;
        }
    }
    fclose(file);
    return found;
}

/* What gives a file system of this type another UUID. */
static const char *volume_changes(const char *type) {
    static const struct {
        const char *type;
        StabilityCase row;
    } types[] = {
        {"ext2", STABILITY_VOLUME_EXT},    {"ext3", STABILITY_VOLUME_EXT},
        {"ext4", STABILITY_VOLUME_EXT},    {"xfs", STABILITY_VOLUME_XFS},
        {"btrfs", STABILITY_VOLUME_BTRFS}, {"overlay", STABILITY_VOLUME_OVERLAY},
        {"tmpfs", STABILITY_VOLUME_TMPFS},
    };
    for (const auto &one : types) {
        if (strcmp(type, one.type) == 0) {
            return stability_changes(one.row);
        }
    }
    return stability_changes(STABILITY_VOLUME_OTHER);
}

static const char *volume_query_name(LinuxVolumeQuery query) {
    switch (query) {
    case LINUX_VOLUME_GENERIC:
        return "FS_IOC_GETFSUUID";
    case LINUX_VOLUME_OWN:
        return "the file system's own UUID query";
    case LINUX_VOLUME_STATFS_ID:
        return "the statfs id";
    default:
        return "no query";
    }
}

void linux_explain_volume(const LinuxHostPaths *paths, ExplainDraft *draft) {
    uint32_t serial = 0;
    LinuxVolumeAnswer told;
    HostAnswer answer = linux_volume_serial_told(paths->root_dir, &serial, &told);
    unsigned char raw[4];
    put_le32(serial, raw);
    ExplainEntry *entry = answer == HOST_ANSWER_FOUND
                              ? explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER,
                                             VESK_HOSTID_KIND_VOLUME, raw, 4, true)
                              : NULL;
    if (entry == NULL) {
        entry = explain_add(draft, VESK_HOSTID_ITEM_LEFT_OUT, VESK_HOSTID_KIND_VOLUME);
        if (entry == NULL) {
            return;
        }
        explain_put(entry->reason, "%s",
                    answer == HOST_ANSWER_UNREADABLE ? "the serial could not be asked for"
                    : answer == HOST_ANSWER_FOUND    ? "read again, another serial than the list's"
                    : told.query != LINUX_VOLUME_NO_QUERY
                        ? "the serial is 0, which every file system without a UUID shares"
                        : "no UUID, and the file system's id is a device number that every "
                          "machine booted from the same image shares");
    }
    char type[64] = "", source[256] = "";
    mount_of(paths->proc_dir, paths->root_dir, type, sizeof type, source, sizeof source);
    explain_put(entry->name, "%s", paths->root_dir);
    if (type[0] != '\0') {
        explain_put(entry->origin, "%s on %s of %s on %s", volume_query_name(told.query),
                    paths->root_dir, type, source);
    } else {
        explain_put(entry->origin, "%s on %s (file system 0x%X)", volume_query_name(told.query),
                    paths->root_dir, told.type);
    }
    if (entry->what == VESK_HOSTID_ITEM_IDENTIFIER) {
        explain_put(entry->changes, "%s", volume_changes(type));
        if (told.temporary_uuid) {
            explain_put(entry->reason, "the UUID the file system was made with: the kernel "
                                       "mounted it under a temporary one, as a copy of a "
                                       "file system already mounted");
        }
        if (told.query == LINUX_VOLUME_STATFS_ID) {
            entry->flags |= VESK_HOSTID_FLAG_STATFS_ID;
            explain_put(entry->reason, "no UUID could be asked for; the id of ext4, tmpfs and "
                                       "overlay is their UUID's fold, so it gives the same serial");
        }
    }
    if (told.query == LINUX_VOLUME_GENERIC || told.query == LINUX_VOLUME_OWN) {
        const unsigned char *u = told.uuid;
        explain_put(entry->raw,
                    "0x%08X, the fold of UUID "
                    "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                    serial, u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10],
                    u[11], u[12], u[13], u[14], u[15]);
    } else {
        explain_put(entry->raw, "0x%08X", serial);
    }
}

/* ---- M ---------------------------------------------------------------------- */

static bool parse_address(const char *text, unsigned char address[6]) {
    unsigned bytes[6];
    char end = 0;
    if (sscanf(text, "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
               &bytes[4], &bytes[5], &end) != 6) {
        return false;
    }
    for (int i = 0; i < 6; i++) {
        address[i] = (unsigned char)bytes[i];
    }
    return true;
}

static bool all_bytes(const unsigned char address[6], unsigned char value) {
    for (int i = 0; i < 6; i++) {
        if (address[i] != value) {
            return false;
        }
    }
    return true;
}

/* The flags sysfs shows for an interface (the address's local bit aside). */
static unsigned interface_flags(const char *net_dir, const char *name) {
    char path[PATH_MAX], master[IF_NAMESIZE + 8], uevent[4096];
    unsigned flags = 0;
    if ((under(path, sizeof path, net_dir, name, "bonding_slave") && exists(path))) {
        flags |= VESK_HOSTID_FLAG_BOND_MEMBER;
    } else if (under(path, sizeof path, net_dir, name, "master") &&
               link_name(path, master, sizeof master) &&
               under(path, sizeof path, net_dir, master, "bonding") && exists(path)) {
        flags |= VESK_HOSTID_FLAG_BOND_MEMBER;
    }
    if (under(path, sizeof path, net_dir, name, "bridge") && exists(path)) {
        flags |= VESK_HOSTID_FLAG_BRIDGE;
    }
    if (under(path, sizeof path, net_dir, name, "uevent")) {
        int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            ssize_t got = read(fd, uevent, sizeof uevent - 1);
            close(fd);
            uevent[got > 0 ? got : 0] = '\0';
            if (strstr(uevent, "DEVTYPE=vlan\n") != NULL) {
                flags |= VESK_HOSTID_FLAG_VLAN;
            }
            if (strstr(uevent, "DEVTYPE=wlan\n") != NULL) {
                flags |= VESK_HOSTID_FLAG_WIRELESS;
            }
        }
    }
    if ((under(path, sizeof path, net_dir, name, "wireless") && exists(path)) ||
        (under(path, sizeof path, net_dir, name, "phy80211") && exists(path))) {
        flags |= VESK_HOSTID_FLAG_WIRELESS;
    }
    if (under(path, sizeof path, net_dir, name, "device/physfn") && exists(path)) {
        flags |= VESK_HOSTID_FLAG_VIRTUAL_FUNCTION;
    }
    return flags;
}

/* "pci e1000e" from the device link's subsystem and driver. */
static void bus_and_driver(const char *net_dir, const char *name, char field[EXPLAIN_FIELD_SIZE]) {
    char path[PATH_MAX], bus[64] = "", driver[64] = "";
    if (under(path, sizeof path, net_dir, name, "device/subsystem")) {
        link_name(path, bus, sizeof bus);
    }
    if (under(path, sizeof path, net_dir, name, "device/driver")) {
        link_name(path, driver, sizeof driver);
    }
    explain_put(field, "%s %s", bus[0] != '\0' ? bus : "no bus",
                driver[0] != '\0' ? driver : "no driver");
}

/* What a virtual interface is, from what sysfs shows of it. */
static const char *virtual_kind(const char *net_dir, const char *name, unsigned flags) {
    char path[PATH_MAX], type[32];
    if (under(path, sizeof path, net_dir, name, "type") && read_line(path, type, sizeof type) &&
        strcmp(type, "772") == 0) {
        return "the loopback interface";
    }
    if ((flags & VESK_HOSTID_FLAG_BRIDGE) != 0) {
        return "a bridge";
    }
    if (under(path, sizeof path, net_dir, name, "bonding") && exists(path)) {
        return "a bond";
    }
    if ((flags & VESK_HOSTID_FLAG_VLAN) != 0) {
        return "a VLAN";
    }
    if (under(path, sizeof path, net_dir, name, "tun_flags") && exists(path)) {
        return "a tun or tap device";
    }
    return "a virtual interface (veth, macvlan, dummy...)";
}

/* A left-out entry of the network directory; its raw property is its
 * current address, as sysfs shows it, and so is its local bit where the walk
 * did not already read an address. */
static void add_left_out_adapter(const LinuxHostPaths *paths, ExplainDraft *draft, const char *name,
                                 unsigned flags, const char *origin, const char *reason,
                                 const char *changes) {
    ExplainEntry *entry = explain_add(draft, VESK_HOSTID_ITEM_LEFT_OUT, VESK_HOSTID_KIND_ADAPTER);
    if (entry != NULL) {
        char path[PATH_MAX], text[64];
        if (under(path, sizeof path, paths->net_dir, name, "address") &&
            read_line(path, text, sizeof text)) {
            explain_put(entry->raw, "%s", text);
            unsigned char current[6];
            if (parse_address(text, current) && (current[0] & 0x02) != 0) {
                flags |= VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED;
            }
        }
        entry->flags = flags;
        explain_put(entry->name, "%s", name);
        explain_put(entry->origin, "%s", origin);
        explain_put(entry->reason, "%s", reason);
        explain_put(entry->changes, "%s", changes);
    }
}

/* One adapter of the walk: the identifier it gave, or why it gave none. */
static void explain_walked_adapter(const LinuxHostPaths *paths, ExplainDraft *draft,
                                   const char *name) {
    unsigned flags = interface_flags(paths->net_dir, name);
    char origin[EXPLAIN_FIELD_SIZE], path[PATH_MAX], text[64];
    bus_and_driver(paths->net_dir, name, origin);
    unsigned char current[6], permanent[6];
    bool has_current = under(path, sizeof path, paths->net_dir, name, "address") &&
                       read_line(path, text, sizeof text) && parse_address(text, current);
    linux_permanent_address_t ask =
        paths->permanent_address != NULL ? paths->permanent_address : linux_permanent_address;
    HostAnswer answer = ask(name, permanent);
    if (answer == HOST_ANSWER_UNREADABLE) {
        add_left_out_adapter(paths, draft, name, flags, origin,
                             "the driver could not be asked for its permanent address (the query "
                             "was refused, or the device is not in this network namespace)",
                             "the list calls fail while it cannot be asked");
        return;
    }
    if (answer == HOST_ANSWER_NONE && !has_current) {
        add_left_out_adapter(paths, draft, name, flags, origin,
                             "no permanent address, and no current address to read",
                             "the list calls fail while it cannot be read");
        return;
    }
    const unsigned char *used = answer == HOST_ANSWER_FOUND ? permanent : current;
    if ((used[0] & 0x02) != 0) {
        flags |= VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED;
    }
    if (answer == HOST_ANSWER_FOUND && has_current && memcmp(permanent, current, 6) != 0) {
        flags |= VESK_HOSTID_FLAG_ADDRESS_DIFFERS;
    }
    if (all_bytes(used, 0x00) || all_bytes(used, 0xFF)) {
        add_left_out_adapter(paths, draft, name, flags, origin,
                             all_bytes(used, 0x00) ? "an all-zero address" : "an all-FF address",
                             "a driver that reports a real address");
        return;
    }
    ExplainEntry *entry =
        explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER, VESK_HOSTID_KIND_ADAPTER, used, 6, true);
    if (entry == NULL) {
        ExplainEntry *first = explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER,
                                           VESK_HOSTID_KIND_ADAPTER, used, 6, false);
        char reason[EXPLAIN_FIELD_SIZE];
        if (first != NULL) {
            explain_put(reason, "the same address as %s: its identifier is already listed",
                        first->name);
        } else {
            explain_put(reason, "its address is not among the identifiers read (it changed "
                                "while the host was read)");
        }
        add_left_out_adapter(paths, draft, name, flags, origin, reason, "");
        return;
    }
    entry->flags |= flags;
    explain_put(entry->name, "%s", name);
    explain_put(entry->origin, "%s", origin);
    if (answer == HOST_ANSWER_FOUND) {
        explain_put(entry->reason, "the permanent address%s",
                    (flags & VESK_HOSTID_FLAG_ADDRESS_DIFFERS) != 0
                        ? ", not the current one set over it"
                        : "");
        explain_put(entry->changes, "%s", stability_changes(STABILITY_ADAPTER_PERMANENT));
    } else {
        explain_put(entry->reason, "the current address: the driver reports no permanent one");
        explain_put(entry->changes, "%s",
                    stability_changes((flags & VESK_HOSTID_FLAG_VIRTUAL_FUNCTION) != 0
                                          ? STABILITY_ADAPTER_VIRTUAL_FUNCTION
                                          : STABILITY_ADAPTER_CURRENT));
    }
    if (has_current && (flags & VESK_HOSTID_FLAG_ADDRESS_DIFFERS) != 0) {
        char permanent_text[EXPLAIN_FIELD_SIZE], current_text[EXPLAIN_FIELD_SIZE];
        explain_format_raw(VESK_HOSTID_KIND_ADAPTER, permanent, 6, permanent_text);
        explain_format_raw(VESK_HOSTID_KIND_ADAPTER, current, 6, current_text);
        explain_put(entry->raw, "%s (current %s)", permanent_text, current_text);
    }
}

static int skip_dots(const struct dirent *entry) {
    const char *name = entry->d_name;
    return !(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')));
}

static int compare_entry_names(const struct dirent **a, const struct dirent **b) {
    return strcmp((*a)->d_name, (*b)->d_name);
}

/* Why the walk passed over an entry it did not number. */
static void explain_skipped_entry(const LinuxHostPaths *paths, ExplainDraft *draft,
                                  const char *name) {
    char path[PATH_MAX], type[32];
    unsigned flags = interface_flags(paths->net_dir, name);
    if (strlen(name) >= IF_NAMESIZE) {
        add_left_out_adapter(paths, draft, name, flags, "", "a name longer than an interface's",
                             "");
        return;
    }
    if (!(under(path, sizeof path, paths->net_dir, name, "device") && exists(path))) {
        char reason[EXPLAIN_FIELD_SIZE];
        explain_put(reason, "no device link: %s, backed by no hardware",
                    virtual_kind(paths->net_dir, name, flags));
        add_left_out_adapter(paths, draft, name, flags, "virtual", reason,
                             "nothing: virtual interfaces never give an identifier");
        return;
    }
    char origin[EXPLAIN_FIELD_SIZE];
    bus_and_driver(paths->net_dir, name, origin);
    if (under(path, sizeof path, paths->net_dir, name, "type") &&
        read_line(path, type, sizeof type) && strcmp(type, "1") != 0) {
        char reason[EXPLAIN_FIELD_SIZE];
        explain_put(reason, "not an Ethernet-type interface (type %s)", type);
        add_left_out_adapter(paths, draft, name, flags, origin, reason, "");
        return;
    }
    add_left_out_adapter(paths, draft, name, flags, origin,
                         "its type or ifindex could not be read, or the walk's table was full", "");
}

void linux_explain_adapters(const LinuxHostPaths *paths, ExplainDraft *draft) {
    /* A session of the walk's own, which resolves nothing. */
    LinuxSession *session = (LinuxSession *)calloc(1, sizeof *session);
    if (session == NULL) {
        draft->lost = true;
        return;
    }
    session->paths = *paths;
    LANA_ENUM lanas;
    NCB ncb;
    memset(&lanas, 0, sizeof lanas);
    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = (unsigned char *)&lanas;
    ncb.ncb_length = sizeof lanas;
    linux_netbios(session, &ncb);
    for (unsigned i = 0; i < session->adapter_count; i++) {
        explain_walked_adapter(paths, draft, session->adapter_names[i]);
    }
    struct dirent **entries = NULL;
    int listed = scandir(paths->net_dir, &entries, skip_dots, compare_entry_names);
    for (int i = 0; i < listed; i++) {
        bool walked = false;
        for (unsigned j = 0; j < session->adapter_count && !walked; j++) {
            walked = strcmp(session->adapter_names[j], entries[i]->d_name) == 0;
        }
        if (!walked) {
            explain_skipped_entry(paths, draft, entries[i]->d_name);
        }
        free(entries[i]);
    }
    free(entries);
    free(session);
}

/* ---- I ---------------------------------------------------------------------- */

/* Whether a hosts file line gives this address to this name. */
static bool hosts_line_gives(char *line, const unsigned char address[4], const char *name) {
    line[strcspn(line, "#\n")] = '\0';
    char *save = NULL;
    const char *first = strtok_r(line, " \t", &save);
    struct in_addr parsed;
    if (first == NULL || inet_pton(AF_INET, first, &parsed) != 1 ||
        memcmp(&parsed, address, 4) != 0) {
        return false;
    }
    for (const char *word = strtok_r(NULL, " \t", &save); word != NULL;
         word = strtok_r(NULL, " \t", &save)) {
        if (strcasecmp(word, name) == 0) {
            return true;
        }
    }
    return false;
}

static bool hosts_file_gives(const char *hosts_file, const unsigned char address[4],
                             const char *name) {
    FILE *file = fopen(hosts_file, "re");
    if (file == NULL) {
        return false;
    }
    bool found = false;
    char line[4096];
    while (!found && fgets(line, sizeof line, file) != NULL) {
        found = hosts_line_gives(line, address, name);
    }
    fclose(file);
    return found;
}

void linux_explain_hosts_file(const LinuxHostPaths *paths, ExplainDraft *draft) {
    for (size_t i = 0; i < draft->count; i++) {
        ExplainEntry *entry = &draft->entries[i];
        if (entry->kind == VESK_HOSTID_KIND_IPV4 && entry->raw_length == 4 &&
            entry->name[0] != '\0' &&
            (entry->what == VESK_HOSTID_ITEM_IDENTIFIER ||
             entry->what == VESK_HOSTID_ITEM_LEFT_OUT) &&
            hosts_file_gives(paths->hosts_file, entry->raw_bytes, entry->name)) {
            explain_put(entry->origin, "%s", paths->hosts_file);
        }
    }
}

/* ---- The kind of host -------------------------------------------------------- */

#define AZURE_ASSET_TAG "7783-7084-3265-9085-8269-3286-77"

LinuxDmiFinding linux_dmi_finding(const char *vendor, const char *product, const char *asset_tag) {
    LinuxDmiFinding finding = {NULL, NULL};
    if (strcmp(vendor, "Amazon EC2") == 0) {
        finding.cloud = "Amazon EC2";
        /* Nitro instances are KVM-based; a bare-metal instance says so in its name. */
        finding.hypervisor = strstr(product, ".metal") != NULL ? NULL : "KVM";
    } else if (strcmp(vendor, "Google") == 0 || strcmp(product, "Google Compute Engine") == 0) {
        finding.cloud = "Google Compute Engine";
        finding.hypervisor = "KVM";
    } else if (strcmp(vendor, "Microsoft Corporation") == 0 &&
               strcmp(product, "Virtual Machine") == 0) {
        finding.hypervisor = "Hyper-V";
        finding.cloud = strcmp(asset_tag, AZURE_ASSET_TAG) == 0 ? "Microsoft Azure" : NULL;
    } else if (strcmp(vendor, "QEMU") == 0 || strstr(product, "KVM") != NULL) {
        finding.hypervisor = "KVM";
    } else if (strncmp(vendor, "VMware", 6) == 0 || strncmp(product, "VMware", 6) == 0) {
        finding.hypervisor = "VMware";
    } else if (strcmp(vendor, "innotek GmbH") == 0 || strcmp(product, "VirtualBox") == 0) {
        finding.hypervisor = "VirtualBox";
    } else if (strcmp(vendor, "Xen") == 0) {
        finding.hypervisor = "Xen";
        finding.cloud = strstr(product, "amazon") != NULL ? "Amazon EC2" : NULL;
    }
    return finding;
}

static void explain_dmi(const LinuxHostPaths *paths, ExplainDraft *draft) {
    char path[PATH_MAX], vendor[128] = "", product[128] = "", tag[128] = "";
    if (!(under(path, sizeof path, paths->dmi_dir, "sys_vendor", "") &&
          read_line(path, vendor, sizeof vendor))) {
        return; /* no DMI tables (most ARM boards, a container without /sys) */
    }
    if (under(path, sizeof path, paths->dmi_dir, "product_name", "")) {
        read_line(path, product, sizeof product);
    }
    if (under(path, sizeof path, paths->dmi_dir, "chassis_asset_tag", "")) {
        read_line(path, tag, sizeof tag);
    }
    LinuxDmiFinding finding = linux_dmi_finding(vendor, product, tag);
    ExplainEntry *entry = explain_add_finding(draft, "hypervisor", paths->dmi_dir);
    if (entry != NULL) {
        if (finding.hypervisor != NULL) {
            explain_put(entry->reason, "%s (%s, %s)", finding.hypervisor, vendor, product);
            explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_HYPERVISOR));
        } else {
            explain_put(entry->reason, "none: bare metal (%s, %s)", vendor, product);
            explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_BARE_METAL));
        }
    }
    if (finding.cloud != NULL &&
        (entry = explain_add_finding(draft, "cloud", paths->dmi_dir)) != NULL) {
        explain_put(entry->reason, "%s (%s)", finding.cloud, product);
        explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_CLOUD));
    }
}

/* What marks a container, gathered: the first mark's file, and each mark's
 * words. */
typedef struct ContainerMarks {
    char origin[EXPLAIN_FIELD_SIZE];
    char evidence[EXPLAIN_FIELD_SIZE];
    size_t used;
} ContainerMarks;

static void note_mark(ContainerMarks *marks, const char *where, const char *what) {
    if (marks->origin[0] == '\0') {
        explain_put(marks->origin, "%s", where);
    }
    int written = snprintf(marks->evidence + marks->used, sizeof marks->evidence - marks->used,
                           "%s%s", marks->used > 0 ? "; " : "", what);
    if (written > 0 && marks->used + (size_t)written < sizeof marks->evidence) {
        marks->used += (size_t)written;
    }
}

/* The container marks: files its engine leaves, the first process's control
 * groups, an overlay root, and (on the running host) the namespace view. */
static void explain_container(const LinuxHostPaths *paths, ExplainDraft *draft) {
    ContainerMarks marks;
    memset(&marks, 0, sizeof marks);
    char path[PATH_MAX];
    if (under(path, sizeof path, paths->root_dir, ".dockerenv", "") && exists(path)) {
        note_mark(&marks, path, "docker (/.dockerenv)");
    }
    if (under(path, sizeof path, paths->root_dir, "run/.containerenv", "") && exists(path)) {
        note_mark(&marks, path, "podman (/run/.containerenv)");
    }
    if (under(path, sizeof path, paths->proc_dir, "1", "cgroup")) {
        FILE *file = fopen(path, "re");
        static const char *const engines[] = {"docker", "kubepods", "containerd", "libpod", "lxc"};
        char line[1024];
        const char *engine = NULL;
        while (file != NULL && engine == NULL && fgets(line, sizeof line, file) != NULL) {
            for (const char *one : engines) {
                if (engine == NULL && strstr(line, one) != NULL) {
                    engine = one;
                }
            }
        }
        if (file != NULL) {
            fclose(file);
        }
        if (engine != NULL) {
            char what[64];
            snprintf(what, sizeof what, "%s in the first process's control groups", engine);
            note_mark(&marks, path, what);
        }
    }
    char type[64] = "", source[256];
    if (mount_of(paths->proc_dir, paths->root_dir, type, sizeof type, source, sizeof source) &&
        strcmp(type, "overlay") == 0) {
        note_mark(&marks, "mountinfo", "an overlay root");
    }
    unsigned differences = 0;
    if (strcmp(paths->proc_dir, LINUX_PROC_DIR) == 0 && vesk_hostid_view(&differences) == SUCCESS &&
        (differences & (VESK_HOSTID_VIEW_MOUNT | VESK_HOSTID_VIEW_NETWORK)) != 0) {
        note_mark(&marks, "vesk_hostid_view", "mount or network namespace of its own");
    }
    ExplainEntry *entry =
        marks.used > 0 ? explain_add_finding(draft, "container", marks.origin) : NULL;
    if (entry != NULL) {
        explain_put(entry->reason, "%s", marks.evidence);
        explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_CONTAINER));
    }
}

static void explain_wsl(const LinuxHostPaths *paths, ExplainDraft *draft) {
    char path[PATH_MAX], release[256];
    if (!(under(path, sizeof path, paths->proc_dir, "sys/kernel", "osrelease") &&
          read_line(path, release, sizeof release)) ||
        !(strcasestr(release, "microsoft") != NULL || strstr(release, "WSL") != NULL)) {
        return;
    }
    ExplainEntry *entry = explain_add_finding(draft, "wsl", path);
    if (entry != NULL) {
        explain_put(entry->reason, "Windows Subsystem for Linux (kernel %s)", release);
        explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_WSL));
    }
}

void linux_explain_host(const LinuxHostPaths *paths, ExplainDraft *draft) {
    explain_hypervisor_from_cpuid(draft);
    explain_dmi(paths, draft);
    explain_container(paths, draft);
    explain_wsl(paths, draft);
}

void linux_explain(const HostPlatform *platform, ExplainDraft *draft) {
    LinuxHostPaths paths = linux_explained_paths((const LinuxHostPaths *)platform->settings);
    linux_explain_volume(&paths, draft);
    linux_explain_adapters(&paths, draft);
    linux_explain_hosts_file(&paths, draft);
    linux_explain_host(&paths, draft);
}
