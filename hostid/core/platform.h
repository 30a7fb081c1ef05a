/*
 * platform.h - the host services that the identifier collector reads.
 *
 * The collector talks to the host only through one HostPlatform record, one
 * member per service it calls: the volume serial number, NetBIOS commands
 * through an NCB, and the socket layer's start, host name, name resolution and
 * clean-up.  Each platform layer (the Linux one, the Windows one, and the
 * scripted host of the tests) fills one record; the collector keeps the same
 * control flow over all of them.
 *
 * On Windows the NetBIOS and socket records are the system's own.  Elsewhere
 * they are declared here with the same names, field names and sizes, so that
 * the collector compiles unchanged on both.
 *
 * The services shaped after Windows' own calls keep Windows' own results:
 * NetBIOS's one-byte return code (0, NRC_GOODRET, for success), WSAStartup's
 * 0 for success, gethostname's -1 for failure.  The others answer with a
 * HostAnswer.  Nowhere else in the library is 0 or -1 a result: operations
 * give SUCCESS or FAILURE, predicates bool.
 */
#ifndef VESK_HOSTID_PLATFORM_H
#define VESK_HOSTID_PLATFORM_H

#include <stdint.h>

#ifdef _WIN32
#include <winsock.h>
#include <nb30.h>
#else
#include <netdb.h> /* struct hostent */

/* ---- NetBIOS records ---------------------------------------------------- */

#define NCBNAMSZ 16
#define MAX_LANA 254

#define NCBRESET 0x32
#define NCBASTAT 0x33
#define NCBENUM 0x37

#define NRC_GOODRET 0x00     /* success */
#define NRC_BUFLEN 0x01      /* buffer too small */
#define NRC_ILLCMD 0x03      /* command not known */
#define NRC_BRIDGE 0x23      /* LANA number not known */
#define NRC_OSRESNOTAV 0x35  /* the system's resources are exhausted */
#define NRC_NORESOURCES 0x38 /* NetBIOS's own resources are exhausted */
#define NRC_SYSTEM 0x40      /* the host could not answer */

/* A NetBIOS command block.  Every command here is synchronous: ncb_post and
 * ncb_event stay null. */
typedef struct NCB {
    unsigned char ncb_command;
    unsigned char ncb_retcode;
    unsigned char ncb_lsn;
    unsigned char ncb_num;
    unsigned char *ncb_buffer;
    uint16_t ncb_length;
    unsigned char ncb_callname[NCBNAMSZ];
    unsigned char ncb_name[NCBNAMSZ];
    unsigned char ncb_rto;
    unsigned char ncb_sto;
    void (*ncb_post)(struct NCB *ncb);
    unsigned char ncb_lana_num;
    unsigned char ncb_cmd_cplt;
    unsigned char ncb_reserve[10];
    void *ncb_event;
} NCB;

/* The answer to NCBENUM: a count byte and that many LANA numbers. */
typedef struct LANA_ENUM {
    unsigned char length;
    unsigned char lana[MAX_LANA + 1];
} LANA_ENUM;

/* The head of the answer to NCBASTAT; only adapter_address is read. */
typedef struct ADAPTER_STATUS {
    unsigned char adapter_address[6];
    unsigned char rev_major;
    unsigned char reserved0;
    unsigned char adapter_type;
    unsigned char rev_minor;
    uint16_t duration;
    uint16_t frmr_recv;
    uint16_t frmr_xmit;
    uint16_t iframe_recv_err;
    uint16_t xmit_aborts;
    uint32_t xmit_success;
    uint32_t recv_success;
    uint16_t iframe_xmit_err;
    uint16_t recv_buff_unavail;
    uint16_t t1_timeouts;
    uint16_t ti_timeouts;
    uint32_t reserved1;
    uint16_t free_ncbs;
    uint16_t max_cfg_ncbs;
    uint16_t max_ncbs;
    uint16_t xmit_buf_unavail;
    uint16_t max_dgram_size;
    uint16_t pending_sess;
    uint16_t max_cfg_sess;
    uint16_t max_sess;
    uint16_t max_sess_pkt_size;
    uint16_t name_count;
} ADAPTER_STATUS;

/* One name of the adapter's name table, after the ADAPTER_STATUS. */
typedef struct NAME_BUFFER {
    unsigned char name[NCBNAMSZ];
    unsigned char name_num;
    unsigned char name_flags;
} NAME_BUFFER;

/* ---- Socket layer records ----------------------------------------------- */

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

typedef struct WSADATA {
    uint16_t wVersion;
    uint16_t wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char *lpVendorInfo;
} WSADATA;
#endif

static_assert(sizeof(LANA_ENUM) == 256, "LANA_ENUM is 256 bytes");
static_assert(sizeof(ADAPTER_STATUS) + 30 * sizeof(NAME_BUFFER) == 600,
              "an adapter status with 30 names is 600 bytes");

/* ---- The platform record ------------------------------------------------ */

struct ExplainDraft; /* explain.h */

/* How a service that reads one property answered.  "None" and "could not be
 * read" are kept apart all the way up: a host that could not be asked must
 * never read as a host without the property. */
typedef enum HostAnswer {
    HOST_ANSWER_FOUND,     /* the property was read */
    HOST_ANSWER_NONE,      /* the host has none: no serial, a name that does not resolve */
    HOST_ANSWER_UNREADABLE /* it could not be asked: no descriptor, no memory, a refused
                            * call, an I/O error, a temporary failure */
} HostAnswer;

/* Each collection opens a session of its own and passes it to every call:
 * whatever the platform keeps between calls (the adapters of the last
 * NCBENUM, the resolver's answer) lives there, never in statics, so that
 * collections on many threads at once do not meet. */
typedef struct HostPlatform {
    /* What this platform reads (a platform layer's own record: which
     * directories stand for the host, say); null for the defaults. */
    const void *settings;

    /* A new session for one collection; null when memory ran out. */
    void *(*open_session)(const struct HostPlatform *platform);

    /* Releases a session and what it holds; null is allowed. */
    void (*close_session)(void *session);

    /* The serial number of the volume at root_path ("C:\") into *serial,
     * which is to be used only when the answer is HOST_ANSWER_FOUND. */
    HostAnswer (*volume_serial)(void *session, const char *root_path, uint32_t *serial);

    /* Runs one NetBIOS command (NCBENUM, NCBRESET, NCBASTAT) and returns its
     * one-byte return code, 0 meaning success.  NRC_SYSTEM says that the host
     * could not answer (an adapter's address could not be asked for, the
     * adapters could not be listed), as opposed to an adapter that is not
     * there. */
    unsigned char (*netbios)(void *session, NCB *ncb);

    /* Starts the socket layer for the requested version word; 0 on success. */
    int (*wsa_startup)(void *session, uint16_t version, WSADATA *data);

    /* The host's name into name, a buffer of length bytes; -1 on failure. */
    int (*get_host_name)(void *session, char *name, int length);

    /* Resolves a host name: a record whose h_addr_list is a null-terminated
     * array of addresses, with *answer HOST_ANSWER_FOUND; else null, with
     * *answer HOST_ANSWER_NONE when the name is known to have no address and
     * HOST_ANSWER_UNREADABLE when the resolver could not answer (a temporary
     * failure, no memory, no descriptor).  The record belongs to the session
     * (or, on Windows, to the calling thread) and stays valid until the next
     * call or the session's end. */
    struct hostent *(*get_host_by_name)(void *session, const char *name, HostAnswer *answer);

    /* Releases the socket layer after a successful start. */
    void (*wsa_cleanup)(void *session);

    /* Adds the layer's details to an explanation (explain.h) whose
     * identifiers, addresses and sources the core has written; null where
     * the layer has none to give. */
    void (*explain)(const struct HostPlatform *platform, struct ExplainDraft *draft);
} HostPlatform;

/* The running host's services, defined by the platform layer that is linked
 * in (linux/platform_linux.cpp, windows/platform_windows.cpp).  The
 * library's entry points read it; everything below them takes the platform
 * it reads as an argument, so that tests pass the scripted host in. */
extern const HostPlatform native_host_platform;

#endif
