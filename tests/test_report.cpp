/* The command words, the banner and the identifier report, in-process on the
 * scripted host with standard output and standard error captured. */
#include <stdio.h>

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

namespace {

/* Reports a list through a fresh set, or without one (a set that could not
 * be created) when use_set is false. */
std::string report_list(const HostIdRecord *head, int all_kinds, bool use_set, int *printed) {
    HashTable set;
    EXPECT_EQ(vesk_hash_init(&set, 2, nullptr, nullptr, 0), SUCCESS);
    CapturedRun run = capture_output(
        [&] { return report_host_id_list(head, all_kinds, use_set ? &set : nullptr); });
    *printed = run.status;
    vesk_hash_destroy(&set);
    return run.out;
}

std::string line(char letter, const HostIdRecord *record) {
    return std::string(1, letter) + ":" + record->text + "\n";
}

class FrontEnd : public ScriptedHostTest {};

} // namespace

namespace {

const std::string banner = "Vesk HostID Utility v.1.0\n"
                           "Usage:\n"
                           "    veskid [<command>]\n"
                           "    Commands are:\n"
                           "    id" +
                           std::string(16, ' ') + "- get host ID\n    allid" +
                           std::string(13, ' ') +
                           "- get list of all host IDs\n"
                           "If no command is given, 'id' command is executed.\n";

/* A first word that is not exactly "id" or "allid": near misses, long words,
 * invalid UTF-8 and control characters. */
struct OtherWord {
    const char *name;
    std::string word;
};

void PrintTo(const OtherWord &word, std::ostream *out) {
    *out << word.name;
}

class BannerWord : public ScriptedHostTest, public testing::WithParamInterface<OtherWord> {};

} // namespace

TEST_P(BannerWord, PrintsTheBannerAndCollectsNothing) {
    CapturedRun output = capture_command({GetParam().word.c_str()});
    EXPECT_EQ(output.out, banner);
    EXPECT_EQ(output.err, "");
    EXPECT_TRUE(scripted_host.calls.empty());
}

namespace {

const OtherWord other_words[] = {
    {"upper_case", "ID"},
    {"mixed_case", "Id"},
    {"dash", "-id"},
    {"suffix", "allid2"},
    {"leading_blank", " id"},
    {"empty", ""},
    {"help", "help"},
    {"long", std::string(100000, 'a')},
    {"long_after_id", "id" + std::string(99998, 'd')},
    {"allid_and_blanks", "allid" + std::string(99995, ' ')},
    {"long_ff", std::string(100000, '\xFF')},
    {"long_i_then_d", std::string(50000, 'i') + std::string(50000, 'd')},
    {"lone_ff", "\xFF"},
    {"bad_continuation", "\xC3\x28"},
    {"cut_sequence", "\xE2\x82"},
    {"surrogate", "\xED\xA0\x80"},
    {"overlong", "\xC0\xAF"},
    {"five_bytes", "\xF8\x88\x80\x80\x80"},
    {"id_high_byte", "id\x80"},
    {"high_byte_id", "\x80id"},
    {"high_byte_inside", "all\xC3id"},
    {"byte_order_mark", "\xEF\xBB\xBFid"},
    {"id_newline", "id\n"},
    {"newline_id", "\nid"},
    {"allid_return", "allid\r"},
    {"id_tab", "id\t"},
    {"escapes", "\x1B[2J\x1B[H"},
    {"backspaces", "\b\bid"},
    {"delete", "\x7F"},
    {"control_a", "\x01"},
    {"every_control", every_control_character()},
    {"id_every_control", "id" + every_control_character()},
};

} // namespace

INSTANTIATE_TEST_SUITE_P(OtherWords, BannerWord, testing::ValuesIn(other_words),
                         [](const testing::TestParamInfo<OtherWord> &info) {
                             return std::string(info.param.name);
                         });

/* Two LANA numbers report one adapter: one M line. */
TEST_F(FrontEnd, NoWordMeansIdAndASecondWordIsIgnored) {
    scripted_host.serial = published_serial;
    script_lanas({0, 1});
    script_adapter(0, adapter_a);
    script_adapter(1, adapter_a);
    scripted_host.addresses = {published_address};

    const std::string id = id_line(published_adapter);
    const std::string all = id_line(published_volume) + id + id_line(published_ipv4);
    EXPECT_EQ(capture_command({"id"}).out, id);
    EXPECT_EQ(capture_command({}).out, id);
    EXPECT_EQ(capture_command({"id", "allid"}).out, id);
    EXPECT_EQ(capture_command({"allid"}).out, all);
    EXPECT_EQ(capture_command({"allid", "id"}).out, all);
}

/* Serial 12345678 hexadecimal, 10.0.0.1 the only usable address, no usable
 * adapter: allid prints two lines and no hint, id only the hint. */
TEST_F(FrontEnd, HostWithoutAdaptersUnderAllidAndId) {
    scripted_host.serial = published_serial;
    script_lanas({0});
    script_adapter(0, AdapterAddress{0, 0, 0, 0, 0, 0});
    scripted_host.addresses = {{127, 0, 0, 1}, published_address};

    CapturedRun all = capture_command({"allid"});
    EXPECT_EQ(all.out, id_line(published_volume) + id_line(published_ipv4));
    CapturedRun id = capture_command({"id"});
    EXPECT_EQ(id.out, veskid_hint);
    EXPECT_EQ(all.err + id.err, "");
}

TEST_F(FrontEnd, LettersByKindAndWhatIdSelects) {
    HostIdRecord *head = nullptr;
    HostIdRecord **tail = &head;
    for (HostIdKind kind : {1, 2, 3, 4, 5, 6, 0, -1}) {
        const unsigned char raw[4] = {10, 0, 0, (unsigned char)(kind + 2)};
        tail = add_host_id(tail, raw, 4, kind);
    }
    HostIdList list(head);
    std::vector<const HostIdRecord *> r = list_records(head);
    ASSERT_EQ(r.size(), 8u);

    int printed = 0;
    EXPECT_EQ(report_list(head, 1, true, &printed),
              line('I', r[0]) + line('M', r[1]) + line('C', r[2]) + line('H', r[3]) +
                  line('L', r[4]) + line('U', r[5]) + line('U', r[6]) + line('U', r[7]));
    EXPECT_EQ(report_list(head, 0, true, &printed), line('M', r[1]) + line('C', r[2]));
}

/* Without a set, a text is new when no earlier record of the list has it:
 * the same lines as with a working set, none printed twice. */
TEST_F(FrontEnd, WithoutASetEarlierTextsDecideWhatIsNew) {
    const unsigned char a[6] = {2, 0, 0, 0, 0, 1}, b[6] = {2, 0, 0, 0, 0, 2};
    const unsigned char *serial = published_volume.raw, *ip = published_ipv4.raw;
    HostIdRecord *head = nullptr;
    HostIdRecord **tail = &head;
    for (const unsigned char *mac : {a, b, a}) {
        tail = add_host_id(tail, mac, 6, 2);
    }
    tail = add_host_id(tail, serial, 4, 4);
    tail = add_host_id(tail, b, 6, 2);
    for (int i = 0; i < 3; i++) {
        tail = add_host_id(tail, i == 0 ? serial : ip, 4, i == 0 ? 4 : 1);
    }
    HostIdList list(head);
    std::vector<const HostIdRecord *> r = list_records(head);
    ASSERT_EQ(r.size(), 8u);

    for (bool use_set : {true, false}) {
        SCOPED_TRACE(use_set ? "with a set" : "without a set");
        int printed = 0;
        EXPECT_EQ(report_list(head, 1, use_set, &printed),
                  line('M', r[0]) + line('M', r[1]) + line('H', r[3]) + line('I', r[6]));
        EXPECT_EQ(report_list(head, 0, use_set, &printed), line('M', r[0]) + line('M', r[1]));
        EXPECT_EQ(printed, 1);
        EXPECT_EQ(report_list(r[5], 0, use_set, &printed), "");
        EXPECT_EQ(printed, 0);
    }
}
