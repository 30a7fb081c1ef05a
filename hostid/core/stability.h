/*
 * stability.h - what keeps each identifier and what changes it, one row per
 * way an identifier is found (stability.cpp).  The explanation gives a
 * row's "changes" text for each identifier and host finding; the README's
 * tables of where each identifier holds are made from the same rows by
 * scripts/stability-table, so the two cannot drift apart.
 */
#ifndef VESK_HOSTID_STABILITY_H
#define VESK_HOSTID_STABILITY_H

typedef enum StabilityCase {
    STABILITY_VOLUME_EXT,
    STABILITY_VOLUME_XFS,
    STABILITY_VOLUME_BTRFS,
    STABILITY_VOLUME_OVERLAY,
    STABILITY_VOLUME_TMPFS,
    STABILITY_VOLUME_OTHER,
    STABILITY_VOLUME_WINDOWS,
    STABILITY_ADAPTER_PERMANENT,
    STABILITY_ADAPTER_CURRENT,
    STABILITY_ADAPTER_VIRTUAL_FUNCTION,
    STABILITY_ADAPTER_WINDOWS,
    STABILITY_ADDRESS,
    STABILITY_ADDRESS_DEBIAN_LOOPBACK,
    STABILITY_ADDRESS_LOOPBACK,
    STABILITY_ADDRESS_LINK_LOCAL,
    STABILITY_HOST_BARE_METAL,
    STABILITY_HOST_HYPERVISOR,
    STABILITY_HOST_CLOUD,
    STABILITY_HOST_CONTAINER,
    STABILITY_HOST_WSL,
    STABILITY_CASES
} StabilityCase;

typedef struct StabilityRow {
    StabilityCase which; /* its own index, checked by the tests */
    char table;          /* 'H', 'M', 'I', or 'K' for a finding of the host's kind */
    const char *source;  /* where the value comes from, or what was found */
    const char *keeps;   /* what it lives through; "" for a finding */
    const char *changes; /* what changes it, or what the finding means: explain's text */
    const char *shown;   /* the tests that show it; "" where it follows from the source */
} StabilityRow;

extern const StabilityRow stability_rows[STABILITY_CASES];

/* The row's "changes" text. */
const char *stability_changes(StabilityCase which);

#endif
