/* Which sources each call reads, and what it makes of a host that gives
 * little or nothing.  veskid id reads the adapters alone, and the volume and
 * the host's name only when the adapters give nothing, to choose between its
 * hint and "Cannot get ID!".  The library's calls read only the sources
 * their answer needs (the primary list the adapters, a lookup the source of
 * its kind) and fail where one of them could not be read: a source that
 * could not be read is never a host without identifiers.  A volume serial
 * of 0 is no serial.  On the scripted host, whose calls are recorded: a
 * resolver that never answers would make any extra resolution a wait of its
 * own. */
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collect.h"
#include "kinds.h"
#include "lists.h"
#include "report.h"
#include "select.h"
#include "platform.h"
#include "published_ids.h"
#include "report_capture.h"
#include "scripted_host.h"
#include "vesk_hostid.h"

namespace {

/* The sources asked, in order, one letter each: V the volume, A the adapter
 * enumeration, N the socket layer and the host's name. */
std::string sources_read() {
    std::string read;
    for (const std::string &call : scripted_host.calls) {
        read += call.rfind("volume", 0) == 0    ? "V"
                : call == "enum"                ? "A"
                : call.rfind("startup", 0) == 0 ? "N"
                                                : "";
    }
    return read;
}

/* What a call shows: veskid's output (standard error after a '|'), the
 * primary list's lines, or a lookup's answer. */
typedef std::string (*Operation)();

std::string veskid(int all_kinds) {
    CapturedRun run = capture_report(all_kinds);
    return run.err.empty() ? run.out : run.out + "|" + run.err;
}

std::string lookup(const unsigned char *raw, size_t length, int32_t kind) {
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
    EXPECT_EQ(vesk_hostid_encode(raw, length, kind, text), SUCCESS);
    int present = 7;
    vesk_hostid_check result;
    if (host_id_has_on(&scripted_platform, text, strlen(text), &present, &result) != SUCCESS) {
        EXPECT_EQ(present, 0);
        return result.fault == VESK_HOSTID_FAULT_HOST ? "fault host" : "other fault";
    }
    return present ? "present" : "absent";
}

const std::string m_line = id_line(published_adapter);
const std::string h_line = id_line(published_volume);
const std::string i_line = id_line(published_ipv4);

const struct {
    const char *name;
    Operation run;
} operations[] = {
    {"id", [] { return veskid(0); }},
    {"allid", [] { return veskid(1); }},
    {"primary_list",
     [] {
         vesk_hostid *ids = nullptr;
         size_t count = 9;
         if (host_id_list_on(&scripted_platform, VESK_HOSTID_PRIMARY, &ids, &count) != SUCCESS) {
             return std::string("failure");
         }
         std::string lines = std::to_string(count) + " lines";
         vesk_hostid_list_free(ids);
         return lines;
     }},
    {"has_adapter", [] { return lookup(adapter_a.data(), 6, VESK_HOSTID_KIND_ADAPTER); }},
    {"has_volume", [] { return lookup(published_serial_raw, 4, VESK_HOSTID_KIND_VOLUME); }},
    {"has_address", [] { return lookup(published_address.data(), 4, VESK_HOSTID_KIND_IPV4); }},
    {"has_kind_c", [] { return lookup(published_address.data(), 4, 3); }},
};

/* Hosts from everything to nothing. */
enum Host {
    FULL,
    NO_ADAPTER,
    ADDRESS_ONLY,
    SERIAL_ZERO,
    NOTHING,
    NO_SESSION,
    ADAPTERS_UNREADABLE,
    NAME_UNKNOWN
};

void script(Host host) {
    scripted_host.serial = published_serial;
    scripted_host.addresses = {published_address};
    if (host == FULL || host == NAME_UNKNOWN) {
        script_lanas({0});
        script_adapter(0, adapter_a);
    }
    if (host == ADDRESS_ONLY || host == NOTHING) {
        scripted_host.volume_fails = true;
    }
    if (host == SERIAL_ZERO || host == NOTHING) {
        scripted_host.resolution_fails = true;
    }
    scripted_host.enumeration_fails = host == NOTHING || host == ADAPTERS_UNREADABLE;
    scripted_host.name_unknown = host == NAME_UNKNOWN;
    if (host == SERIAL_ZERO) {
        scripted_host.serial = 0; /* the query answers, with 0 */
    }
    scripted_host.session_fails = host == NO_SESSION;
}

struct SourceCase {
    Host host;
    const char *operation;
    const char *read; /* sources_read() afterwards */
    std::string shown;
};

void PrintTo(const SourceCase &c, std::ostream *out) {
    *out << c.operation << " on host " << c.host;
}

const std::string cannot = "|Cannot get ID!";

const SourceCase cases[] = {
    /* What is asked for is read, and nothing else. */
    {FULL, "id", "A", m_line},
    {FULL, "allid", "VAN", h_line + m_line + i_line},
    {FULL, "primary_list", "A", "1 lines"},
    {FULL, "has_adapter", "A", "present"},
    {FULL, "has_volume", "V", "present"},
    {FULL, "has_address", "N", "present"},
    /* No source gives kind 3: absent without reading the host. */
    {FULL, "has_kind_c", "", "absent"},
    /* Adapters read whole and none there: absent, and nothing else is read.
     * veskid id asks the volume, to tell its hint from "Cannot get ID!". */
    {NO_ADAPTER, "id", "AV", veskid_hint},
    {NO_ADAPTER, "primary_list", "A", "0 lines"},
    {NO_ADAPTER, "has_adapter", "A", "absent"},
    /* A volume that could not be read is not a volume without the serial. */
    {ADDRESS_ONLY, "id", "AVN", veskid_hint},
    {ADDRESS_ONLY, "allid", "VAN", i_line},
    {ADDRESS_ONLY, "has_volume", "V", "fault host"},
    {ADDRESS_ONLY, "has_address", "N", "present"},
    /* Serial 0 is no serial; a resolver that fails is no answer. */
    {SERIAL_ZERO, "allid", "VAN", cannot},
    {SERIAL_ZERO, "id", "AVN", cannot},
    {SERIAL_ZERO, "primary_list", "A", "0 lines"},
    {SERIAL_ZERO, "has_volume", "V", "absent"},
    {SERIAL_ZERO, "has_address", "N", "fault host"},
    {NOTHING, "allid", "VAN", cannot},
    {NOTHING, "has_address", "N", "fault host"},
    {NOTHING, "has_kind_c", "", "absent"},
    /* A session that cannot be had is a source that could not be read. */
    {NO_SESSION, "allid", "", cannot},
    {NO_SESSION, "has_adapter", "", "fault host"},
    {NO_SESSION, "primary_list", "", "failure"},
    /* Adapters that could not be listed (no descriptor, say): the other
     * sources answering does not make the host's M absent.  veskid prints
     * what it read, as it always has. */
    {ADAPTERS_UNREADABLE, "has_adapter", "A", "fault host"},
    {ADAPTERS_UNREADABLE, "primary_list", "A", "failure"},
    {ADAPTERS_UNREADABLE, "id", "AV", veskid_hint},
    {ADAPTERS_UNREADABLE, "allid", "VAN", h_line + i_line},
    {ADAPTERS_UNREADABLE, "has_volume", "V", "present"},
    /* A name known to have no address: the host has no I. */
    {NAME_UNKNOWN, "has_address", "N", "absent"},
    {NAME_UNKNOWN, "allid", "VAN", h_line + m_line},
};

class Sources : public ScriptedHostTest, public testing::WithParamInterface<SourceCase> {};

TEST_P(Sources, ReadsOnlyWhatTheCallNeeds) {
    const SourceCase &c = GetParam();
    script(c.host);
    Operation run = nullptr;
    for (const auto &operation : operations) {
        run = strcmp(operation.name, c.operation) == 0 ? operation.run : run;
    }
    ASSERT_NE(run, nullptr) << c.operation;
    EXPECT_EQ(run(), c.shown);
    EXPECT_EQ(sources_read(), c.read);
    EXPECT_EQ(scripted_host.sessions_open, 0) << "a session was left open";
}

const char *const host_names[] = {"full",    "no_adapter", "address_only",        "serial_zero",
                                  "nothing", "no_session", "adapters_unreadable", "name_unknown"};

std::string case_name(const testing::TestParamInfo<SourceCase> &info) {
    return std::string(host_names[info.param.host]) + "_" + info.param.operation;
}

INSTANTIATE_TEST_SUITE_P(Calls, Sources, testing::ValuesIn(cases), case_name);

} // namespace
