/* vesk_hostid_explain's portable part over the scripted host: the
 * IDENTIFIER items are the list's entries in its order, repeats included;
 * the addresses of the host's name left out or flagged; each source's
 * outcome, a source that could not be read being an item rather than a
 * failure; the items grouped by what they are; the raw properties only when
 * asked for. */
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "explain.h"
#include "lists.h"
#include "published_ids.h"
#include "scripted_host.h"
#include "stability_text.h"
#include "vesk_hostid.h"

namespace {

struct Explained {
    int status = FAILURE;
    std::vector<vesk_hostid_item> items;
    vesk_hostid_item *array = nullptr;
    ~Explained() { vesk_hostid_explain_free(array); }
};

void explain(Explained *out, unsigned options = 0) {
    size_t count = 0;
    out->status = host_id_explain_on(&scripted_platform, options, &out->array, &count);
    out->items.assign(out->array, out->array + count);
}

std::vector<std::string> identifier_lines(const std::vector<vesk_hostid_item> &items) {
    std::vector<std::string> lines;
    for (const vesk_hostid_item &item : items) {
        if (item.what == VESK_HOSTID_ITEM_IDENTIFIER) {
            lines.push_back(std::string(1, item.letter) + ":" + item.text);
        }
    }
    return lines;
}

std::vector<std::string> listed_lines() {
    vesk_hostid *ids = nullptr;
    size_t count = 0;
    EXPECT_EQ(host_id_list_on(&scripted_platform, VESK_HOSTID_ALL, &ids, &count), SUCCESS);
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; i++) {
        lines.push_back(std::string(1, ids[i].letter) + ":" + ids[i].text);
    }
    vesk_hostid_list_free(ids);
    return lines;
}

const vesk_hostid_item *source_item(const std::vector<vesk_hostid_item> &items, const char *name) {
    for (const vesk_hostid_item &item : items) {
        if (item.what == VESK_HOSTID_ITEM_SOURCE && strcmp(item.name, name) == 0) {
            return &item;
        }
    }
    return nullptr;
}

/* A host with every kind, an adapter address twice and an address twice. */
void script_full_host() {
    scripted_host.serial = published_serial;
    script_lanas({0, 1, 2});
    script_adapter(0, adapter_a);
    script_adapter(1, adapter_b);
    script_adapter(2, adapter_a);
    scripted_host.addresses = {published_address, {{127, 0, 0, 1}}, published_address};
}

class ExplainScripted : public ScriptedHostTest {};

TEST_F(ExplainScripted, IdentifiersAreTheListsInItsOrder) {
    script_full_host();
    Explained explained;
    explain(&explained);
    ASSERT_EQ(explained.status, SUCCESS);
    EXPECT_EQ(identifier_lines(explained.items), listed_lines());
    /* The second adapter_a and the second 10.0.0.1 are repeats: not listed. */
    std::vector<std::string> lines = identifier_lines(explained.items);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0] + "\n", id_line(published_volume));
    EXPECT_EQ(lines[1] + "\n", id_line(published_adapter));
    EXPECT_EQ(lines[3] + "\n", id_line(published_ipv4));
}

TEST_F(ExplainScripted, ItemsComeGroupedInTheirOrder) {
    script_full_host();
    Explained explained;
    explain(&explained);
    ASSERT_EQ(explained.status, SUCCESS);
    ASSERT_FALSE(explained.items.empty());
    for (size_t i = 1; i < explained.items.size(); i++) {
        EXPECT_LE(explained.items[i - 1].what, explained.items[i].what) << i;
    }
    std::vector<std::string> sources;
    for (const vesk_hostid_item &item : explained.items) {
        if (item.what == VESK_HOSTID_ITEM_SOURCE) {
            sources.push_back(std::string(1, item.letter) + item.name + "=" + item.reason);
        }
    }
    EXPECT_EQ(sources, (std::vector<std::string>{"Hvolume=identifiers", "Madapters=identifiers",
                                                 "Iaddresses=identifiers"}));
}

TEST_F(ExplainScripted, AnAddressRepeatedIsLeftOutOnce) {
    script_full_host();
    Explained explained;
    explain(&explained);
    ASSERT_EQ(explained.status, SUCCESS);
    std::vector<std::string> left_out;
    for (const vesk_hostid_item &item : explained.items) {
        if (item.what == VESK_HOSTID_ITEM_LEFT_OUT && item.kind == VESK_HOSTID_KIND_IPV4) {
            left_out.push_back(item.reason);
            EXPECT_STREQ(item.name, "scripted-host");
            EXPECT_STREQ(item.text, "");
        }
    }
    ASSERT_EQ(left_out.size(), 2u);
    EXPECT_NE(left_out[0].find("127.0.0.1"), std::string::npos) << left_out[0];
    EXPECT_NE(left_out[1].find("same address"), std::string::npos) << left_out[1];
}

/* Which item each address of the host's name gives, and its flags. */
struct AddressCase {
    const char *label;
    Ipv4Address address;
    int what;
    unsigned flags;
};

/* Its label only: the record's padding is not to be printed. */
void PrintTo(const AddressCase &c, std::ostream *out) {
    *out << c.label;
}

class ExplainAddress : public ScriptedHostTest, public testing::WithParamInterface<AddressCase> {};

TEST_P(ExplainAddress, GivesItsItemAndFlags) {
    const AddressCase &c = GetParam();
    scripted_host.addresses = {c.address};
    Explained explained;
    explain(&explained, VESK_HOSTID_EXPLAIN_RAW);
    ASSERT_EQ(explained.status, SUCCESS);
    const vesk_hostid_item *found = nullptr;
    for (const vesk_hostid_item &item : explained.items) {
        if (item.kind == VESK_HOSTID_KIND_IPV4 && item.what != VESK_HOSTID_ITEM_SOURCE) {
            EXPECT_EQ(found, nullptr) << "a second item for one address";
            found = &item;
        }
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->what, c.what);
    EXPECT_EQ(found->flags, c.flags);
    EXPECT_STREQ(found->name, "scripted-host");
    EXPECT_STREQ(found->origin, "the resolver");
    char dotted[32];
    snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", c.address[0], c.address[1], c.address[2],
             c.address[3]);
    EXPECT_STREQ(found->raw, dotted);
    EXPECT_EQ(found->what == VESK_HOSTID_ITEM_IDENTIFIER, strlen(found->text) == 23u);
    if (found->what == VESK_HOSTID_ITEM_IDENTIFIER) {
        EXPECT_TRUE(is_stability_text(found->changes)) << found->changes;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ExplainAddress,
    testing::Values(
        AddressCase{"loopback",
                    {{127, 0, 0, 1}},
                    VESK_HOSTID_ITEM_LEFT_OUT,
                    VESK_HOSTID_FLAG_LOOPBACK | VESK_HOSTID_FLAG_SHARED},
        AddressCase{"zero", {{0, 0, 0, 0}}, VESK_HOSTID_ITEM_LEFT_OUT, 0},
        AddressCase{"debian",
                    {{127, 0, 1, 1}},
                    VESK_HOSTID_ITEM_IDENTIFIER,
                    VESK_HOSTID_FLAG_LOOPBACK | VESK_HOSTID_FLAG_SHARED},
        AddressCase{"loopback_end",
                    {{127, 255, 255, 254}},
                    VESK_HOSTID_ITEM_IDENTIFIER,
                    VESK_HOSTID_FLAG_LOOPBACK | VESK_HOSTID_FLAG_SHARED},
        AddressCase{"link_local",
                    {{169, 254, 7, 9}},
                    VESK_HOSTID_ITEM_IDENTIFIER,
                    VESK_HOSTID_FLAG_LINK_LOCAL},
        AddressCase{"next_to_link_local", {{169, 255, 0, 1}}, VESK_HOSTID_ITEM_IDENTIFIER, 0},
        AddressCase{"next_to_loopback", {{126, 255, 255, 255}}, VESK_HOSTID_ITEM_IDENTIFIER, 0},
        AddressCase{"private", {{10, 0, 0, 1}}, VESK_HOSTID_ITEM_IDENTIFIER, 0}),
    [](const testing::TestParamInfo<AddressCase> &info) { return std::string(info.param.label); });

/* A source's outcome, and that the call succeeds all the same. */
struct SourceCase {
    const char *label;
    void (*script)();
    const char *source;
    const char *outcome;
};

class ExplainSource : public ScriptedHostTest, public testing::WithParamInterface<SourceCase> {};

TEST_P(ExplainSource, IsAnItemNotAFailure) {
    const SourceCase &c = GetParam();
    scripted_host.addresses = {published_address};
    c.script();
    Explained explained;
    explain(&explained);
    ASSERT_EQ(explained.status, SUCCESS);
    const vesk_hostid_item *item = source_item(explained.items, c.source);
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->reason, c.outcome);
    EXPECT_STREQ(item->text, "");
    EXPECT_EQ(item->raw, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ExplainSource,
    testing::Values(
        SourceCase{"volume_fails", [] { scripted_host.volume_fails = true; }, "volume",
                   "could not be read"},
        SourceCase{"volume_none", [] { scripted_host.volume_none = true; }, "volume", "none"},
        SourceCase{"serial_zero", [] { scripted_host.serial = 0; }, "volume", "none"},
        SourceCase{"no_adapter", [] {}, "adapters", "none"},
        SourceCase{"enumeration_fails", [] { scripted_host.enumeration_fails = true; }, "adapters",
                   "could not be read"},
        SourceCase{"status_fails",
                   [] {
                       script_lanas({0});
                       script_status_failure(0, NRC_SYSTEM);
                   },
                   "adapters", "could not be read"},
        SourceCase{"resolver_fails", [] { scripted_host.resolution_fails = true; }, "addresses",
                   "could not be read"},
        SourceCase{"name_unknown", [] { scripted_host.name_unknown = true; }, "addresses", "none"},
        SourceCase{"only_loopback",
                   [] {
                       scripted_host.addresses = {{{127, 0, 0, 1}}};
                   },
                   "addresses", "none"},
        SourceCase{"session_fails", [] { scripted_host.session_fails = true; }, "volume",
                   "could not be read"}),
    [](const testing::TestParamInfo<SourceCase> &info) { return std::string(info.param.label); });

TEST_F(ExplainScripted, RawOnlyWhenAskedFor) {
    script_full_host();
    Explained plain, raw;
    explain(&plain);
    explain(&raw, VESK_HOSTID_EXPLAIN_RAW);
    ASSERT_EQ(plain.status, SUCCESS);
    ASSERT_EQ(raw.status, SUCCESS);
    ASSERT_EQ(plain.items.size(), raw.items.size());
    for (const vesk_hostid_item &item : plain.items) {
        EXPECT_EQ(item.raw, nullptr);
        EXPECT_NE(item.name, nullptr);
        EXPECT_NE(item.origin, nullptr);
        EXPECT_NE(item.reason, nullptr);
        EXPECT_NE(item.changes, nullptr);
    }
    std::vector<std::string> raws;
    for (const vesk_hostid_item &item : raw.items) {
        ASSERT_NE(item.raw, nullptr);
        if (item.what == VESK_HOSTID_ITEM_IDENTIFIER) {
            raws.push_back(item.raw);
        }
    }
    EXPECT_EQ(raws, (std::vector<std::string>{"0x12345678", "02:00:00:00:00:01",
                                              "00:11:22:33:44:55", "10.0.0.1"}));
}

TEST_F(ExplainScripted, NullPointersFailAndClearTheOther) {
    vesk_hostid_item *items = reinterpret_cast<vesk_hostid_item *>(&items);
    size_t count = 9;
    EXPECT_EQ(host_id_explain_on(&scripted_platform, 0, &items, nullptr), FAILURE);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(host_id_explain_on(&scripted_platform, 0, nullptr, &count), FAILURE);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(scripted_host.calls.empty());
}

} // namespace
