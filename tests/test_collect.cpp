/* The filters, the list and the collector's walk over the host's sources. */
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
#include "scripted_host.h"

namespace {

typedef std::vector<unsigned char> Bytes;
typedef std::vector<std::string> Calls;
typedef std::vector<HostIdKind> Kinds;

Bytes bytes(const AdapterAddress &address) {
    return Bytes(address.begin(), address.end());
}

bool same_block(const NCB &a, const NCB &b) {
    return a.ncb_command == b.ncb_command && a.ncb_retcode == b.ncb_retcode &&
           a.ncb_lsn == b.ncb_lsn && a.ncb_num == b.ncb_num && a.ncb_buffer == b.ncb_buffer &&
           a.ncb_length == b.ncb_length && !memcmp(a.ncb_callname, b.ncb_callname, NCBNAMSZ) &&
           !memcmp(a.ncb_name, b.ncb_name, NCBNAMSZ) && a.ncb_rto == b.ncb_rto &&
           a.ncb_sto == b.ncb_sto && a.ncb_post == b.ncb_post && a.ncb_lana_num == b.ncb_lana_num &&
           a.ncb_cmd_cplt == b.ncb_cmd_cplt &&
           !memcmp(a.ncb_reserve, b.ncb_reserve, sizeof a.ncb_reserve) &&
           a.ncb_event == b.ncb_event;
}

class AddHostId : public ScriptedHostTest {};
class Collector : public ScriptedHostTest {};

} // namespace

TEST(Filters, RejectOnlyTheListedAddresses) {
    for (Bytes ip : {Bytes{127, 0, 0, 1}, Bytes{0, 0, 0, 0}, Bytes{127, 0, 0, 1, 9, 9}}) {
        EXPECT_FALSE(ip_address_is_usable(ip.data(), (int32_t)ip.size())) << (int)ip[0];
    }
    for (Bytes ip : {Bytes{127, 0, 0, 2}, Bytes{127, 1, 0, 1}, Bytes{169, 254, 1, 1},
                     Bytes{1, 0, 0, 127}, Bytes{0, 0, 0, 1}}) {
        EXPECT_TRUE(ip_address_is_usable(ip.data(), 4)) << (int)ip[0] << "." << (int)ip[3];
    }
    const Bytes zeros(6, 0x00), ones(6, 0xFF);
    EXPECT_FALSE(adapter_address_is_usable(zeros.data(), 6));
    EXPECT_FALSE(adapter_address_is_usable(ones.data(), 6));
    for (Bytes mac : {Bytes{0, 0, 0, 0, 0, 1}, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE},
                      Bytes{1, 0, 0, 0, 0, 0}}) {
        EXPECT_TRUE(adapter_address_is_usable(mac.data(), 6)) << (int)mac[0];
    }
    /* The count decides which bytes are looked at. */
    const Bytes longer = {0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_TRUE(adapter_address_is_usable(longer.data(), 8));
    EXPECT_FALSE(adapter_address_is_usable(longer.data(), 6));
}

TEST_F(AddHostId, AppendsCompleteRecordsAtTheTailLink) {
    HostIdRecord *head = nullptr;
    const unsigned char *serial = published_volume.raw, zeros[6] = {0};
    HostIdRecord **tail = add_host_id(&head, serial, 4, 4);
    HostIdList list(head);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(tail, &head->next);
    EXPECT_EQ(head->next, nullptr);
    EXPECT_EQ(head->raw_length, 4);
    EXPECT_NE(head->raw, serial);
    EXPECT_EQ(record_raw(head), Bytes(serial, serial + 4));
    EXPECT_EQ(head->digest[0], 0x2b);
    EXPECT_STREQ(head->text, published_volume.text);

    /* Kinds other than 1 and 2 pass unfiltered, even all-zero or empty. */
    for (HostIdKind kind : {0, 3, 5, 6, -7}) {
        tail = add_host_id(tail, zeros, 6, kind);
    }
    HostIdRecord **last = add_host_id(tail, zeros, 0, 5);
    EXPECT_EQ(list_kinds(head), (Kinds{4, 0, 3, 5, 6, -7, 5}));
    EXPECT_EQ(last, &(*tail)->next);
    EXPECT_EQ((*tail)->raw_length, 0);
}

/* A rejected identifier and a negative count leave the list as it was (failed
 * allocations: fault_collect.cpp). */
TEST_F(AddHostId, RejectedAppendLeavesNoTrace) {
    HostIdRecord *head = nullptr;
    const unsigned char loopback[4] = {127, 0, 0, 1}, serial[4] = {1, 2, 3, 4};
    const unsigned char ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(add_host_id(&head, loopback, 4, 1), &head);
    EXPECT_EQ(add_host_id(&head, ones, 6, 2), &head);
    EXPECT_EQ(add_host_id(&head, serial, -1, 4), &head);
    EXPECT_EQ(head, nullptr);
}

TEST_F(Collector, ReadsTheSourcesInOrderWithClearedCommandBlocks) {
    scripted_host.serial = published_serial;
    script_lanas({3, 7});
    script_adapter(3, adapter_a);
    script_adapter(7, adapter_b);
    scripted_host.addresses = {published_address, {192, 168, 1, 20}};

    HostIdList list(collect_scripted_host_ids());
    EXPECT_EQ(scripted_host.calls,
              (Calls{"volume C:\\", "enum", "reset 3", "status 3", "reset 7", "status 7",
                     "startup 0x0101", "hostname 80", "resolve scripted-host", "cleanup"}));
    std::vector<const HostIdRecord *> r = list_records(list.get());
    ASSERT_EQ(list_kinds(list.get()), (Kinds{4, 2, 2, 1, 1}));
    EXPECT_STREQ(r[0]->text, published_volume.text);
    EXPECT_STREQ(r[1]->text, published_adapter.text);
    EXPECT_EQ(record_raw(r[2]), bytes(adapter_b));
    EXPECT_STREQ(r[3]->text, published_ipv4.text);
    EXPECT_EQ(record_raw(r[4]), (Bytes{192, 168, 1, 20}));

    /* Each block is cleared and then given only its command's fields. */
    for (const NCB &ncb : scripted_host.blocks) {
        NCB expected;
        memset(&expected, 0, sizeof expected);
        expected.ncb_command = ncb.ncb_command;
        expected.ncb_lana_num = ncb.ncb_lana_num;
        if (ncb.ncb_command == NCBENUM) {
            expected.ncb_buffer = ncb.ncb_buffer;
            expected.ncb_length = 256;
            EXPECT_EQ(ncb.ncb_lana_num, 0);
        } else if (ncb.ncb_command == NCBASTAT) {
            expected.ncb_buffer = ncb.ncb_buffer;
            expected.ncb_length = 600;
            memcpy(expected.ncb_callname, "*               ", NCBNAMSZ);
        }
        EXPECT_NE(ncb.ncb_command == NCBRESET, ncb.ncb_buffer != nullptr);
        EXPECT_TRUE(same_block(ncb, expected)) << "command " << (int)ncb.ncb_command;
    }
}

/* The count byte alone decides the walk: 0 means no reset or status, a failed
 * enumeration leaves it 0, and a count beyond the numbers written walks the
 * zeroed entries as LANA 0. */
TEST_F(Collector, CountByteDecidesTheAdapterWalk) {
    scripted_host.volume_fails = true;
    scripted_host.lanas = {5, 6};
    script_adapter(5, adapter_a);
    script_adapter(0, adapter_b);
    HostIdList none(collect_scripted_host_ids());
    EXPECT_EQ(scripted_host.calls[2], "startup 0x0101");
    EXPECT_EQ(none.get(), nullptr);

    scripted_host.calls.clear();
    scripted_host.lana_count = 2;
    scripted_host.enumeration_fails = true;
    HostIdList failed(collect_scripted_host_ids());
    EXPECT_EQ(scripted_host.calls[2], "startup 0x0101");

    scripted_host.calls.clear();
    scripted_host.enumeration_fails = false;
    scripted_host.lanas = {5};
    scripted_host.lana_count = 3;
    HostIdList beyond(collect_scripted_host_ids());
    EXPECT_EQ(Calls(scripted_host.calls.begin() + 1, scripted_host.calls.begin() + 8),
              (Calls{"enum", "reset 5", "status 5", "reset 0", "status 0", "reset 0", "status 0"}));
    std::vector<const HostIdRecord *> r = list_records(beyond.get());
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(record_raw(r[0]), bytes(adapter_a));
    EXPECT_EQ(record_raw(r[2]), bytes(adapter_b));
}

/* A failed status skips its adapter after the reset; unusable addresses and a
 * status that writes nothing give no record; a repeated address gives a
 * second record with the same text. */
TEST_F(Collector, AdapterAnswers) {
    script_lanas({0, 1, 2, 3, 4, 5});
    script_adapter(0, adapter_a);
    scripted_host.status[1] = ScriptedStatus{NRC_GOODRET, adapter_b, true};
    script_status_failure(2, 0x34);
    script_adapter(3, AdapterAddress{0, 0, 0, 0, 0, 0});
    script_adapter(4, AdapterAddress{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    script_adapter(5, adapter_a);

    HostIdList list(collect_scripted_host_ids());
    EXPECT_EQ(scripted_count("reset 2") + scripted_count("status 2"), 2u);
    std::vector<const HostIdRecord *> r = list_records(list.get());
    ASSERT_EQ(list_kinds(list.get()), (Kinds{4, 2, 2}));
    EXPECT_EQ(record_raw(r[1]), bytes(adapter_a));
    EXPECT_STREQ(r[1]->text, r[2]->text);
}

TEST_F(Collector, ResolvedAddressesInResolverOrderWithoutLoopback) {
    scripted_host.addresses = {{192, 168, 5, 5}, {127, 0, 0, 1}, published_address};
    HostIdList list(collect_scripted_host_ids());
    std::vector<const HostIdRecord *> r = list_records(list.get());
    ASSERT_EQ(list_kinds(list.get()), (Kinds{4, 1, 1}));
    EXPECT_EQ(record_raw(r[1]), (Bytes{192, 168, 5, 5}));
    EXPECT_STREQ(r[2]->text, published_ipv4.text);
}

/* Every successful start is followed by exactly one clean-up, whatever became
 * of the name; a failed start by none. */
TEST_F(Collector, SocketLayerIsReleasedOnceAfterEverySuccessfulStart) {
    const Calls resolved = {"startup 0x0101", "hostname 80", "resolve scripted-host", "cleanup"};
    const struct {
        bool ScriptedHost::*failure;
        Calls calls;
    } cases[] = {
        {&ScriptedHost::startup_fails, {"startup 0x0101"}},
        {&ScriptedHost::host_name_fails, {"startup 0x0101", "hostname 80", "cleanup"}},
        {&ScriptedHost::resolution_fails, resolved},
        {&ScriptedHost::null_address_list, resolved},
    };
    for (const auto &c : cases) {
        scripted_host = ScriptedHost();
        scripted_host.*c.failure = true;
        scripted_host.addresses = {published_address};
        HostIdList list(collect_scripted_host_ids());
        EXPECT_EQ(Calls(scripted_host.calls.begin() + 2, scripted_host.calls.end()), c.calls);
        EXPECT_EQ(list_kinds(list.get()), (Kinds{4}));
    }
}

/* An 80-byte name with no terminator, 1000 addresses, 255 LANA numbers. */
TEST_F(Collector, HostileAnswersAreWalkedSafely) {
    scripted_host.host_name = std::string(80, 'n') + "-beyond-the-buffer";
    for (int i = 0; i < 1000; i++) {
        scripted_host.addresses.push_back({10, 1, (unsigned char)(i >> 8), (unsigned char)i});
    }
    std::vector<unsigned char> every_lana;
    for (int lana = 0; lana < 255; lana++) {
        every_lana.push_back((unsigned char)lana);
        script_status_failure((unsigned char)lana, 0x34);
    }
    script_lanas(every_lana);

    HostIdList failing(collect_scripted_host_ids());
    EXPECT_EQ(scripted_count("resolve " + std::string(80, 'n')), 1u);
    EXPECT_EQ(scripted_host.calls.size(), 2 + 2 * 255 + 4u);
    std::vector<const HostIdRecord *> r = list_records(failing.get());
    ASSERT_EQ(r.size(), 1001u);
    EXPECT_EQ(r[1]->kind, 1);
    EXPECT_EQ(record_raw(r[1000]), (Bytes{10, 1, 3, 0xE7}));

    for (unsigned char lana : every_lana) {
        script_adapter(lana, adapter_b);
    }
    HostIdList repeating(collect_scripted_host_ids());
    EXPECT_EQ(list_records(repeating.get()).size(), 1 + 255 + 1000u);
}
