/*
 * view_linux.h - whose view of the host the calling thread has: its
 * namespaces' inode numbers, read from the kernel or from a directory of
 * namespace files, and the decision against the host's initial ones.
 *
 * The tests aim the directory reader at /proc and at fake trees, and the
 * decision at kernels of every age.  Beside the namespaces, the resolver's
 * environment.  Nothing here is exported.
 */
#ifndef VESK_HOSTID_VIEW_LINUX_H
#define VESK_HOSTID_VIEW_LINUX_H

#include <stdint.h>

/* Kernel versions as major * 1000 + minor. */
#define VIEW_KERNEL(major, minor) ((major)*1000 + (minor))
/* The pidfd namespace queries: no path, so no mount can replace them. */
#define VIEW_PIDFD_QUERIES_SINCE VIEW_KERNEL(6, 11)

/* One namespace the view is made of. */
typedef struct ViewNamespace {
    const char *name;     /* its file in /proc/.../ns */
    unsigned pidfd_query; /* N of the pidfd ioctl _IO(0xFF, N) that opens it */
    uint32_t initial;     /* the inode number of the host's initial one */
    int fixed_since;      /* the kernel that fixes that number (VIEW_KERNEL) */
    unsigned bit;         /* its VESK_HOSTID_VIEW_ bit */
} ViewNamespace;

#define VIEW_NAMESPACES 4
extern const ViewNamespace view_namespaces[VIEW_NAMESPACES];

/* The inode number of each namespace of view_namespaces; 0 where it is not
 * known. */
typedef struct ViewInodes {
    uint64_t inode[VIEW_NAMESPACES];
} ViewInodes;

/* The running kernel's version from uname (VIEW_KERNEL); 0 when unreadable
 * or when the process has uname report another (the UNAME26 personality). */
int view_kernel_version(void);

/* Fills the inodes that are still 0 from the kernel's pidfd queries about
 * the calling thread; those it does not answer stay 0.  Two descriptors at a
 * time.  SUCCESS, or FAILURE when a query failed for want of descriptors or
 * memory: the kernel would have told. */
int view_inodes_from_pidfd(ViewInodes *inodes);

/* Fills the inodes that are still 0 from the namespace files of directory
 * (production: /proc/thread-self/ns); a file that is not on nsfs counts as
 * unreadable and leaves its inode 0. */
void view_inodes_from_directory(const char *directory, ViewInodes *inodes);

/* The VESK_HOSTID_VIEW_ bits for these inodes on that kernel: a namespace's
 * bit when its inode is not the initial one and the kernel fixes that
 * number, VESK_HOSTID_VIEW_UNKNOWN when the inode is unknown or the kernel
 * does not fix it. */
unsigned view_differences(const ViewInodes *inodes, int kernel_version);

/* VESK_HOSTID_VIEW_RESOLVER when the environment holds LOCALDOMAIN (even
 * empty: it then empties resolv.conf's search list) or RES_OPTIONS with
 * anything but blanks; else 0. */
unsigned view_resolver_environment(void);

#endif
