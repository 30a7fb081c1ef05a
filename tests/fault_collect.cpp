/*
 * Every allocation point of the collector's append, failed in turn: the
 * record and its raw copy.  The digest allocates nothing.
 *
 * The promise: an append whose record or raw copy cannot be made leaves
 * nothing behind and returns the tail link unchanged; the collection goes on
 * with the next identifier.  So one failed allocation costs exactly one
 * record.
 */
#include "alloc_fail.h"
#include "fault_sweep.h"
#include "hostid_private.h"
#include "platform.h"
#include "published_ids.h"
#include "report_capture.h"
#include "scripted_host.h"

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
    } cases[] = {{"volume", raw_bytes(published_volume), HOST_ID_KIND_VOLUME},
                 {"adapter", raw_bytes(published_adapter), HOST_ID_KIND_ADAPTER},
                 {"address", raw_bytes(published_ipv4), HOST_ID_KIND_IPV4},
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

/* A whole collection on the scripted host: the volume, two adapters and two
 * addresses.  A failed allocation drops the one record it belonged to and the
 * walk goes on. */
TEST_F(CollectorFault, CollectionDropsAtMostOneRecordAtEveryAllocationPoint) {
    scripted_host.serial = published_serial;
    script_lanas({0, 1});
    script_adapter(0, adapter_a);
    script_adapter(1, adapter_b);
    scripted_host.addresses = {published_address, {192, 168, 1, 20}};
    HostIdRecord *full = collect_host_ids_from(&scripted_platform, HOST_SOURCES_ALL);
    const std::vector<std::string> all = describe(full);
    free_host_id_list(full);
    ASSERT_EQ(5u, all.size());

    sweep_allocation_points("collect_host_ids_from, scripted host", [&](long n) {
        HostIdRecord *head = nullptr;
        const bool hit = run_failing(
            n, [&] { head = collect_host_ids_from(&scripted_platform, HOST_SOURCES_ALL); });
        const std::vector<std::string> got = describe(head);
        if (!hit) {
            EXPECT_EQ(all, got);
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
        }
        free_host_id_list(head);
        return hit;
    });
}

/* Without memory for any record (or any session) the host reads as giving
 * nothing, and the report says "Cannot get ID!": on standard error, with no
 * newline, nothing on standard output, and -1 from report_host_ids. */
TEST_F(CollectorFault, NoRecordAtAllReportsCannotGetId) {
    for (int all_kinds : {0, 1}) {
        const CapturedRun run = capture_output([all_kinds] {
            alloc_fail_every();
            const int result = report_host_ids(all_kinds);
            alloc_fail_reset();
            return result;
        });
        EXPECT_EQ(run.status, -1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Cannot get ID!");
    }
}
