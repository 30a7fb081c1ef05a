/*
 * adapters_linux.cpp - the NetBIOS adapter commands answered by Linux.
 *
 *   NCBENUM         hardware-backed Ethernet-type interfaces of /sys/class/net
 *                   in ifindex order, numbered 0, 1, 2... as LANA numbers
 *   NCBRESET        succeeds for a LANA number of the session's enumeration
 *   NCBASTAT        the permanent address, else the current one
 *
 * Interfaces without a device link (loopback, bridges, veth, tun/tap, bonds,
 * ifb) are left out: their addresses are random or borrowed from another
 * interface and would make identifiers change from one run to the next.  The
 * adapters of an enumeration live in the session of one collection.
 */
/* 64-bit inode numbers on 32-bit builds too: readdir must not fail with
 * EOVERFLOW on an xfs root. */
#define _FILE_OFFSET_BITS 64

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <net/if.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/ethtool.h>
#include <linux/sockios.h>

#include "platform_linux.h"

#ifndef MAX_ADDR_LEN
#define MAX_ADDR_LEN 32
#endif

#define ARPHRD_ETHER_TYPE 1 /* the "type" of Ethernet and Wi-Fi interfaces */

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
