/* A licence's lines against the scripted host: what each line is, how the
 * block is read (blank lines, CR LF, the prefix, any order, a NUL), that the
 * host is read once and only for the kinds the lines have, and that a source
 * that could not be read is a failure, never "absent". */
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "match.h"
#include "published_ids.h"
#include "scripted_host.h"
#include "vesk_hostid.h"

namespace {

class LicenceMatch : public ScriptedHostTest {
  protected:
    void SetUp() override {
        ScriptedHostTest::SetUp();
        scripted_host.serial = published_serial;
        script_lanas({3});
        script_adapter(3, adapter_a);
        scripted_host.addresses = {published_address};
    }
    void TearDown() override { vesk_hostid_match_free(result); }

    int match(const std::string &block) {
        vesk_hostid_match_free(result);
        result = nullptr;
        return host_id_match_on(&scripted_platform, block.data(), block.size(), &result);
    }

    /* The verdicts in order, one letter a line: P, A or X. */
    std::string verdicts() const {
        std::string letters;
        for (size_t i = 0; i < result->count; i++) {
            letters += "?PAX"[result->lines[i].verdict];
        }
        return letters;
    }

    vesk_hostid_match_result *result = nullptr;
};

/* The I text of an address, as the encoder writes it. */
std::string ipv4_text(std::initializer_list<unsigned char> address) {
    std::vector<unsigned char> raw(address);
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
    EXPECT_EQ(vesk_hostid_encode(raw.data(), raw.size(), VESK_HOSTID_KIND_IPV4, text), SUCCESS);
    return text;
}

TEST_F(LicenceMatch, EachLinePresentAbsentOrMalformedWithTheCounts) {
    const std::string block =
        std::string("H:") + published_volume.text + "\n" + "M:" + published_adapter.text + "\n" +
        "I:" + ipv4_text({10, 9, 9, 9}) + "\n" + "M:TZ38D-4U9R4-8BY5S-NH4HX\n";
    ASSERT_EQ(match(block), SUCCESS);
    EXPECT_EQ(verdicts(), "PPAX");
    EXPECT_EQ(result->count, 4u);
    EXPECT_EQ(result->present, 2u);
    EXPECT_EQ(result->absent, 1u);
    EXPECT_EQ(result->malformed, 1u);
    /* The malformed line keeps the checker's answer, counted from its own start. */
    const vesk_hostid_match_line &bad = result->lines[3];
    EXPECT_EQ(bad.check.fault, VESK_HOSTID_FAULT_CHECK);
    EXPECT_EQ(bad.check.group, 4);
    EXPECT_EQ(bad.check.position, 2u + 22);
    EXPECT_EQ(bad.line, 4u);
    EXPECT_EQ(block.compare(bad.start, 2, "M:"), 0);
}

/* Pasted as people paste: CR LF, blank and blank-only lines (not counted),
 * lower case, no prefix, blanks around, any order; the line numbers are the
 * block's. */
TEST_F(LicenceMatch, PastedBlocksAreReadAsTheCheckerReadsAText) {
    std::string lower = published_adapter.text;
    for (char &c : lower) {
        c = (char)tolower((unsigned char)c);
    }
    const std::string block = "\r\n \t\r\n  " + lower + "\r\n\n" + published_volume.text +
                              "  \r\nI:" + published_ipv4.text;
    ASSERT_EQ(match(block), SUCCESS);
    EXPECT_EQ(verdicts(), "PPP");
    EXPECT_EQ(result->lines[0].line, 3u);
    EXPECT_EQ(result->lines[1].line, 5u);
    EXPECT_EQ(result->lines[2].line, 6u);
    EXPECT_STREQ(result->lines[0].check.text, published_adapter.text);

    /* Surrounding words are not the checker's: the line is malformed. */
    ASSERT_EQ(match(std::string("my id: M:") + published_adapter.text), SUCCESS);
    EXPECT_EQ(verdicts(), "X");
    /* A NUL ends the block, as it ends a text; nothing is not a failure. */
    const std::string cut = std::string("M:") + published_adapter.text + '\0' + "garbage\n";
    ASSERT_EQ(match(cut), SUCCESS);
    EXPECT_EQ(verdicts(), "P");
    ASSERT_EQ(match(""), SUCCESS);
    EXPECT_EQ(result->count, 0u);
}

/* One reading of the host whatever the number of lines, and only of the
 * sources that the well-formed lines' kinds need. */
TEST_F(LicenceMatch, TheHostIsReadOnceAndOnlyForTheKindsAsked) {
    std::string many;
    for (int i = 0; i < 50; i++) {
        many += std::string("I:") + ipv4_text({10, 0, 1, (unsigned char)i}) + "\n";
    }
    ASSERT_EQ(match(many), SUCCESS);
    EXPECT_EQ(scripted_count("hostname 80"), 1u);
    EXPECT_EQ(scripted_count("enum"), 0u);
    EXPECT_EQ(scripted_count("volume C:\\"), 0u);

    scripted_host.calls.clear();
    ASSERT_EQ(match(std::string("M:") + published_adapter.text + "\nnot an id\n"), SUCCESS);
    EXPECT_EQ(scripted_count("enum"), 1u);
    EXPECT_EQ(scripted_count("hostname 80"), 0u);

    scripted_host.calls.clear();
    ASSERT_EQ(match("not an id\n\n"), SUCCESS);
    EXPECT_TRUE(scripted_host.calls.empty());
}

/* A source that a line needs and that could not be read fails the call: a
 * licence is never told "absent" for a host that could not be asked.  A
 * source no line needs may fail. */
TEST_F(LicenceMatch, AnUnreadableSourceIsAFailureNeverAbsent) {
    scripted_host.enumeration_fails = true;
    const std::string m = std::string("M:") + published_adapter.text + "\n";
    EXPECT_EQ(match(m), FAILURE);
    EXPECT_EQ(result, nullptr);
    ASSERT_EQ(match(std::string("H:") + published_volume.text), SUCCESS);
    EXPECT_EQ(verdicts(), "P");

    scripted_host = ScriptedHost();
    scripted_host.resolution_fails = true;
    EXPECT_EQ(match(std::string("I:") + published_ipv4.text), FAILURE);
    scripted_host.resolution_fails = false;
    scripted_host.name_unknown = true;
    ASSERT_EQ(match(std::string("I:") + published_ipv4.text), SUCCESS);
    EXPECT_EQ(verdicts(), "A");
}

/* The I of the loopback address that a stock Debian host gives its own
 * name is every such host's: said so, whether this host has it or not. */
TEST_F(LicenceMatch, AnIdentifierManyHostsShareIsMarked) {
    const std::string debian = ipv4_text({127, 0, 1, 1});
    EXPECT_EQ(debian, "UUJGR-EPE7T-L3R2F-8MN3B");
    scripted_host.addresses = {{{127, 0, 1, 1}}};
    ASSERT_EQ(match("I:" + debian + "\nI:" + ipv4_text({127, 0, 0, 1}) +
                    "\nI:" + published_ipv4.text + "\n"),
              SUCCESS);
    EXPECT_EQ(verdicts(), "PAA");
    EXPECT_EQ(result->shared, 2u);
    EXPECT_EQ(result->lines[0].shared, 1);
    EXPECT_EQ(result->lines[1].shared, 1);
    EXPECT_EQ(result->lines[2].shared, 0);
    EXPECT_FALSE(host_id_is_shared(published_ipv4.text));
}

TEST(LicenceMatchArguments, NullPointersAreRefused) {
    vesk_hostid_match_result *result = reinterpret_cast<vesk_hostid_match_result *>(&result);
    EXPECT_EQ(vesk_hostid_match(nullptr, 0, &result), FAILURE);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(vesk_hostid_match("x", 1, nullptr), FAILURE);
    vesk_hostid_match_free(nullptr);
}

} // namespace
