/*
 * scripted_host.h - a fake host for the identifier collector, filled by tests.
 *
 * The scripted host answers every platform call from the fields of
 * scripted_host and records each call, in order.  It never touches the real
 * host.  ScriptedHostTest resets it and makes it the collector's platform for
 * the length of one test.
 */
#ifndef VESK_TESTS_SCRIPTED_HOST_H
#define VESK_TESTS_SCRIPTED_HOST_H

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collect.h"
#include "platform.h"
#include "published_ids.h"

/* The answer to NCBASTAT for one LANA number. */
struct ScriptedStatus {
    unsigned char code;     /* 0: success */
    AdapterAddress address; /* written on success */
    bool silent;            /* success, but nothing written */
};

struct ScriptedHost {
    uint32_t serial = 0x5CA1AB1E; /* 0 reads as no serial */
    bool volume_fails = false;    /* could not be asked; the serial is then not written */
    bool volume_none = false;     /* the volume has no serial; nor is it written */

    bool enumeration_fails = false;                 /* nothing written, NRC_SYSTEM returned */
    unsigned char lana_count = 0;                   /* the count byte written by NCBENUM */
    std::vector<unsigned char> lanas;               /* the LANA numbers written */
    std::map<unsigned char, ScriptedStatus> status; /* absent: NRC_BRIDGE */

    bool startup_fails = false;
    bool host_name_fails = false;
    /* Copied with its NUL when the buffer has room, else cut without one. */
    std::string host_name = "scripted-host";
    bool resolution_fails = false;  /* the resolver could not answer */
    bool name_unknown = false;      /* the name is known to have no address */
    bool null_address_list = false; /* resolves, but h_addr_list is null */
    std::vector<Ipv4Address> addresses;

    /* Every call in short: "volume C:\", "enum", "reset 3", "status 3",
     * "startup 0x0101", "hostname 80", "resolve NAME", "cleanup". */
    std::vector<std::string> calls;
    std::vector<NCB> blocks; /* every NCB as it came in */

    bool session_fails = false; /* open_session answers null */
    int sessions_open = 0;      /* opened and not yet closed */

    std::vector<char *> answer_pointers;
    struct hostent answer;
};

extern ScriptedHost scripted_host;
extern const HostPlatform scripted_platform;

/* Scripts an enumeration of exactly these LANA numbers. */
void script_lanas(const std::vector<unsigned char> &lanas);
void script_adapter(unsigned char lana, const AdapterAddress &address);
void script_status_failure(unsigned char lana, unsigned char code);
/* How many recorded calls read exactly so. */
size_t scripted_count(const std::string &call);

/* A test on the scripted host, fresh for each test: the calls under test are
 * given scripted_platform (the collector's *_from, the lists' *_on, the
 * report's *_on). */
class ScriptedHostTest : public testing::Test {
  protected:
    void SetUp() override;
};

/* Every source of the scripted host, as collect_host_ids reads the running
 * host's. */
HostIdRecord *collect_scripted_host_ids(void);

/* ---- Records ------------------------------------------------------------ */

struct HostIdListDeleter {
    void operator()(HostIdRecord *head) const { free_host_id_list(head); }
};
typedef std::unique_ptr<HostIdRecord, HostIdListDeleter> HostIdList;

std::vector<const HostIdRecord *> list_records(const HostIdRecord *head);
std::vector<HostIdKind> list_kinds(const HostIdRecord *head);
std::vector<unsigned char> record_raw(const HostIdRecord *record);

#endif
