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

#include "hostid_private.h"
#include "platform.h"
#include "scripted_host.h"
#include "vesk_hostid.h"

namespace {

const AdapterAddress adapter_a = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const AdapterAddress adapter_b = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

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
    fflush(stdout);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    leak_check_pause();
    report_host_ids(all_kinds);
    leak_check_resume();
    fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    size_t hint = out.find("No primary IDs");
    return !err.empty() ? err : hint == std::string::npos ? out : out.substr(0, hint);
}

/* The lines of the library's list, or veskid's message when it fails. */
std::string library_lines(int selection) {
    vesk_hostid *ids = nullptr;
    size_t count = 99;
    if (vesk_hostid_list(selection, &ids, &count) != SUCCESS) {
        EXPECT_EQ(ids, nullptr);
        EXPECT_EQ(count, 0u);
        return "Cannot get ID!";
    }
    std::string out = lines_of(ids, count);
    vesk_hostid_list_free(ids);
    return out;
}

/* ---- Lists ---------------------------------------------------------------- */

struct HostScenario {
    const char *name;
    void (*script)();
};

void PrintTo(const HostScenario &scenario, std::ostream *out) {
    *out << scenario.name;
}

class LibraryList : public ScriptedHostTest, public testing::WithParamInterface<HostScenario> {};

/* The library's lists are veskid's lines, byte for byte, for both selections. */
TEST_P(LibraryList, EqualsTheReport) {
    GetParam().script();
    for (int selection : {VESK_HOSTID_PRIMARY, VESK_HOSTID_ALL}) {
        SCOPED_TRACE(selection);
        EXPECT_EQ(library_lines(selection), report_of(selection));
    }
}

const HostScenario scenarios[] = {
    {"usual",
     [] {
         scripted_host.serial = 0x12345678;
         script_lanas({0, 1});
         script_adapter(0, adapter_a);
         script_adapter(1, adapter_b);
         scripted_host.addresses = {{10, 0, 0, 1}, {127, 0, 1, 1}};
     }},
    {"no_adapter",
     [] {
         scripted_host.addresses = {{10, 0, 0, 1}};
     }},
    {"repeats",
     [] {
         script_lanas({0, 1, 2});
         script_adapter(0, adapter_a);
         script_adapter(1, adapter_b);
         script_adapter(2, adapter_a);
         scripted_host.addresses = {{10, 0, 0, 1}, {127, 0, 0, 1}, {10, 0, 0, 1}};
     }},
    {"every_source_fails",
     [] {
         scripted_host.volume_fails = true;
         scripted_host.enumeration_fails = true;
         scripted_host.startup_fails = true;
     }},
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
     }},
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
    scripted_host.addresses = {{10, 0, 0, 1}};
    vesk_hostid ids[4];
    memset(ids, 0x55, sizeof ids);
    size_t count = 0;
    EXPECT_EQ(vesk_hostid_list_into(VESK_HOSTID_ALL, nullptr, 0, &count), FAILURE);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(vesk_hostid_list_into(VESK_HOSTID_ALL, ids, 2, &count), FAILURE);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(lines_of(ids, 2), report_of(1).substr(0, 52));
    EXPECT_EQ((unsigned char)ids[2].letter, 0x55); /* untouched */
    EXPECT_EQ(vesk_hostid_list_into(VESK_HOSTID_PRIMARY, ids, 4, &count), SUCCESS);
    EXPECT_EQ(lines_of(ids, count), report_of(0));
    EXPECT_EQ(vesk_hostid_list_into(7, ids, 4, &count), FAILURE);
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
        std::string command = std::string("'" VESKID_PATH "' ") + (selection ? "allid" : "id");
        FILE *pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string printed;
        char block[4096];
        for (size_t got; (got = fread(block, 1, sizeof block, pipe)) > 0;) {
            printed.append(block, got);
        }
        pclose(pipe);
        std::string lines = library_lines(selection);
        EXPECT_EQ(lines.empty() ? "No primary IDs was detected. Try option 'allid' to see "
                                  "secondary IDs."
                                : lines,
                  printed);
    }
}
#endif

/* ---- Checking ---------------------------------------------------------------- */

/* The published examples, one per kind of this machine. */
const char ipv4_text[] = "LFTYK-6QHYC-4FL4Q-Y7SJU";    /* 10.0.0.1 */
const char adapter_text[] = "TZ38D-4U9R4-8BY5S-NH4HW"; /* 02-00-00-00-00-01 */
const char volume_text[] = "MTQDV-9FLM9-88N4U-S8J97";  /* serial 12345678 */

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
    const struct {
        const char *text;
        int32_t kind;
        char letter;
    } cases[] = {{ipv4_text, 1, 'I'}, {adapter_text, 2, 'M'}, {volume_text, 4, 'H'}};
    for (const auto &c : cases) {
        vesk_hostid_check result;
        ASSERT_EQ(check_exact(c.text, &result), SUCCESS) << c.text;
        EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_NONE);
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(result.letter, c.letter);
        EXPECT_STREQ(result.text, c.text);
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

/* A character that is not ASCII looks like an alphabet character or like
 * nothing, and its bytes make the text look too long: it is named, at its
 * first byte, wherever it is, with a message that says what it may be. */
struct LookAlike {
    const char *name;
    const char *bytes; /* UTF-8 */
};

void PrintTo(const LookAlike &l, std::ostream *out) {
    *out << l.name;
}

class NotAscii : public testing::TestWithParam<LookAlike> {};

TEST_P(NotAscii, IsACharacterFaultAtItsPosition) {
    const std::string other = GetParam().bytes;
    const std::string text = adapter_text;
    const struct {
        std::string typed;
        size_t position;
    } placements[] = {
        {other + text, 0},                                  /* before it */
        {"\t" + other + text.substr(1), 1},                 /* instead of its first */
        {text.substr(0, 11) + other + text.substr(12), 11}, /* instead of a dash */
        {"M:" + text.substr(0, 8) + other + text.substr(9), 10},
        {text.substr(0, 22) + other, 22}, /* instead of its last */
        {text + other + " \r\n", 23},     /* after it, before blanks */
    };
    for (const auto &p : placements) {
        vesk_hostid_check result;
        ASSERT_EQ(check_exact(p.typed, &result), FAILURE) << p.typed;
        EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_CHARACTER) << p.typed;
        EXPECT_EQ(result.position, p.position) << p.typed;
    }
    EXPECT_NE(strstr(vesk_hostid_fault_message(VESK_HOSTID_FAULT_CHARACTER), "look-alike"),
              nullptr);
}

const LookAlike look_alikes[] = {
    {"no_break_space", "\xC2\xA0"},   {"byte_order_mark", "\xEF\xBB\xBF"},
    {"en_dash", "\xE2\x80\x93"},      {"cyrillic_a", "\xD0\x90"},
    {"full_width_a", "\xEF\xBC\xA1"}, {"lone_high_byte", "\xFF"},
};

INSTANTIATE_TEST_SUITE_P(Characters, NotAscii, testing::ValuesIn(look_alikes),
                         [](const testing::TestParamInfo<LookAlike> &info) {
                             return std::string(info.param.name);
                         });

/* What a person pastes: blanks around, lower case, veskid's prefix. */
TEST(HostIdCheck, PastedFormsAreAccepted) {
    for (const std::string &typed :
         {std::string("  M:TZ38D-4U9R4-8BY5S-NH4HW\r\n"), std::string("m:tz38d-4u9r4-8by5s-nh4hw"),
          std::string("\ttz38D-4U9r4-8bY5S-nh4hw "), std::string(adapter_text)}) {
        vesk_hostid_check result;
        ASSERT_EQ(check_exact(typed, &result), SUCCESS) << typed;
        EXPECT_STREQ(result.text, adapter_text);
        EXPECT_EQ(result.kind, 2);
    }
}

struct Malformed {
    const char *name;
    std::string input;
    int fault;
    size_t position;
};

void PrintTo(const Malformed &m, std::ostream *out) {
    *out << m.name;
}

class MalformedText : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedText, IsRefusedWithItsReason) {
    vesk_hostid_check result;
    EXPECT_EQ(check_exact(GetParam().input, &result), FAILURE);
    EXPECT_EQ(result.fault, GetParam().fault) << vesk_hostid_fault_message(result.fault);
    EXPECT_EQ(result.position, GetParam().position);
    EXPECT_STREQ(result.text, "");
    EXPECT_NE(std::string(vesk_hostid_fault_message(result.fault)), "Unknown fault.");
}

const Malformed malformed[] = {
    {"empty", "", VESK_HOSTID_FAULT_EMPTY, 0},
    {"blanks", " \t\r\n", VESK_HOSTID_FAULT_EMPTY, 0},
    {"too_short", "TZ38D-4U9R4-8BY5S-NH4H", VESK_HOSTID_FAULT_LENGTH, 0},
    {"too_long", "TZ38D-4U9R4-8BY5S-NH4HWA", VESK_HOSTID_FAULT_LENGTH, 0},
    {"no_dashes", "TZ38D4U9R48BY5SNH4HWAAA", VESK_HOSTID_FAULT_DASH, 5},
    {"dash_moved", "TZ38-D4U9R4-8BY5S-NH4HW", VESK_HOSTID_FAULT_DASH, 4},
    {"blank_inside", "TZ38D-4U9R4 8BY5S-NH4HW", VESK_HOSTID_FAULT_DASH, 11},
    {"outside_alphabet", "TZ38D-4U9R4-8BY#S-NH4HW", VESK_HOSTID_FAULT_CHARACTER, 15},
    {"digit_zero", "TZ38D-4U9R4-8BY0S-NH4HW", VESK_HOSTID_FAULT_CONFUSABLE, 15},
    {"digit_one", "TZ38D-4U9R4-8BY5S-NH1HW", VESK_HOSTID_FAULT_CONFUSABLE, 20},
    {"letter_o", "TZ38D-4U9R4-8BY5S-NH4HO", VESK_HOSTID_FAULT_CONFUSABLE, 22},
    {"letter_i_lower", "iZ38D-4U9R4-8BY5S-NH4HW", VESK_HOSTID_FAULT_CONFUSABLE, 0},
    {"high_byte", "TZ38D-4U9R4-8BY5S-NH4H\xC3", VESK_HOSTID_FAULT_CHARACTER, 22},
    {"nul_inside", std::string("TZ38D-4U9R4\0008BY5S-NH4HW", 23), VESK_HOSTID_FAULT_NUL, 11},
    {"wrong_check", "TZ38D-4U9R4-8BY5S-NH4HX", VESK_HOSTID_FAULT_CHECK, 22},
    {"unknown_prefix", "X:TZ38D-4U9R4-8BY5S-NH4HW", VESK_HOSTID_FAULT_PREFIX, 0},
    {"prefix_of_another_kind", "H:TZ38D-4U9R4-8BY5S-NH4HW", VESK_HOSTID_FAULT_PREFIX_KIND, 0},
    {"prefix_u_for_a_known_kind", "U:TZ38D-4U9R4-8BY5S-NH4HW", VESK_HOSTID_FAULT_PREFIX_KIND, 0},
    {"prefix_alone", "M:", VESK_HOSTID_FAULT_LENGTH, 2},
};

INSTANTIATE_TEST_SUITE_P(Inputs, MalformedText, testing::ValuesIn(malformed),
                         [](const testing::TestParamInfo<Malformed> &info) {
                             return std::string(info.param.name);
                         });

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
    const struct {
        std::vector<unsigned char> raw;
        int32_t kind;
        const char *text;
    } cases[] = {{{0x0A, 0x00, 0x00, 0x01}, 1, ipv4_text},
                 {{0x02, 0x00, 0x00, 0x00, 0x00, 0x01}, 2, adapter_text},
                 {{0x78, 0x56, 0x34, 0x12}, 4, volume_text}};
    for (const auto &c : cases) {
        char text[VESK_HOSTID_TEXT_LENGTH + 1];
        ASSERT_EQ(vesk_hostid_encode(c.raw.data(), c.raw.size(), c.kind, text), SUCCESS);
        EXPECT_STREQ(text, c.text);
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
    scripted_host.serial = 0x12345678;
    script_lanas({0});
    script_adapter(0, adapter_a);
    scripted_host.addresses = {{10, 0, 0, 1}};
    for (const std::string &typed : {std::string("m:tz38d-4u9r4-8by5s-nh4hw\n"),
                                     std::string(volume_text), std::string("I:") + ipv4_text}) {
        int present = 0;
        vesk_hostid_check result;
        ASSERT_EQ(vesk_hostid_has(typed.data(), typed.size(), &present, &result), SUCCESS);
        EXPECT_EQ(present, 1) << typed;
    }
    char other[VESK_HOSTID_TEXT_LENGTH + 1];
    const unsigned char raw[6] = {0x02, 0, 0, 0, 0, 0x02};
    ASSERT_EQ(vesk_hostid_encode(raw, 6, 2, other), SUCCESS);
    int present = 1;
    vesk_hostid_check result;
    ASSERT_EQ(vesk_hostid_has(other, strlen(other), &present, &result), SUCCESS);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(vesk_hostid_has("TZ38D", 5, &present, &result), FAILURE);
    EXPECT_EQ(result.fault, VESK_HOSTID_FAULT_LENGTH);
}

} // namespace
