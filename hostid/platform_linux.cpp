/*
 * platform_linux.cpp - the collector's host services answered by Linux.
 *
 *   volume serial   the root filesystem id, folded to 32 bits (0 on failure)
 *   NCBENUM         hardware-backed Ethernet-type interfaces of /sys/class/net
 *                   in ifindex order, numbered 0, 1, 2... as LANA numbers
 *   NCBRESET        succeeds for a LANA number of the last enumeration
 *   NCBASTAT        the permanent address, else the current one
 *   WSAStartup      nothing to start; WSACleanup nothing to release
 *   gethostname     the C library's, cut to the buffer and always terminated
 *   gethostbyname   the C library's
 *
 * Interfaces without a device link (loopback, bridges, veth, tun/tap, bonds,
 * ifb) are left out: their addresses are random or borrowed from another
 * interface and would make identifiers change from one run to the next.
 */
#include <dirent.h>
#include <fcntl.h>
#include <net/if.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <linux/ethtool.h>
#include <linux/sockios.h>

#include "platform.h"

#ifndef MAX_ADDR_LEN
#define MAX_ADDR_LEN 32
#endif

#define NET_CLASS_DIR "/sys/class/net"
#define ARPHRD_ETHER_TYPE 1 /* the "type" of Ethernet and Wi-Fi interfaces */

/* ---- Volume serial number ----------------------------------------------- */

static int linux_volume_serial(const char *root_path, uint32_t *serial) {
    (void)root_path; /* there is no drive C: the root filesystem stands for it */
    struct statvfs info;
    if (statvfs("/", &info) != 0) {
        *serial = 0;
        return 0;
    }
    uint64_t fsid = (uint64_t)info.f_fsid;
    *serial = (uint32_t)fsid ^ (uint32_t)(fsid >> 32);
    return 1;
}

/* ---- Adapters ----------------------------------------------------------- */

/* The adapters of the last enumeration; the LANA number is the index. */
static char adapter_names[MAX_LANA + 1][IF_NAMESIZE];
static long adapter_indexes[MAX_LANA + 1];
static unsigned int adapter_count;

/* Reads the first line of /sys/class/net/NAME/ATTRIBUTE, at most size - 1
 * bytes, into value without its line end.  Returns 1, or 0 when it cannot be
 * read or is empty.  One read(2) of a plain descriptor: a stdio stream would
 * cost an fstat(2) and a buffer per attribute. */
static int read_net_attribute(const char *name, const char *attribute, char *value, size_t size) {
    char path[128];
    snprintf(path, sizeof path, NET_CLASS_DIR "/%s/%s", name, attribute);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    ssize_t length = read(fd, value, size - 1);
    close(fd);
    if (length <= 0) {
        return 0;
    }
    value[length] = '\0';
    value[strcspn(value, "\n")] = '\0';
    return 1;
}

/* Reads a decimal attribute; 1 when it is one whole number. */
static int read_net_number(const char *name, const char *attribute, long *number) {
    char text[32];
    if (!read_net_attribute(name, attribute, text, sizeof text)) {
        return 0;
    }
    char *end = NULL;
    *number = strtol(text, &end, 10);
    return end != text && *end == '\0';
}

/* The device link is looked at first: one lstat(2) rules out the virtual
 * interfaces before their type is read. */
static int is_hardware_ethernet(const char *name) {
    long type = 0;
    char device[128];
    struct stat link;
    snprintf(device, sizeof device, NET_CLASS_DIR "/%s/device", name);
    return lstat(device, &link) == 0 && read_net_number(name, "type", &type) &&
           type == ARPHRD_ETHER_TYPE;
}

/* Puts the interface into the adapter table by ifindex; beyond the table's
 * 255 entries the highest indexes drop out. */
static void insert_adapter(const char *name, long ifindex) {
    unsigned int position = adapter_count;
    while (position > 0 && adapter_indexes[position - 1] > ifindex) {
        position--;
    }
    if (position > MAX_LANA) {
        return;
    }
    unsigned int last = adapter_count <= MAX_LANA ? adapter_count : MAX_LANA;
    memmove(&adapter_names[position + 1], &adapter_names[position],
            (last - position) * sizeof adapter_names[0]);
    memmove(&adapter_indexes[position + 1], &adapter_indexes[position],
            (last - position) * sizeof adapter_indexes[0]);
    snprintf(adapter_names[position], IF_NAMESIZE, "%s", name);
    adapter_indexes[position] = ifindex;
    if (adapter_count <= MAX_LANA) {
        adapter_count++;
    }
}

static unsigned char enumerate_adapters(NCB *ncb) {
    if (ncb->ncb_buffer == NULL || ncb->ncb_length < sizeof(LANA_ENUM)) {
        return NRC_BUFLEN;
    }
    adapter_count = 0;
    DIR *dir = opendir(NET_CLASS_DIR);
    int listed = dir != NULL;
    if (listed) {
        for (struct dirent *entry = readdir(dir); entry != NULL; entry = readdir(dir)) {
            long ifindex = 0;
            if (entry->d_name[0] == '.' || strlen(entry->d_name) >= IF_NAMESIZE ||
                !is_hardware_ethernet(entry->d_name) ||
                !read_net_number(entry->d_name, "ifindex", &ifindex)) {
                continue;
            }
            insert_adapter(entry->d_name, ifindex);
        }
        closedir(dir);
    }
    LANA_ENUM *lanas = (LANA_ENUM *)ncb->ncb_buffer;
    lanas->length = (unsigned char)adapter_count;
    for (unsigned int i = 0; i < adapter_count; i++) {
        lanas->lana[i] = (unsigned char)i;
    }
    return listed ? NRC_GOODRET : NRC_SYSTEM;
}

static int address_is_zero(const unsigned char *address) {
    static const unsigned char zero[6] = {0};
    return memcmp(address, zero, 6) == 0;
}

/* The burned-in address that the driver reports; 1 when it has 6 bytes, not
 * all zero. */
static int read_permanent_address(const char *name, unsigned char address[6]) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
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
static int read_current_address(const char *name, unsigned char address[6]) {
    char text[64];
    if (!read_net_attribute(name, "address", text, sizeof text)) {
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

static unsigned char adapter_status(NCB *ncb) {
    if (ncb->ncb_lana_num >= adapter_count) {
        return NRC_BRIDGE;
    }
    if (ncb->ncb_buffer == NULL || ncb->ncb_length < 6) {
        return NRC_BUFLEN;
    }
    const char *name = adapter_names[ncb->ncb_lana_num];
    unsigned char address[6];
    if (!read_permanent_address(name, address) && !read_current_address(name, address)) {
        return NRC_SYSTEM;
    }
    /* adapter_address is the head of the status buffer. */
    memcpy(ncb->ncb_buffer, address, 6);
    return NRC_GOODRET;
}

static unsigned char linux_netbios(NCB *ncb) {
    unsigned char code;
    switch (ncb->ncb_command) {
    case NCBENUM:
        code = enumerate_adapters(ncb);
        break;
    case NCBRESET:
        code = ncb->ncb_lana_num < adapter_count ? NRC_GOODRET : NRC_BRIDGE;
        break;
    case NCBASTAT:
        code = adapter_status(ncb);
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

static int linux_wsa_startup(uint16_t, WSADATA *) {
    return 0;
}

static void linux_wsa_cleanup(void) {}

static int linux_get_host_name(char *name, int length) {
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

static struct hostent *linux_get_host_by_name(const char *name) {
    return gethostbyname(name);
}

const HostPlatform native_host_platform = {
    linux_volume_serial, linux_netbios,          linux_wsa_startup,
    linux_get_host_name, linux_get_host_by_name, linux_wsa_cleanup,
};
