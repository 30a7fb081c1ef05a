/*
 * vesk_hostid.h - this machine's host identifiers, in-process.
 *
 * A host identifier is the MD5 of one property of the host (the volume
 * serial number, a network adapter's hardware address, an IPv4 address of
 * the host's own name) together with its kind, written as 23 characters:
 * four groups of five over "ABCDEFGHJKLMNPQRSTUVWXYZ23456789", joined by
 * dashes.  The fifth character of each group is a check character: the XOR
 * of the group's five values is the kind's low 5 bits, and the kind can be
 * read back from any valid text.  The check catches any one wrong character
 * in a group, and one in each of up to three groups; it does not catch two
 * characters swapped within a group (an XOR does not see their order), two
 * wrong characters in one group whose changes cancel, or whole groups
 * swapped.
 *
 * Where every source a call needs could be read, the list calls give
 * exactly the lines that the veskid command prints (same texts, same order,
 * repeats dropped), without printing anything; the check calls read a text
 * that a person typed or pasted, without touching the host.
 *
 * Operations that can fail return SUCCESS (0) or FAILURE (-1).  Every call
 * may be made from any number of threads at once, and beside the
 * application's own use of the resolver: the library keeps no state between
 * calls, and each call reads the host into memory of its own (on Linux the
 * host's name is resolved with gethostbyname_r, told on the calling thread
 * alone to skip HOSTALIASES; on Windows the resolver's answer is per thread,
 * and adapter walks take turns on one lock).
 *
 * A call reads only the sources its answer needs: the primary list and a
 * lookup of an M text read the adapters, a lookup of an H text the volume,
 * of an I text the host's name, the list of every kind all three.  Each
 * source ends with its identifiers, with none, or as could not be read: no
 * free descriptor, no memory, a socket family refused, an adapter whose
 * driver cannot be asked for its permanent address (a private network that
 * kept the host's /sys), an I/O error, the resolver's temporary failure.  A
 * call whose answer needs a source that could not be read fails; it never
 * answers "absent" or a shorter list.  veskid, which prints what it read,
 * may then print fewer lines than the host has.
 *
 * In a child of a multi-threaded process, after fork and before exec, a call
 * that resolves the host's name may block for ever: another thread of the
 * parent may have held the C library's resolver lock at the fork, and the
 * child has no thread to release it.  Those calls are the I source's: the
 * lists of every kind (VESK_HOSTID_ALL) and a lookup of an I text.  The
 * adapter and volume calls take no such lock and answer in the child: a
 * lookup of an M or H text and the primary list.
 */
#ifndef VESK_HOSTID_PUBLIC_H
#define VESK_HOSTID_PUBLIC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results of the calls that can fail.  Each is defined only where no header
 * before this one has defined it: vesk_hash.h defines both with the same
 * values, and either header may come first. */
#ifndef SUCCESS
#define SUCCESS (0)
#endif
#ifndef FAILURE
#define FAILURE (-1)
#endif
/* A header before this one that gave them other values would otherwise
 * change, unseen, what the program compares the results with. */
#if SUCCESS != 0 || FAILURE != -1
#error "SUCCESS or FAILURE was defined before vesk_hostid.h with another value"
#endif

/* ---- Identifiers ---------------------------------------------------------- */

#define VESK_HOSTID_TEXT_LENGTH 23 /* characters, without the NUL */

/* Which identifiers a list holds. */
#define VESK_HOSTID_PRIMARY 0 /* the adapters (M lines), as `veskid id` */
#define VESK_HOSTID_ALL 1     /* every kind, as `veskid allid` */

/* The kinds this machine's identifiers have, and the two that keep a letter
 * without a source here.  Any other value is still a kind to the encoder
 * (letter U). */
#define VESK_HOSTID_KIND_IPV4 1    /* letter I: 4 bytes, network order */
#define VESK_HOSTID_KIND_ADAPTER 2 /* letter M: 6 bytes */
#define VESK_HOSTID_KIND_C 3       /* letter C: primary, no source */
#define VESK_HOSTID_KIND_VOLUME 4  /* letter H: 4 bytes, little endian */
#define VESK_HOSTID_KIND_L 5       /* letter L: no source */

/* One identifier, as veskid prints it: letter, ':', text. */
typedef struct vesk_hostid {
    char letter;                            /* 'H', 'M', 'I', ... */
    int32_t kind;                           /* 4, 2, 1, ... */
    char text[VESK_HOSTID_TEXT_LENGTH + 1]; /* 23 characters and a NUL */
} vesk_hostid;

/* Reads this host's identifiers into a new array of *count entries, in the
 * order veskid prints them; release it with vesk_hostid_list_free.  SUCCESS,
 * also when none is selected (*count 0: veskid would print its hint).
 * FAILURE, with *ids null and *count 0, when the selection is neither
 * VESK_HOSTID_PRIMARY nor VESK_HOSTID_ALL, a pointer is null, a source the
 * selection needs could not be read, or memory ran out: never a list with
 * part of the host's identifiers. */
int vesk_hostid_list(int selection, vesk_hostid **ids, size_t *count);

/* Releases an array from vesk_hostid_list; null is allowed. */
void vesk_hostid_list_free(vesk_hostid *ids);

/* As vesk_hostid_list, into the caller's array of capacity entries (ids may
 * be null when capacity is 0).  *count receives how many identifiers the host
 * has.  SUCCESS when they all fit; FAILURE when they do not (the first
 * capacity are written), and as vesk_hostid_list (*count 0). */
int vesk_hostid_list_into(int selection, vesk_hostid *ids, size_t capacity, size_t *count);

/* ---- Checking a typed identifier ----------------------------------------- */

/* What is wrong with a text, first fault found. */
enum vesk_hostid_fault {
    VESK_HOSTID_FAULT_NONE = 0,    /* well formed */
    VESK_HOSTID_FAULT_NULL,        /* a null pointer: no text, or no place for the answer */
    VESK_HOSTID_FAULT_EMPTY,       /* nothing but white space */
    VESK_HOSTID_FAULT_NUL,         /* a NUL byte inside the text */
    VESK_HOSTID_FAULT_PREFIX,      /* "X:" with a letter that names no kind */
    VESK_HOSTID_FAULT_LENGTH,      /* not 23 characters (prefix and blanks aside) */
    VESK_HOSTID_FAULT_DASH,        /* a dash missing, or one out of place */
    VESK_HOSTID_FAULT_CONFUSABLE,  /* 0, 1, I or O: never in an identifier */
    VESK_HOSTID_FAULT_CHARACTER,   /* any other character, any byte outside ASCII too */
    VESK_HOSTID_FAULT_CHECK,       /* a group's check character does not match */
    VESK_HOSTID_FAULT_PREFIX_KIND, /* the prefix letter is not the text's kind */
    VESK_HOSTID_FAULT_HOST         /* vesk_hostid_has: the host's source could not be read */
};

/* The result of a check. */
typedef struct vesk_hostid_check {
    int fault;       /* a vesk_hostid_fault */
    int group;       /* 1 to 4: the group at fault; 0 when no one group is */
    size_t position; /* offset in the input of the character at fault */
    int32_t kind;    /* well formed: the kind the check characters give (0 to 31) */
    char letter;     /* well formed: its letter */
    char text[VESK_HOSTID_TEXT_LENGTH + 1]; /* well formed: the text in capitals */
} vesk_hostid_check;

/* Checks length bytes of input as a person typed or pasted them: surrounding
 * white space, lower case and veskid's "X:" prefix are accepted (the
 * prefix's letter must be the text's kind).  SUCCESS with the kind, letter
 * and text in *result; FAILURE with the fault, the group and the position.
 * The check characters catch
 * any one wrong character, and one wrong character in each of up to three
 * groups, but not two characters swapped within a group, two wrong ones in
 * a group that cancel, or groups swapped whole: such a text checks as well
 * formed.  A null input (or result) is FAILURE.  The text ends at length or
 * at its first NUL, whichever comes first: no byte past either is read, so
 * any length (a buffer's size, SIZE_MAX) is safe for a terminated text.  A
 * NUL before a length that stays inside the address space is
 * VESK_HOSTID_FAULT_NUL unless a whole identifier (prefix and blanks aside)
 * stands before it.  A byte outside ASCII (a non-breaking space, a byte-order
 * mark, an en dash, a Cyrillic or full-width look-alike) is a
 * VESK_HOSTID_FAULT_CHARACTER at its position, with the group whose place
 * it takes, found before a wrong length is. */
int vesk_hostid_check_text(const char *input, size_t length, vesk_hostid_check *result);

/* A sentence saying what the fault means; never null. */
const char *vesk_hostid_fault_message(int fault);

/* Checks the text as vesk_hostid_check_text does, then looks for it among
 * this host's identifiers of its kind (only that kind's source is read; a
 * kind that no source gives is absent without reading the host): SUCCESS
 * with *present 1 or 0.  FAILURE when the text is not well formed, or the
 * source could not be read or memory ran out (fault VESK_HOSTID_FAULT_HOST);
 * *present is then 0.  A null present is
 * FAILURE with fault VESK_HOSTID_FAULT_NULL. */
int vesk_hostid_has(const char *input, size_t length, int *present, vesk_hostid_check *result);

/* ---- Where each identifier comes from ------------------------------------ */

/* What one item of an explanation is. */
#define VESK_HOSTID_ITEM_IDENTIFIER 1 /* an identifier veskid allid prints, in its order */
#define VESK_HOSTID_ITEM_LEFT_OUT 2   /* a property seen and not used, with the reason */
#define VESK_HOSTID_ITEM_SOURCE 3     /* a source's outcome: identifiers, none, could not be read */
#define VESK_HOSTID_ITEM_HOST 4       /* a finding about the kind of host */

/* Flags of an item (any combination). */
#define VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED 0x1 /* M: the address has the local bit */
#define VESK_HOSTID_FLAG_BOND_MEMBER 0x2
#define VESK_HOSTID_FLAG_BRIDGE 0x4
#define VESK_HOSTID_FLAG_VLAN 0x8
#define VESK_HOSTID_FLAG_WIRELESS 0x10
#define VESK_HOSTID_FLAG_VIRTUAL_FUNCTION 0x20
#define VESK_HOSTID_FLAG_ADDRESS_DIFFERS 0x40 /* the permanent address is not the current one */
#define VESK_HOSTID_FLAG_LOOPBACK 0x80        /* I: 127.0.0.0/8 */
/* An identifier that many hosts share (I of 127.0.1.1, the Debian convention): never
 * to be licensed. */
#define VESK_HOSTID_FLAG_SHARED 0x100
#define VESK_HOSTID_FLAG_LINK_LOCAL 0x200 /* I: 169.254.0.0/16 */
#define VESK_HOSTID_FLAG_STATFS_ID 0x400  /* H: from the filesystem id, for the UUID's fold */

#define VESK_HOSTID_EXPLAIN_RAW 1u /* option: raw properties (addresses, UUID, serial) in `raw` */

/* One item of an explanation.  Every string but raw is non-null (empty when
 * there is nothing to say). */
typedef struct vesk_hostid_item {
    int what;                               /* VESK_HOSTID_ITEM_* */
    char letter;                            /* the kind's letter (I, M, H); 0 for a host finding */
    int32_t kind;                           /* 0 for a host finding */
    char text[VESK_HOSTID_TEXT_LENGTH + 1]; /* the identifier's text; empty when none */
    unsigned flags;                         /* VESK_HOSTID_FLAG_* */
    const char *name;    /* the interface, the directory asked, the host's name; the finding
                          * ("hypervisor", "container", "wsl", "cloud") */
    const char *origin;  /* how it was found: "FS_IOC_GETFSUUID on /", "ext4 on /dev/vda",
                          * "pci virtio_net", "/etc/hosts", "the resolver", "cpuid",
                          * "/sys/class/dmi/id" */
    const char *reason;  /* left out: why; source: its outcome; host: what it is (vendor,
                          * product) */
    const char *changes; /* what would change it, or what it means for identifiers */
    const char *raw;     /* the raw property; null unless VESK_HOSTID_EXPLAIN_RAW */
} vesk_hostid_item;

/* Reads the host as vesk_hostid_list(VESK_HOSTID_ALL, ...) does and explains
 * it: the identifiers in veskid allid's order, then what was left out, each
 * source's outcome, and the host findings.  One allocation owns every
 * string; release with vesk_hostid_explain_free.  SUCCESS; FAILURE with
 * *items null and *count 0 for a null pointer or memory that ran out.  A
 * source that could not be read is an item saying so, not a failure.  The
 * Windows build gives the identifiers, what was left out of the addresses
 * and the sources' outcomes, without the Linux details (bus, driver, the
 * filesystem, the host findings). */
int vesk_hostid_explain(unsigned options, vesk_hostid_item **items, size_t *count);

/* Releases an array from vesk_hostid_explain; null is allowed. */
void vesk_hostid_explain_free(vesk_hostid_item *items);

/* ---- Whose view of the host ----------------------------------------------- */

/* What vesk_hostid_view reports: the namespaces of the calling thread that
 * are not the host's initial ones, and the resolver's environment. */
#define VESK_HOSTID_VIEW_USER 0x1      /* a user namespace: mounts and names without root */
#define VESK_HOSTID_VIEW_MOUNT 0x2     /* its own mounts (/sys, /etc/hosts, the root) */
#define VESK_HOSTID_VIEW_UTS 0x4       /* its own host name */
#define VESK_HOSTID_VIEW_NETWORK 0x8   /* its own network adapters */
#define VESK_HOSTID_VIEW_RESOLVER 0x10 /* LOCALDOMAIN or RES_OPTIONS: the I lines' resolver */
#define VESK_HOSTID_VIEW_UNKNOWN 0x80  /* for one of them the kernel gives no way to tell */

/* Sets *differences to a VESK_HOSTID_VIEW_ bit for each namespace of the
 * calling thread that is not the host's initial one: there an ordinary user
 * can have mounted, named or networked the sources anew and present the
 * identifiers of another machine.  0 in the host's own view, and always on
 * Windows.  The kernel is asked without a path (Linux 6.11 and later), so no
 * mount changes the answer; older kernels through /proc, which a user
 * namespace can replace, and with VESK_HOSTID_VIEW_UNKNOWN for a network or
 * mount namespace before Linux 6.18 unless it is the initial one.
 * VESK_HOSTID_VIEW_RESOLVER when the process's environment holds LOCALDOMAIN
 * (even empty) or RES_OPTIONS (with anything but blanks): the C library
 * takes the search domains and options of the host name's lookup from them,
 * so whoever starts the application can have the I lines be the addresses of
 * another name.  HOSTALIASES, the third such variable, is not followed for
 * the host's name.  Keeps no state.  Needs two free descriptors at a time.
 * SUCCESS, or FAILURE for a null pointer and where descriptors or memory ran
 * out (the kernel would have told, so the answer is not ..._UNKNOWN).
 * The caller decides what a difference means; the other calls answer as they
 * would anyway. */
int vesk_hostid_view(unsigned *differences);

/* ---- Encoding ---------------------------------------------------------------- */

/* The text of raw bytes of a kind, as veskid computes it: MD5 of the bytes
 * followed by the kind as 4 little-endian bytes, written with check
 * characters.  The kinds of this machine take exactly their own length (4
 * for kinds 1 and 4, 6 for kind 2); any other kind up to 2^31 - 1 bytes.
 * raw may be null only for 0 bytes.  SUCCESS with 23 characters and a NUL in
 * text, or FAILURE with text empty. */
int vesk_hostid_encode(const void *raw, size_t raw_length, int32_t kind,
                       char text[VESK_HOSTID_TEXT_LENGTH + 1]);

/* The letter veskid prints for a kind: I, M, C, H, L, else U. */
char vesk_hostid_letter(int32_t kind);

/* ---- Matching a licence ----------------------------------------------------- */

/* What a licence's line says of this host. */
#define VESK_HOSTID_MATCH_PRESENT 1   /* one of this host's identifiers */
#define VESK_HOSTID_MATCH_ABSENT 2    /* well formed, and not this host's */
#define VESK_HOSTID_MATCH_MALFORMED 3 /* not an identifier: check has the fault */

typedef struct vesk_hostid_match_line {
    size_t line;             /* its number in the block, from 1 */
    size_t start;            /* its first byte in the block */
    int verdict;             /* VESK_HOSTID_MATCH_* */
    int shared;              /* 1: an identifier that many hosts share (the I of a
                              * loopback address such as Debian's 127.0.1.1): never
                              * one to license, whether present or not */
    vesk_hostid_check check; /* the checker's answer for the line; its position
                              * counts from the line's first byte */
} vesk_hostid_match_line;

typedef struct vesk_hostid_match_result {
    size_t count; /* the lines with anything but blanks: the licence's lines */
    size_t present, absent, malformed, shared;
    vesk_hostid_match_line *lines; /* count entries, in the block's order */
} vesk_hostid_match_result;

/* Checks a licence's identifier lines against this host, reading it once
 * (only the sources that the well-formed lines' kinds need).  The block is
 * what veskid printed, pasted: lines end at LF (a CR before it is a blank),
 * blank lines are skipped, each line is checked as vesk_hostid_check_text
 * checks a text (blanks around it and the "X:" prefix taken), in any order;
 * the block ends at length or at a NUL.  SUCCESS with *result, released
 * with vesk_hostid_match_free; an application decides from the counts
 * whether any, all or N of them must be present.  FAILURE, with *result
 * null, for a null pointer, when memory ran out, or when a source that a
 * line needs could not be read (never "absent" for that). */
int vesk_hostid_match(const char *block, size_t length, vesk_hostid_match_result **result);
void vesk_hostid_match_free(vesk_hostid_match_result *result);

#ifdef __cplusplus
}
#endif

#endif /* VESK_HOSTID_PUBLIC_H */
