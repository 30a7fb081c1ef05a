/*
 * session_linux.h - what the Linux layer reads and keeps for one collection:
 * the paths that stand for the host and the session's state.  Shared by the
 * layer's record (platform_linux.cpp) and its adapter walk
 * (adapters_linux.cpp); no code of its own.
 */
#ifndef VESK_HOSTID_SESSION_LINUX_H
#define VESK_HOSTID_SESSION_LINUX_H

#include <net/if.h>
#include <stddef.h>

#include "platform.h"

#define LINUX_NET_CLASS_DIR "/sys/class/net"
#define LINUX_HOSTS_FILE "/etc/hosts"
#define LINUX_PROC_DIR "/proc"
#define LINUX_DMI_DIR "/sys/class/dmi/id"

/* Asks the driver of the named interface for its permanent (burned-in)
 * address: HOST_ANSWER_FOUND with its 6 bytes in address, HOST_ANSWER_NONE
 * when the driver answers that the adapter has none, HOST_ANSWER_UNREADABLE
 * when it could not be asked (no socket of any family, no such device in
 * this network namespace, the query refused). */
typedef HostAnswer (*linux_permanent_address_t)(const char *name, unsigned char address[6]);

/* What stands for the host: the directory whose filesystem gives the volume
 * serial, the sysfs network directory whose entries are the adapters, and
 * who answers for the adapters' permanent addresses; for an explanation, the
 * hosts file, /proc and the DMI directory. */
typedef struct LinuxHostPaths {
    const char *root_dir;                        /* "/" */
    const char *net_dir;                         /* LINUX_NET_CLASS_DIR */
    linux_permanent_address_t permanent_address; /* null: the kernel's */
    /* What an explanation reads besides (explain_linux.cpp); null: the default. */
    const char *hosts_file; /* LINUX_HOSTS_FILE */
    const char *proc_dir;   /* LINUX_PROC_DIR: self/mountinfo, 1/cgroup, sys/kernel/osrelease */
    const char *dmi_dir;    /* LINUX_DMI_DIR */
} LinuxHostPaths;

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

#endif
