/*
 * view_linux.cpp - vesk_hostid_view on Linux: which namespaces of the calling
 * thread are not the host's initial ones, and whether the environment steers
 * the resolver.
 *
 * Every namespace is an inode of nsfs, and the kernel numbers the initial
 * ones with fixed values (user and UTS always, network and mount from 6.18
 * on); any namespace made later gets a number from 0xF0000000 up.  So an
 * inode equal to the fixed value is the host's own namespace, and another
 * one is not, on a kernel that fixes that value.
 *
 * The inode is asked of the kernel without a path: a pidfd of the calling
 * thread, then the pidfd ioctl that opens one of its namespaces (Linux 6.11).
 * A user namespace with a mount namespace of its own can mount anything over
 * /proc, so /proc/thread-self/ns is read only on a kernel known to be older
 * than those queries; on a newer one, or one whose version cannot be told, a
 * query that fails (a seccomp filter can make it fail) leaves the namespace
 * unknown rather than trusting /proc.
 *
 * The C library reads LOCALDOMAIN and RES_OPTIONS when it sets up a thread's
 * resolver: another search domain, or other options (ndots), and the host's
 * name resolves to addresses of the environment's choosing.  Nothing sets them
 * aside for one lookup without touching resolv.conf's own settings, so the
 * view reports them.  HOSTALIASES is set aside for the host's name
 * (platform_linux.cpp).
 */
/* 64-bit inode numbers and statfs on 32-bit builds too, as elsewhere. */
#define _FILE_OFFSET_BITS 64

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/personality.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "view_linux.h"
#include "vesk_hostid.h"

/* Older C library headers declare neither the call nor its flag nor the
 * namespace queries. */
#ifndef SYS_pidfd_open
#define SYS_pidfd_open 434
#endif
#define VIEW_PIDFD_THREAD O_EXCL
#define VIEW_PIDFD_QUERY(n) _IO(0xFF, n)
#define VIEW_NSFS_MAGIC 0x6e736673

const ViewNamespace view_namespaces[VIEW_NAMESPACES] = {
    {"user", 9, 0xEFFFFFFDu, 0, VESK_HOSTID_VIEW_USER},
    {"mnt", 3, 0xEFFFFFF8u, VIEW_KERNEL(6, 18), VESK_HOSTID_VIEW_MOUNT},
    {"uts", 10, 0xEFFFFFFEu, 0, VESK_HOSTID_VIEW_UTS},
    {"net", 4, 0xEFFFFFF9u, VIEW_KERNEL(6, 18), VESK_HOSTID_VIEW_NETWORK},
};

int view_kernel_version(void) {
    /* Any process may have uname report a 2.6 kernel (UNAME26): then the
     * release says nothing, and an old kernel's /proc must not be trusted. */
    int persona = personality(0xffffffff);
    struct utsname name;
    if ((persona != -1 && (persona & UNAME26) != 0) || uname(&name) != 0) {
        return 0;
    }
    char *end = NULL;
    long major = strtol(name.release, &end, 10);
    if (end == name.release || *end != '.' || major < 0 || major > 999999) {
        return 0;
    }
    const char *minor_text = end + 1;
    long minor = strtol(minor_text, &end, 10);
    if (end == minor_text || minor < 0 || minor > 999) {
        return 0;
    }
    return VIEW_KERNEL((int)major, (int)minor);
}

/* The inode of the file open on fd, when it is a namespace; else 0. */
static uint64_t namespace_inode(int fd) {
    struct statfs fs;
    struct stat st;
    if (fstatfs(fd, &fs) != 0 || fs.f_type != VIEW_NSFS_MAGIC || fstat(fd, &st) != 0) {
        return 0;
    }
    return (uint64_t)st.st_ino;
}

/* A query that failed for want of descriptors or memory: the kernel would
 * have answered it. */
static bool short_of_resources(int error) {
    return error == EMFILE || error == ENFILE || error == ENOMEM;
}

int view_inodes_from_pidfd(ViewInodes *inodes) {
    int pidfd = (int)syscall(SYS_pidfd_open, (pid_t)gettid(), VIEW_PIDFD_THREAD);
    if (pidfd < 0) {
        return short_of_resources(errno) ? FAILURE : SUCCESS;
    }
    int status = SUCCESS;
    for (int i = 0; i < VIEW_NAMESPACES; i++) {
        if (inodes->inode[i] != 0) {
            continue;
        }
        int fd = ioctl(pidfd, VIEW_PIDFD_QUERY(view_namespaces[i].pidfd_query), 0);
        if (fd >= 0) {
            inodes->inode[i] = namespace_inode(fd);
            close(fd);
        } else if (short_of_resources(errno)) {
            status = FAILURE;
        }
    }
    close(pidfd);
    return status;
}

void view_inodes_from_directory(const char *directory, ViewInodes *inodes) {
    for (int i = 0; i < VIEW_NAMESPACES; i++) {
        if (inodes->inode[i] != 0) {
            continue;
        }
        char path[4096];
        int written = snprintf(path, sizeof path, "%s/%s", directory, view_namespaces[i].name);
        if (written < 0 || (size_t)written >= sizeof path) {
            continue;
        }
        int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            inodes->inode[i] = namespace_inode(fd);
            close(fd);
        }
    }
}

unsigned view_differences(const ViewInodes *inodes, int kernel_version) {
    unsigned differences = 0;
    for (int i = 0; i < VIEW_NAMESPACES; i++) {
        const ViewNamespace *ns = &view_namespaces[i];
        if (inodes->inode[i] == ns->initial) {
            continue;
        }
        if (inodes->inode[i] == 0 || kernel_version < ns->fixed_since) {
            differences |= VESK_HOSTID_VIEW_UNKNOWN;
        } else {
            differences |= ns->bit;
        }
    }
    return differences;
}

unsigned view_resolver_environment(void) {
    const char *options = getenv("RES_OPTIONS");
    int steers = getenv("LOCALDOMAIN") != NULL ||
                 (options != NULL && options[strspn(options, " \t")] != '\0');
    return steers ? VESK_HOSTID_VIEW_RESOLVER : 0;
}

int vesk_hostid_view(unsigned *differences) {
    if (differences == NULL) {
        return FAILURE;
    }
    int kernel = view_kernel_version();
    ViewInodes inodes = {{0, 0, 0, 0}};
    if (view_inodes_from_pidfd(&inodes) != SUCCESS) {
        return FAILURE;
    }
    if (kernel != 0 && kernel < VIEW_PIDFD_QUERIES_SINCE) {
        view_inodes_from_directory("/proc/thread-self/ns", &inodes);
    }
    *differences = view_differences(&inodes, kernel) | view_resolver_environment();
    return SUCCESS;
}
