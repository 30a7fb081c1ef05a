/*
 * adapters_linux.h - the NetBIOS adapter commands answered from a sysfs
 * network directory, and the permanent-address query (adapters_linux.cpp).
 */
#ifndef VESK_HOSTID_ADAPTERS_LINUX_H
#define VESK_HOSTID_ADAPTERS_LINUX_H

#include "session_linux.h"

/* The NetBIOS commands answered from the session's sysfs network directory.
 * NCBRESET and NCBASTAT know the adapters of the session's last NCBENUM.
 * NCBASTAT gives the permanent address; the current one only where the
 * driver answers that there is none, and NRC_SYSTEM where the permanent one
 * could not be asked for: an address that may move never stands in for one
 * that was not read. */
unsigned char linux_netbios(void *session, NCB *ncb);

/* The kernel's answer for an interface of the calling thread's network
 * namespace: SIOCETHTOOL's ETHTOOL_GPERMADDR through a socket of the first
 * family that can be had (AF_UNIX first, which hardened services keep). */
HostAnswer linux_permanent_address(const char *name, unsigned char address[6]);

#endif
