/*
 * adapters_linux.cpp - the NetBIOS adapter commands answered by Linux.
 *
 *   NCBENUM         hardware-backed Ethernet-type interfaces of /sys/class/net
 *                   in ifindex order, numbered 0, 1, 2... as LANA numbers
 *   NCBRESET        succeeds for a LANA number of the session's enumeration
 *   NCBASTAT        the permanent address; the current one only where the
 *                   driver answers that there is none
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

#include "adapters_linux.h"

#ifndef MAX_ADDR_LEN
#define MAX_ADDR_LEN 32
#endif

#define ARPHRD_ETHER_TYPE 1 /* the "type" of Ethernet and Wi-Fi interfaces */

/* Reads the first line of NET_DIR/NAME/ATTRIBUTE, at most size - 1 bytes,
 * into value without its line end.  HOST_ANSWER_NONE when it is not there,
 * is empty or is not a regular file: it is opened without blocking, so a
 * FIFO or a device in its place is passed over instead of waited on.
 * HOST_ANSWER_UNREADABLE when it is there but could not be read (no free
 * descriptor, no memory, an I/O error).  One read(2) of a plain descriptor,
 * held only for that read. */
static HostAnswer read_net_attribute(const char *net_dir, const char *name, const char *attribute,
                                     char *value, size_t size) {
    char path[PATH_MAX];
    int length = snprintf(path, sizeof path, "%s/%s/%s", net_dir, name, attribute);
    if (length < 0 || (size_t)length >= sizeof path) {
        return HOST_ANSWER_NONE;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? HOST_ANSWER_NONE : HOST_ANSWER_UNREADABLE;
    }
    struct stat file;
    HostAnswer answer = HOST_ANSWER_FOUND;
    ssize_t got = 0;
    if (fstat(fd, &file) != 0) {
        answer = HOST_ANSWER_UNREADABLE;
    } else if (!S_ISREG(file.st_mode)) {
        answer = HOST_ANSWER_NONE;
    } else {
        got = read(fd, value, size - 1);
        answer = got < 0 ? HOST_ANSWER_UNREADABLE : got == 0 ? HOST_ANSWER_NONE : HOST_ANSWER_FOUND;
    }
    close(fd);
    if (answer == HOST_ANSWER_FOUND) {
        value[got] = '\0';
        value[strcspn(value, "\n")] = '\0';
    }
    return answer;
}

/* Reads a decimal attribute: HOST_ANSWER_FOUND when it is one whole number,
 * HOST_ANSWER_NONE when it is absent or not a number. */
static HostAnswer read_net_number(const char *net_dir, const char *name, const char *attribute,
                                  long *number) {
    char text[32];
    HostAnswer answer = read_net_attribute(net_dir, name, attribute, text, sizeof text);
    if (answer != HOST_ANSWER_FOUND) {
        return answer;
    }
    char *end = NULL;
    errno = 0;
    *number = strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 ? HOST_ANSWER_FOUND : HOST_ANSWER_NONE;
}

/* Whether the entry is a hardware-backed Ethernet-type interface, and its
 * ifindex.  The device link is looked at first: one lstat(2) rules out the
 * virtual interfaces before their attributes are read. */
static HostAnswer read_hardware_ethernet(const char *net_dir, const char *name, long *ifindex) {
    char device[PATH_MAX];
    struct stat link;
    int length = snprintf(device, sizeof device, "%s/%s/device", net_dir, name);
    if (length < 0 || (size_t)length >= sizeof device) {
        return HOST_ANSWER_NONE;
    }
    if (lstat(device, &link) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? HOST_ANSWER_NONE : HOST_ANSWER_UNREADABLE;
    }
    long type = 0;
    HostAnswer answer = read_net_number(net_dir, name, "type", &type);
    if (answer != HOST_ANSWER_FOUND) {
        return answer;
    }
    if (type != ARPHRD_ETHER_TYPE) {
        return HOST_ANSWER_NONE;
    }
    return read_net_number(net_dir, name, "ifindex", ifindex);
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
    int unreadable = listed < 0;
    for (int i = 0; i < listed; i++) {
        long ifindex = 0;
        HostAnswer answer = read_hardware_ethernet(net_dir, entries[i]->d_name, &ifindex);
        if (answer == HOST_ANSWER_FOUND) {
            insert_adapter(session, entries[i]->d_name, ifindex);
        } else if (answer == HOST_ANSWER_UNREADABLE) {
            unreadable = 1;
        }
        free(entries[i]);
    }
    free(entries);
    LANA_ENUM *lanas = (LANA_ENUM *)ncb->ncb_buffer;
    lanas->length = (unsigned char)session->adapter_count;
    for (unsigned int i = 0; i < session->adapter_count; i++) {
        lanas->lana[i] = (unsigned char)i;
    }
    /* The adapters that could be read are still numbered: the caller
     * decides what a walk of part of the host is worth. */
    return unreadable ? NRC_SYSTEM : NRC_GOODRET;
}

static bool address_is_zero(const unsigned char *address) {
    static const unsigned char zero[6] = {0};
    return memcmp(address, zero, 6) == 0;
}

/* A socket to ask the network devices of this process's network namespace
 * through.  Any family serves: the device ioctls are answered by every
 * socket of the namespace.  A local one first, which the service managers'
 * address-family restrictions and seccomp profiles still allow where the
 * internet families are refused; -1 when no family gives one. */
static int open_device_query_socket(void) {
    static const int families[] = {AF_UNIX, AF_INET, AF_INET6, AF_NETLINK};
    for (int family : families) {
        int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            return fd;
        }
    }
    return -1;
}

HostAnswer linux_permanent_address(const char *name, unsigned char address[6]) {
    int fd = open_device_query_socket();
    if (fd < 0) {
        return HOST_ANSWER_UNREADABLE;
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
    bool asked = ioctl(fd, SIOCETHTOOL, &ifr) == 0;
    close(fd);
    if (!asked) {
        return HOST_ANSWER_UNREADABLE;
    }
    /* An Ethernet-type driver that set no permanent address answers with
     * zeros (veth, macvlan, most virtual functions). */
    if (request->size != 6) {
        return HOST_ANSWER_NONE;
    }
    memcpy(address, storage + sizeof(struct ethtool_perm_addr), 6);
    return address_is_zero(address) ? HOST_ANSWER_NONE : HOST_ANSWER_FOUND;
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

/* The current address, "xx:xx:xx:xx:xx:xx"; true when it is exactly 6 bytes. */
static bool read_current_address(const char *net_dir, const char *name, unsigned char address[6]) {
    char text[64];
    if (read_net_attribute(net_dir, name, "address", text, sizeof text) != HOST_ANSWER_FOUND) {
        return false;
    }
    const char *p = text;
    for (int i = 0; i < 6; i++) {
        int high = hex_digit(p[0]);
        int low = high < 0 ? -1 : hex_digit(p[1]);
        if (low < 0) {
            return false;
        }
        address[i] = (unsigned char)(high << 4 | low);
        p += 2;
        if (i < 5 && *p++ != ':') {
            return false;
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
    linux_permanent_address_t ask = session->paths.permanent_address != NULL
                                        ? session->paths.permanent_address
                                        : linux_permanent_address;
    unsigned char address[6];
    HostAnswer permanent = ask(name, address);
    if (permanent == HOST_ANSWER_UNREADABLE ||
        (permanent == HOST_ANSWER_NONE &&
         !read_current_address(session->paths.net_dir, name, address))) {
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
