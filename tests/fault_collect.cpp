/*
 * Every allocation point of the collector and of the library's calls, failed
 * in turn: the record and its raw copy, the set, the list's array.  The
 * digest allocates nothing.
 *
 * The promises: an append whose record or raw copy cannot be made leaves
 * nothing behind and returns the tail link unchanged; the collection goes on
 * with the next identifier, and marks the source that lost it as not read
 * whole.  A library call answers as it would with memory to spare, or fails:
 * never a shorter list, never "absent" for an identifier the host has.
 */
#include "alloc_fail.h"
#include "fault_sweep.h"
#include "collect.h"
#include "kinds.h"
#include "lists.h"
#include "match.h"
#include "report.h"
#include "select.h"
#include "platform.h"
#include "published_ids.h"
#include "report_capture.h"
#include "scripted_host.h"
#include "vesk_hostid.h"

#include "alloc_fail.h"
#include "fault_sweep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> describe(const HostIdRecord *head) {
    std::vector<std::string> out;
    for (const HostIdRecord *r = head; r; r = r->next) {
        out.push_back(std::to_string(r->kind) + ":" + hex_bytes(r->raw, (size_t)r->raw_length) +
                      ":" + r->text);
    }
    return out;
}

class CollectorFault : public ScriptedHostTest {
  protected:
    void TearDown() override {
        alloc_fail_reset();
        ScriptedHostTest::TearDown();
    }
};

} // namespace

/* One append of each kind of identifier. */
TEST_F(CollectorFault, AppendLeavesNothingBehindAtEveryAllocationPoint) {
    const struct {
        const char *name;
        std::vector<unsigned char> raw;
        HostIdKind kind;
    } cases[] = {{"volume", raw_bytes(published_volume), VESK_HOSTID_KIND_VOLUME},
                 {"adapter", raw_bytes(published_adapter), VESK_HOSTID_KIND_ADAPTER},
                 {"address", raw_bytes(published_ipv4), VESK_HOSTID_KIND_IPV4},
                 {"empty", {}, 5}};
    for (const auto &c : cases) {
        HostIdRecord *clean = nullptr;
        add_host_id(&clean, c.raw.data(), (int32_t)c.raw.size(), c.kind);
        ASSERT_NE(nullptr, clean);
        const std::vector<std::string> expected = describe(clean);
        free_host_id_list(clean);

        sweep_allocation_points(std::string("add_host_id, ") + c.name, [&](long n) {
            HostIdRecord *head = nullptr;
            HostIdRecord **tail = &head;
            const bool hit = run_failing(
                n, [&] { tail = add_host_id(&head, c.raw.data(), (int32_t)c.raw.size(), c.kind); });
            if (hit) {
                EXPECT_EQ(nullptr, head) << "a failed record or raw copy was appended";
                EXPECT_EQ(&head, tail);
            } else if (head == nullptr) {
                ADD_FAILURE() << "nothing appended";
            } else {
                EXPECT_EQ(&head->next, tail);
                EXPECT_EQ(expected, describe(head));
            }
            free_host_id_list(head);
            return hit;
        });
    }
}

/* The scripted host with one identifier of every source (and two of two). */
void script_full_host() {
    scripted_host.serial = published_serial;
    script_lanas({0, 1});
    script_adapter(0, adapter_a);
    script_adapter(1, adapter_b);
    scripted_host.addresses = {published_address, {192, 168, 1, 20}};
}

/* A whole collection on the scripted host: the volume, two adapters and two
 * addresses.  A failed allocation drops the one record it belonged to, the
 * walk goes on, and the source it came from is said to be not read whole. */
TEST_F(CollectorFault, CollectionDropsAtMostOneRecordAndSaysWhichSource) {
    script_full_host();
    unsigned unreadable = 99;
    HostIdRecord *full = collect_host_ids_from(&scripted_platform, HOST_SOURCES_ALL, &unreadable);
    const std::vector<std::string> all = describe(full);
    free_host_id_list(full);
    ASSERT_EQ(5u, all.size());
    ASSERT_EQ(0u, unreadable);
    /* The sources of the records, in list order. */
    const unsigned source_of[] = {HOST_SOURCE_VOLUME, HOST_SOURCE_ADAPTERS, HOST_SOURCE_ADAPTERS,
                                  HOST_SOURCE_ADDRESSES, HOST_SOURCE_ADDRESSES};

    sweep_allocation_points("collect_host_ids_from, scripted host", [&](long n) {
        HostIdRecord *head = nullptr;
        unreadable = 99;
        const bool hit = run_failing(n, [&] {
            head = collect_host_ids_from(&scripted_platform, HOST_SOURCES_ALL, &unreadable);
        });
        const std::vector<std::string> got = describe(head);
        if (!hit) {
            EXPECT_EQ(all, got);
            EXPECT_EQ(0u, unreadable);
        } else if (got.size() != all.size() - 1) {
            ADD_FAILURE() << got.size() << " records of " << all.size();
        } else {
            size_t dropped = 0;
            while (dropped < got.size() && got[dropped] == all[dropped]) {
                dropped++;
            }
            std::vector<std::string> expected = all;
            expected.erase(expected.begin() + (long)dropped);
            EXPECT_EQ(expected, got);
            EXPECT_EQ(source_of[dropped], unreadable) << "record " << dropped << " dropped";
        }
        free_host_id_list(head);
        return hit;
    });
}

std::vector<std::string> lines_of(const vesk_hostid *ids, size_t count) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; i++) {
        lines.push_back(std::string(1, ids[i].letter) + ":" + ids[i].text);
    }
    return lines;
}

/* The library's lists at every allocation point (the records, the set and
 * its slots, the array): the whole list or FAILURE with nothing, never part
 * of it. */
TEST_F(CollectorFault, EveryListIsWholeOrAFailure) {
    script_full_host();
    for (int selection : {VESK_HOSTID_PRIMARY, VESK_HOSTID_ALL}) {
        vesk_hostid *ids = nullptr;
        size_t count = 0;
        ASSERT_EQ(SUCCESS, host_id_list_on(&scripted_platform, selection, &ids, &count));
        const std::vector<std::string> whole = lines_of(ids, count);
        vesk_hostid_list_free(ids);
        ASSERT_EQ(selection == VESK_HOSTID_ALL ? 5u : 2u, whole.size());

        const std::string name = selection == VESK_HOSTID_ALL ? "all" : "primary";
        sweep_allocation_points("vesk_hostid_list, " + name, [&](long n) {
            ids = nullptr;
            count = 99;
            int status = SUCCESS;
            const bool hit = run_failing(
                n, [&] { status = host_id_list_on(&scripted_platform, selection, &ids, &count); });
            if (status == SUCCESS) {
                EXPECT_EQ(whole, lines_of(ids, count)) << "allocation " << n;
            } else {
                EXPECT_TRUE(hit) << "FAILURE without a failed allocation";
                EXPECT_EQ(nullptr, ids);
                EXPECT_EQ(0u, count);
            }
            vesk_hostid_list_free(ids);
            return hit;
        });
        sweep_allocation_points("vesk_hostid_list_into, " + name, [&](long n) {
            vesk_hostid into[8];
            count = 99;
            int status = SUCCESS;
            const bool hit = run_failing(n, [&] {
                status = host_id_list_into_on(&scripted_platform, selection, into, 8, &count);
            });
            if (status == SUCCESS) {
                EXPECT_EQ(whole, lines_of(into, count)) << "allocation " << n;
            } else {
                EXPECT_TRUE(hit) << "FAILURE without a failed allocation";
                EXPECT_EQ(0u, count);
            }
            return hit;
        });
    }
}

/* A licence of the host's own lines and one other at every allocation
 * point: every verdict as with memory to spare, or FAILURE with nothing. */
TEST_F(CollectorFault, LicenceMatchIsWholeOrAFailure) {
    script_full_host();
    const std::string licence = id_line(published_volume) + id_line(published_adapter) +
                                id_line(published_ipv4) + "M:TZ38D-4U9R4-8BY5S-NH4HX\n";
    sweep_allocation_points("vesk_hostid_match", [&](long n) {
        vesk_hostid_match_result *result = nullptr;
        int status = SUCCESS;
        const bool hit = run_failing(n, [&] {
            status = host_id_match_on(&scripted_platform, licence.data(), licence.size(), &result);
        });
        if (status == SUCCESS) {
            EXPECT_EQ(result->count, 4u) << "allocation " << n;
            EXPECT_EQ(result->present, 3u) << "allocation " << n;
            EXPECT_EQ(result->malformed, 1u) << "allocation " << n;
        } else {
            EXPECT_TRUE(hit) << "FAILURE without a failed allocation";
            EXPECT_EQ(result, nullptr);
        }
        vesk_hostid_match_free(result);
        return hit;
    });
}

/* A lookup of each of the host's own texts at every allocation point:
 * present, or VESK_HOSTID_FAULT_HOST; never absent. */
TEST_F(CollectorFault, LookupIsPresentOrAFailureNeverAbsent) {
    script_full_host();
    for (const PublishedId *id : {&published_volume, &published_adapter, &published_ipv4}) {
        const std::string line = id_line(*id).substr(0, VESK_HOSTID_TEXT_LENGTH + 2);
        sweep_allocation_points("vesk_hostid_has, " + line.substr(0, 1), [&](long n) {
            int present = 7;
            vesk_hostid_check check;
            int status = SUCCESS;
            const bool hit = run_failing(n, [&] {
                status =
                    host_id_has_on(&scripted_platform, line.c_str(), line.size(), &present, &check);
            });
            if (status == SUCCESS) {
                EXPECT_EQ(1, present) << line << ", allocation " << n;
            } else {
                EXPECT_TRUE(hit) << "FAILURE without a failed allocation";
                EXPECT_EQ(VESK_HOSTID_FAULT_HOST, check.fault);
                EXPECT_EQ(0, present);
            }
            return hit;
        });
    }
}

/* Without memory for any record (or any session) the host reads as giving
 * nothing, and the report says "Cannot get ID!": on standard error, with no
 * newline, nothing on standard output, and -1 from report_host_ids. */
TEST_F(CollectorFault, NoRecordAtAllReportsCannotGetId) {
    for (int all_kinds : {0, 1}) {
        const CapturedRun run = capture_output([all_kinds] {
            alloc_fail_every();
            const int result = report_host_ids_on(&scripted_platform, all_kinds);
            alloc_fail_reset();
            return result;
        });
        EXPECT_EQ(run.status, -1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Cannot get ID!");
    }
}
