/* The host identifiers as a library: its lists against veskid's report on
 * scripted hosts and on this one, the checker of typed texts (every single
 * substitution caught, pasted forms accepted, malformed input refused with
 * its reason and never over-read), the encoder against the published
 * examples, and the lookup of a text among this host's identifiers. */
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>
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
#ifdef VESKID_PATH
#include "veskid_process.h"
#endif

namespace {

/* The lines of a list, formatted as veskid prints them. */
std::string lines_of(const vesk_hostid *ids, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; i++) {
        out += std::string(1, ids[i].letter) + ":" + ids[i].text + "\n";
    }
    return out;
}

/* What veskid's report prints for the selection, without its hint, or its
 * message when the host could not be read. */
std::string report_of(int all_kinds) {
    CapturedRun run = capture_report(all_kinds);
    size_t hint = run.out.find(veskid_hint);
    return !run.err.empty()            ? run.err
           : hint == std::string::npos ? run.out
                                       : run.out.substr(0, hint);
}

/* The lines of the library's list of the platform's host, or veskid's
 * message when it fails. */
std::string library_lines(const HostPlatform *platform, int selection) {
    vesk_hostid *ids = nullptr;
    size_t count = 99;
    if (host_id_list_on(platform, selection, &ids, &count) != SUCCESS) {
        EXPECT_EQ(ids, nullptr);
        EXPECT_EQ(count, 0u);
        return "Cannot get ID!";
    }
    std::string out = lines_of(ids, count);
    vesk_hostid_list_free(ids);
    return out;
}

/* ---- Lists ---------------------------------------------------------------- */

typedef std::vector<unsigned char> Bytes;

/* One expected line: its letter as written here, its text from the encoder. */
struct Line {
    char letter;
    Bytes raw;
    int32_t kind;
};

Bytes little_endian(uint32_t value) {
    return {(unsigned char)value, (unsigned char)(value >> 8), (unsigned char)(value >> 16),
            (unsigned char)(value >> 24)};
}

const Line h_published = {'H', raw_bytes(published_volume), 4};
const Line h_scripted = {'H', little_endian(ScriptedHost().serial), 4}; /* serial not scripted */
const Line m_a = {'M', Bytes(adapter_a.begin(), adapter_a.end()), 2};
const Line m_b = {'M', Bytes(adapter_b.begin(), adapter_b.end()), 2};
const Line i_published = {'I', raw_bytes(published_ipv4), 1};

/* The text of the lines, or "Cannot get ID!" when none is expected at all. */
std::string expected_text(const std::vector<Line> &lines, bool host_gives_nothing) {
    if (host_gives_nothing) {
        return "Cannot get ID!";
    }
    std::string out;
    for (const Line &line : lines) {
        char text[VESK_HOSTID_TEXT_LENGTH + 1];
        EXPECT_EQ(vesk_hostid_encode(line.raw.data(), line.raw.size(), line.kind, text), SUCCESS);
        out += std::string(1, line.letter) + ":" + text + "\n";
    }
    return out;
}

/* A scripted host and the lines expected of it, stated here rather than
 * worked out by the selection under test. */
struct HostScenario {
    const char *name;
    void (*script)();
    std::vector<Line> primary;
    std::vector<Line> all;
    bool gives_nothing;
};

void PrintTo(const HostScenario &scenario, std::ostream *out) {
    *out << scenario.name;
}

class LibraryList : public ScriptedHostTest, public testing::WithParamInterface<HostScenario> {};

/* The library's lists and veskid's lines, for both selections, are the
 * expected ones: each text once, in collection order, M lines alone for
 * the primary selection. */
TEST_P(LibraryList, EqualsTheReport) {
    const HostScenario &scenario = GetParam();
    scenario.script();
    for (int selection : {VESK_HOSTID_PRIMARY, VESK_HOSTID_ALL}) {
        SCOPED_TRACE(selection);
        const std::string expected = expected_text(
            selection == VESK_HOSTID_ALL ? scenario.all : scenario.primary, scenario.gives_nothing);
        EXPECT_EQ(library_lines(&scripted_platform, selection), expected);
        EXPECT_EQ(report_of(selection), expected);
    }
}

/* The lines followed by 10.9.0.0 to 10.9.0.6, as the hostile host first
 * resolves them. */
std::vector<Line> then_hostile_addresses(std::vector<Line> lines) {
    for (unsigned char last = 0; last < 7; last++) {
        lines.push_back({'I', {10, 9, 0, last}, 1});
    }
    return lines;
}

const HostScenario scenarios[] = {
    {"usual",
     [] {
         scripted_host.serial = published_serial;
         script_lanas({0, 1});
         script_adapter(0, adapter_a);
         script_adapter(1, adapter_b);
         scripted_host.addresses = {published_address, {127, 0, 1, 1}};
     },
     {m_a, m_b},
     {h_published, m_a, m_b, i_published, {'I', {127, 0, 1, 1}, 1}},
     false},
    {"no_adapter",
     [] { scripted_host.addresses = {published_address}; },
     {},
     {h_scripted, i_published},
     false},
    {"repeats",
     [] {
         script_lanas({0, 1, 2});
         script_adapter(0, adapter_a);
         script_adapter(1, adapter_b);
         script_adapter(2, adapter_a);
         scripted_host.addresses = {published_address, {127, 0, 0, 1}, published_address};
     },
     {m_a, m_b},
     {h_scripted, m_a, m_b, i_published},
     false},
    {"every_source_fails",
     [] {
         scripted_host.volume_fails = true;
         scripted_host.enumeration_fails = true;
         scripted_host.startup_fails = true;
     },
     {},
     {},
     true},
    {"hostile",
     [] {
         std::vector<unsigned char> lanas;
         for (int lana = 0; lana < 255; lana++) {
             lanas.push_back((unsigned char)lana);
             script_adapter((unsigned char)lana, lana % 2 ? adapter_a : adapter_b);
         }
         script_lanas(lanas);
         for (int i = 0; i < 300; i++) {
             scripted_host.addresses.push_back({10, 9, 0, (unsigned char)(i % 7)});
         }
     },
     {m_b, m_a},
     then_hostile_addresses({h_scripted, m_b, m_a}),
     false},
};

INSTANTIATE_TEST_SUITE_P(Hosts, LibraryList, testing::ValuesIn(scenarios),
                         [](const testing::TestParamInfo<HostScenario> &info) {
                             return std::string(info.param.name);
                         });

class LibraryListInto : public ScriptedHostTest {};

/* Into the caller's array: the count is always the host's, the array gets
 * what fits, and SUCCESS says whether everything did. */
TEST_F(LibraryListInto, CountsAllAndWritesWhatFits) {
    script_lanas({0, 1});
    script_adapter(0, adapter_a);
    script_adapter(1, adapter_b);
    scripted_host.addresses = {published_address};
    vesk_hostid ids[4];
    memset(ids, 0x55, sizeof ids);
    size_t count = 0;
    EXPECT_EQ(host_id_list_into_on(&scripted_platform, VESK_HOSTID_ALL, nullptr, 0, &count),
              FAILURE);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(host_id_list_into_on(&scripted_platform, VESK_HOSTID_ALL, ids, 2, &count), FAILURE);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(lines_of(ids, 2), expected_text({h_scripted, m_a}, false));
    EXPECT_EQ((unsigned char)ids[2].letter, 0x55); /* untouched */
    EXPECT_EQ(host_id_list_into_on(&scripted_platform, VESK_HOSTID_PRIMARY, ids, 4, &count),
              SUCCESS);
    EXPECT_EQ(lines_of(ids, count), expected_text({m_a, m_b}, false));
    EXPECT_EQ(host_id_list_into_on(&scripted_platform, 7, ids, 4, &count), FAILURE);
    EXPECT_EQ(count, 0u);
    vesk_hostid *none = ids;
    EXPECT_EQ(vesk_hostid_list(-1, &none, &count), FAILURE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(vesk_hostid_list(VESK_HOSTID_ALL, nullptr, &count), FAILURE);
}

#ifdef VESKID_PATH
/* On this host, the library lists what the built veskid prints. */
TEST(LibraryOnThisHost, ListsWhatVeskidPrints) {
    for (int selection : {VESK_HOSTID_PRIMARY, VESK_HOSTID_ALL}) {
        VeskidRun run = run_veskid({selection ? "allid" : "id"});
        std::string lines = library_lines(&native_host_platform, selection);
        EXPECT_EQ(lines.empty() ? veskid_hint : lines, run.out + run.err);
    }
}
#endif

/* ---- Checking ---------------------------------------------------------------- */

/* The published examples, one per kind of this machine. */
const char *const ipv4_text = published_ipv4.text;
const char *const adapter_text = published_adapter.text;
const char *const volume_text = published_volume.text;

/* Checks exactly these bytes, from a heap block of exactly their size, so
 * that a sanitizer build sees a read of even one byte beyond them. */
int check_exact(const std::string &input, vesk_hostid_check *result) {
    std::unique_ptr<char[]> copy(new char[input.size()]);
    memcpy(copy.get(), input.data(), input.size());
    return vesk_hostid_check_text(copy.get(), input.size(), result);
}

/* The values of a text's 20 symbols, group by group. */
std::vector<int> symbol_values(const std::string &text) {
    std::vector<int> values;
    for (size_t at = 0; at < text.size(); at++) {
        if (at % 6 != 5) {
            values.push_back((int)(strchr(host_id_alphabet, text[at]) - host_id_alphabet));
        }
    }
    return values;
}

/* The text of 20 symbol values, dashes put back. */
std::string text_of(const std::vector<int> &values) {
    std::string text;
    for (size_t i = 0; i < values.size(); i++) {
        if (i > 0 && i % 5 == 0) {
            text += '-';
        }
        text += host_id_alphabet[values[i]];
    }
    return text;
}

TEST(HostIdCheck, KindsComeFromTheCheckCharacters) {
    for (const PublishedId &id : {published_ipv4, published_adapter, published_volume}) {
        vesk_hostid_check result;
        ASSERT_EQ(check_exact(id.text, &result), SUCCESS) << id.text;
        EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_NONE);
        EXPECT_EQ(result.kind, id.kind);
        EXPECT_EQ(result.letter, id.letter);
        EXPECT_STREQ(result.text, id.text);
    }
}

/* Every single-character substitution of a valid text, by any byte but the
 * character itself in either case, is refused. */
TEST(HostIdCheck, EverySingleSubstitutionIsCaught) {
    const std::string text = adapter_text;
    size_t tried = 0;
    for (size_t at = 0; at < text.size(); at++) {
        for (int byte = 0; byte < 256; byte++) {
            char c = (char)byte;
            if (c == text[at] || (c >= 'a' && c <= 'z' && c - 'a' + 'A' == text[at])) {
                continue;
            }
            std::string typed = text;
            typed[at] = c;
            vesk_hostid_check result;
            tried++;
            /* A blank at either end is trimmed: the text is then too short. */
            ASSERT_EQ(check_exact(typed, &result), FAILURE) << at << " " << byte;
            ASSERT_NE(result.fault, VESK_HOSTID_FAULT_NONE);
        }
    }
    size_t letters = 0;
    for (char c : text) {
        letters += c >= 'A' && c <= 'Z';
    }
    EXPECT_EQ(tried, 23 * 255 - letters); /* a letter's lower-case twin is the same text */
}

/* A wrong character is blamed on its group: the three others agree. */
TEST(HostIdCheck, TheWrongGroupIsNamed) {
    for (int group = 1; group <= 4; group++) {
        std::string typed = volume_text;
        size_t at = (size_t)(group - 1) * 6 + 2;
        typed[at] = typed[at] == 'A' ? 'B' : 'A';
        vesk_hostid_check result;
        ASSERT_EQ(check_exact("H:" + typed, &result), FAILURE);
        EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_CHECK);
        EXPECT_EQ(result.group, group);
        ASSERT_EQ(check_exact(typed, &result), FAILURE);
        EXPECT_EQ(result.group, group);
    }
    /* Two groups wrong in two ways: no single group can be named. */
    std::string typed = volume_text;
    typed[0] = 'A';
    typed[6] = '2';
    vesk_hostid_check result;
    ASSERT_EQ(check_exact(typed, &result), FAILURE);
    EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_CHECK);
}

/* One wrong character in each of two or three groups is caught, whatever
 * the symbols: the groups left alone still give the kind.  (One wrong
 * character in one group: EverySingleSubstitutionIsCaught.) */
TEST(HostIdCheck, AWrongCharacterInEachOfUpToThreeGroupsIsCaught) {
    const std::vector<int> values = symbol_values(volume_text);
    size_t tried = 0;
    for (int groups = 1; groups < 15; groups++) { /* every set of two or three groups */
        if (__builtin_popcount((unsigned)groups) < 2) {
            continue;
        }
        std::vector<int> chosen;
        for (int g = 0; g < 4; g++) {
            if (groups & (1 << g)) {
                chosen.push_back(g * 5 + g % 5); /* a different place in each group */
            }
        }
        size_t combinations = 1;
        for (size_t i = 0; i < chosen.size(); i++) {
            combinations *= 31;
        }
        for (size_t n = 0; n < combinations; n++) {
            std::vector<int> typed = values;
            size_t rest = n;
            for (int at : chosen) {
                typed[(size_t)at] ^= (int)(rest % 31) + 1; /* never 0: a real change */
                rest /= 31;
            }
            vesk_hostid_check result;
            tried++;
            ASSERT_EQ(check_exact(text_of(typed), &result), FAILURE) << text_of(typed);
            ASSERT_EQ(result.fault, VESK_HOSTID_FAULT_CHECK);
        }
    }
    EXPECT_EQ(tried, 6u * 31 * 31 + 4u * 31 * 31 * 31);
}

/* What the check characters cannot see, as the header says: they are an XOR
 * per group, blind to order, so these texts check as well formed (of the
 * same kind), though they are not the identifier that was given. */
TEST(HostIdCheck, MistakesTheCheckCannotSee) {
    const std::vector<int> values = symbol_values(volume_text);
    const auto passes_as_itself = [](const std::vector<int> &typed) {
        vesk_hostid_check result;
        return check_exact(text_of(typed), &result) == SUCCESS && result.kind == 4;
    };
    /* Two characters swapped within a group, the check character among them. */
    for (size_t g = 0; g < 4; g++) {
        for (size_t a = g * 5; a < g * 5 + 5; a++) {
            for (size_t b = a + 1; b < g * 5 + 5; b++) {
                std::vector<int> typed = values;
                std::swap(typed[a], typed[b]);
                EXPECT_TRUE(passes_as_itself(typed)) << a << " " << b;
            }
        }
    }
    /* Two wrong characters in one group whose changes cancel. */
    std::vector<int> typed = values;
    typed[6] ^= 9;
    typed[8] ^= 9;
    EXPECT_TRUE(passes_as_itself(typed));
    /* Groups swapped whole. */
    typed = values;
    std::swap_ranges(typed.begin(), typed.begin() + 5, typed.begin() + 15);
    EXPECT_TRUE(passes_as_itself(typed));
    /* The same change in all four groups is a text of another kind: only a
     * prefix naming the kind catches it. */
    typed = values;
    for (size_t g = 0; g < 4; g++) {
        typed[g * 5 + 1] ^= 3;
    }
    vesk_hostid_check result;
    ASSERT_EQ(check_exact(text_of(typed), &result), SUCCESS);
    EXPECT_EQ(result.kind, 4 ^ 3);
    EXPECT_EQ(check_exact("H:" + text_of(typed), &result), FAILURE);
}

/* A length that runs past the end of the address space is no length: the
 * text ends at its first NUL, and nothing before the text is read. */
TEST(HostIdCheck, ALengthPastTheAddressSpaceMeansUpToTheNul) {
    for (const std::string &typed :
         {std::string(adapter_text), std::string(" m:tz38d-4u9r4-8by5s-nh4hw\n")}) {
        std::unique_ptr<char[]> copy(new char[typed.size() + 1]);
        memcpy(copy.get(), typed.c_str(), typed.size() + 1);
        const size_t to_the_end = UINTPTR_MAX - (uintptr_t)copy.get();
        for (size_t length : {(size_t)SIZE_MAX, SIZE_MAX - 1, to_the_end + 1}) {
            vesk_hostid_check result;
            ASSERT_EQ(vesk_hostid_check_text(copy.get(), length, &result), SUCCESS) << length;
            EXPECT_STREQ(result.text, adapter_text);
        }
    }
    std::unique_ptr<char[]> empty(new char[1]());
    vesk_hostid_check result;
    EXPECT_EQ(vesk_hostid_check_text(empty.get(), SIZE_MAX, &result), FAILURE);
    EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_EMPTY);
}

/* Every byte outside ASCII, put in place of each character of a text with
 * and without its prefix, is a character fault at that place with the group
 * that any other wrong character there names: a page can show which group
 * to type again. */
TEST(HostIdCheck, ABytePastAsciiNamesTheGroupOfItsPlace) {
    for (const std::string prefix : {"", "M:"}) {
        for (size_t i = 0; i < VESK_HOSTID_TEXT_LENGTH; i++) {
            std::string typed = prefix + adapter_text;
            typed[prefix.size() + i] = '#';
            vesk_hostid_check ascii;
            ASSERT_EQ(check_exact(typed, &ascii), FAILURE);
            ASSERT_EQ(ascii.group, (int)(i / 6) + 1) << typed;
            for (int byte = 0x80; byte <= 0xFF; byte++) {
                typed[prefix.size() + i] = (char)byte;
                vesk_hostid_check result;
                ASSERT_EQ(check_exact(typed, &result), FAILURE);
                ASSERT_EQ(result.fault, VESK_HOSTID_FAULT_CHARACTER) << byte << " at " << i;
                ASSERT_EQ(result.group, ascii.group) << byte << " at " << i;
                ASSERT_EQ(result.position, prefix.size() + i) << byte << " at " << i;
            }
        }
    }
}

/* Any length is safe for a terminated text: a whole identifier before the
 * NUL is read up to the NUL and no further, a cut one is a NUL fault there;
 * a text without a NUL is read up to its length and no further. */
TEST(HostIdCheck, AnyLengthReadsNothingPastTheNulOrTheLength) {
    const std::string whole = std::string("M:") + adapter_text; /* 25 bytes */
    const size_t lengths[] = {SIZE_MAX / 2 + 1, SIZE_MAX, SIZE_MAX - 1, 4096, whole.size() + 1};
    for (const std::string &typed : {whole, std::string(" ") + adapter_text + "\r\n"}) {
        std::unique_ptr<char[]> copy(new char[typed.size() + 1]);
        memcpy(copy.get(), typed.c_str(), typed.size() + 1);
        for (size_t length : lengths) {
            vesk_hostid_check result;
            ASSERT_EQ(vesk_hostid_check_text(copy.get(), length, &result), SUCCESS) << length;
            EXPECT_STREQ(result.text, adapter_text);
        }
        /* Without a NUL: exactly length bytes, and not one more. */
        std::unique_ptr<char[]> bare(new char[typed.size()]);
        memcpy(bare.get(), typed.data(), typed.size());
        vesk_hostid_check result;
        EXPECT_EQ(vesk_hostid_check_text(bare.get(), typed.size(), &result), SUCCESS);
    }
    const char cut[] = "TZ38D-4U9R4";
    for (size_t length : {sizeof cut + 5, sizeof cut + 4096}) {
        vesk_hostid_check result;
        std::unique_ptr<char[]> copy(new char[sizeof cut]);
        memcpy(copy.get(), cut, sizeof cut);
        EXPECT_EQ(vesk_hostid_check_text(copy.get(), length, &result), FAILURE);
        EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_NUL);
        EXPECT_EQ(result.position, sizeof cut - 1);
    }
}

/* The malformed texts, the look-alikes in every place and the pasted forms
 * are the cases of tests/data/check-cases.tsv (test_check_cases.cpp), which
 * the npm package's tests read too. */

/* A null pointer is FAILURE, and every out-pointer that is given is cleared,
 * as the header says, before anything else is looked at. */
TEST(HostIdCheck, NullPointersAreRefused) {
    vesk_hostid_check result;
    EXPECT_EQ(vesk_hostid_check_text(nullptr, 23, &result), FAILURE);
    EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_NULL);
    EXPECT_EQ(vesk_hostid_check_text(adapter_text, 23, nullptr), FAILURE);
    int present = 1;
    EXPECT_EQ(vesk_hostid_has(nullptr, 0, &present, &result), FAILURE);
    EXPECT_EQ(present, 0);
    memset(&result, 0x55, sizeof result);
    EXPECT_EQ(vesk_hostid_has(adapter_text, 23, nullptr, &result), FAILURE);
    EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_NULL);
    EXPECT_EQ(result.group, 0);
    EXPECT_STREQ(result.text, "");
    EXPECT_EQ(vesk_hostid_has(adapter_text, 23, nullptr, nullptr), FAILURE);

    vesk_hostid stored[1];
    vesk_hostid *ids = stored;
    size_t count = 7;
    EXPECT_EQ(vesk_hostid_list(VESK_HOSTID_ALL, nullptr, &count), FAILURE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(vesk_hostid_list(VESK_HOSTID_ALL, &ids, nullptr), FAILURE);
    EXPECT_EQ(ids, nullptr);
    count = 7;
    EXPECT_EQ(vesk_hostid_list_into(VESK_HOSTID_ALL, nullptr, 1, &count), FAILURE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(vesk_hostid_list_into(VESK_HOSTID_ALL, stored, 1, nullptr), FAILURE);
}

/* ---- Encoding ------------------------------------------------------------------- */

TEST(HostIdEncode, ReproducesThePublishedExamples) {
    for (const PublishedId &id : {published_ipv4, published_adapter, published_volume}) {
        char text[VESK_HOSTID_TEXT_LENGTH + 1];
        ASSERT_EQ(vesk_hostid_encode(id.raw, id.raw_length, id.kind, text), SUCCESS);
        EXPECT_STREQ(text, id.text);
    }
}

/* The collector's raw lengths for its kinds; no bytes only without data. */
TEST(HostIdEncode, RawLengthsAreThoseOfTheCollector) {
    const unsigned char raw[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
    EXPECT_EQ(vesk_hostid_encode(raw, 5, 1, text), FAILURE);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(vesk_hostid_encode(raw, 4, 2, text), FAILURE);
    EXPECT_EQ(vesk_hostid_encode(raw, 8, 4, text), FAILURE);
    EXPECT_EQ(vesk_hostid_encode(nullptr, 1, 7, text), FAILURE);
    EXPECT_EQ(vesk_hostid_encode(raw, 4, 1, nullptr), FAILURE);
    ASSERT_EQ(vesk_hostid_encode(nullptr, 0, 7, text), SUCCESS);
    vesk_hostid_check result;
    ASSERT_EQ(vesk_hostid_check_text(text, strlen(text), &result), SUCCESS);
    EXPECT_EQ(result.kind, 7);
    EXPECT_EQ(result.letter, 'U');
    ASSERT_EQ(vesk_hostid_encode(raw, 8, 3, text), SUCCESS);
    EXPECT_EQ(vesk_hostid_letter(3), 'C');
}

/* ---- Looking a text up on the host --------------------------------------------- */

class HostIdHas : public ScriptedHostTest {};

TEST_F(HostIdHas, FindsTheHostsOwnIdentifiersOfEveryKind) {
    scripted_host.serial = published_serial;
    script_lanas({0});
    script_adapter(0, adapter_a);
    scripted_host.addresses = {published_address};
    for (const std::string &typed : {std::string("m:tz38d-4u9r4-8by5s-nh4hw\n"),
                                     std::string(volume_text), std::string("I:") + ipv4_text}) {
        int present = 0;
        vesk_hostid_check result;
        ASSERT_EQ(host_id_has_on(&scripted_platform, typed.data(), typed.size(), &present, &result),
                  SUCCESS);
        EXPECT_EQ(present, 1) << typed;
    }
    char other[VESK_HOSTID_TEXT_LENGTH + 1];
    const unsigned char raw[6] = {0x02, 0, 0, 0, 0, 0x02};
    ASSERT_EQ(vesk_hostid_encode(raw, 6, 2, other), SUCCESS);
    int present = 1;
    vesk_hostid_check result;
    ASSERT_EQ(host_id_has_on(&scripted_platform, other, strlen(other), &present, &result), SUCCESS);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(host_id_has_on(&scripted_platform, "TZ38D", 5, &present, &result), FAILURE);
    EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_LENGTH);
}

} // namespace
