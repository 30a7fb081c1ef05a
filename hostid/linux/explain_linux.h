/*
 * explain_linux.h - the Linux layer's details of an explanation
 * (explain_linux.cpp): the root's file system and the query that gave its
 * serial, each entry of the sysfs network directory, where the host's
 * addresses were found, and what kind of host this is.
 *
 * Each part reads through LinuxHostPaths, so that the tests aim it at fake
 * trees; a member left null is the running host's file.
 */
#ifndef VESK_HOSTID_EXPLAIN_LINUX_H
#define VESK_HOSTID_EXPLAIN_LINUX_H

#include "explain.h"
#include "session_linux.h"

/* The record's explain member: every part below over the record's paths. */
void linux_explain(const HostPlatform *platform, ExplainDraft *draft);

/* The paths with every null member set to the running host's. */
LinuxHostPaths linux_explained_paths(const LinuxHostPaths *paths);

/* The H identifier's file system and query, or the volume left out. */
void linux_explain_volume(const LinuxHostPaths *paths, ExplainDraft *draft);

/* Each entry of the network directory: the M identifier it gave, in the
 * adapter walk's LANA order, or why it was left out. */
void linux_explain_adapters(const LinuxHostPaths *paths, ExplainDraft *draft);

/* The I items whose address the hosts file gives for the host's name. */
void linux_explain_hosts_file(const LinuxHostPaths *paths, ExplainDraft *draft);

/* The host findings: the hypervisor (the processor's, the DMI tables'), a
 * container, WSL, a cloud. */
void linux_explain_host(const LinuxHostPaths *paths, ExplainDraft *draft);

/* What the DMI tables' system vendor, product name and chassis asset tag
 * say: the hypervisor ("KVM", "VMware", "VirtualBox", "Xen", "Hyper-V"; null
 * for bare metal) and the cloud (null when none is named). */
typedef struct LinuxDmiFinding {
    const char *hypervisor;
    const char *cloud;
} LinuxDmiFinding;
LinuxDmiFinding linux_dmi_finding(const char *vendor, const char *product, const char *asset_tag);

#endif
