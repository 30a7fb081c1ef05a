/* Which sources each call reads, and what it makes of a host that gives
 * little or nothing: veskid id and the primary list read the adapters alone
 * and the host's name only when neither adapters nor volume answer; a lookup
 * reads the one source its kind comes from; a volume serial that cannot be
 * read, or is 0, gives no H; a host that gives nothing at all is "Cannot get
 * ID!" and VESK_HOSTID_FAULT_HOST.  On the scripted host, whose calls are
 * recorded: a resolver that never answers would make any extra resolution a
 * wait of its own. */
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostid_private.h"
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
    if (vesk_hostid_has(text, strlen(text), &present, &result) != SUCCESS) {
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
         if (vesk_hostid_list(VESK_HOSTID_PRIMARY, &ids, &count) != SUCCESS) {
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
enum Host { FULL, NO_ADAPTER, ADDRESS_ONLY, SERIAL_ZERO, NOTHING, NO_SESSION };

void script(Host host) {
    scripted_host.serial = published_serial;
    scripted_host.addresses = {published_address};
    if (host == FULL) {
        script_lanas({0});
        script_adapter(0, adapter_a);
    }
    if (host == ADDRESS_ONLY || host == NOTHING) {
        scripted_host.volume_fails = true;
    }
    if (host == SERIAL_ZERO || host == NOTHING) {
        scripted_host.resolution_fails = true;
        scripted_host.enumeration_fails = host == NOTHING;
    }
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
    {FULL, "has_kind_c", "V", "absent"},
    /* Without adapters, the volume tells the hint from "Cannot get ID!". */
    {NO_ADAPTER, "id", "AV", veskid_hint},
    {NO_ADAPTER, "primary_list", "AV", "0 lines"},
    {NO_ADAPTER, "has_adapter", "AV", "absent"},
    /* Without volume either, the host's name is resolved after all. */
    {ADDRESS_ONLY, "id", "AVN", veskid_hint},
    {ADDRESS_ONLY, "allid", "VAN", i_line},
    {ADDRESS_ONLY, "has_volume", "VAN", "absent"},
    /* Serial 0 is no serial: with nothing else, the host gave nothing. */
    {SERIAL_ZERO, "allid", "VAN", cannot},
    {SERIAL_ZERO, "id", "AVN", cannot},
    {SERIAL_ZERO, "primary_list", "AVN", "failure"},
    {SERIAL_ZERO, "has_volume", "VAN", "fault host"},
    {NOTHING, "allid", "VAN", cannot},
    {NOTHING, "has_address", "NVA", "fault host"},
    {NOTHING, "has_kind_c", "VAN", "fault host"},
    /* A session that cannot be had reads as a source that gives nothing. */
    {NO_SESSION, "allid", "", cannot},
    {NO_SESSION, "has_adapter", "", "fault host"},
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

const char *const host_names[] = {"full",        "no_adapter", "address_only",
                                  "serial_zero", "nothing",    "no_session"};

std::string case_name(const testing::TestParamInfo<SourceCase> &info) {
    return std::string(host_names[info.param.host]) + "_" + info.param.operation;
}

INSTANTIATE_TEST_SUITE_P(Calls, Sources, testing::ValuesIn(cases), case_name);

} // namespace
