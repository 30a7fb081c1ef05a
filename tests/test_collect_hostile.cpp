/* Hostile answers of the scripted host that test_collect.cpp leaves out:
 * one LANA number repeated 255 times, a count byte of 255 over an empty
 * enumeration, and a whole hostile host carried through the report, whose
 * output must be the usual one (repeated texts printed once, collection
 * order, only M lines under id).  The suites run under ASan and UBSan too. */
#include <stdio.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostid_private.h"
#include "platform.h"
#include "scripted_host.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const AdapterAddress adapter = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

class HostileHost : public ScriptedHostTest {};

/* The report of one command on the current (scripted) platform.  Its set is
 * never destroyed, on purpose, so a leak checker is told to overlook it. */
std::string report(int all_kinds) {
    fflush(stdout);
    testing::internal::CaptureStdout();
    leak_check_pause();
    EXPECT_EQ(0, report_host_ids(all_kinds));
    leak_check_resume();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

char letter(HostIdKind kind) {
    return kind == 1 ? 'I' : kind == 2 ? 'M' : kind == 4 ? 'H' : '?';
}

/* The expected report of a list: each text once, in list order, M lines only
 * under id. */
std::string expected_report(const HostIdRecord *head, int all_kinds) {
    std::set<std::string> seen;
    std::string out;
    for (const HostIdRecord *r = head; r; r = r->next) {
        if (!seen.insert(r->text).second || (!all_kinds && r->kind != 2)) {
            continue;
        }
        out += std::string(1, letter(r->kind)) + ":" + r->text + "\n";
    }
    return out;
}

size_t count_lines(const std::string &text, char letter) {
    size_t n = 0;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        n += text[at] == letter;
        if (text.find('\n', at) == std::string::npos) {
            break;
        }
    }
    return n;
}

} // namespace

/* One LANA number listed 255 times: 255 resets and statuses of that number,
 * 255 records of one text, and a single M line in the report. */
TEST_F(HostileHost, OneLanaNumberRepeatedFillsTheWholeEnumeration) {
    script_lanas(std::vector<unsigned char>(255, 7));
    script_adapter(7, adapter);
    HostIdList list(collect_host_ids());
    EXPECT_EQ(255u, scripted_count("reset 7"));
    EXPECT_EQ(255u, scripted_count("status 7"));
    std::vector<const HostIdRecord *> r = list_records(list.get());
    ASSERT_EQ(256u, r.size());
    for (size_t i = 1; i < r.size(); i++) {
        EXPECT_EQ(2, r[i]->kind);
        EXPECT_STREQ(r[1]->text, r[i]->text);
    }
    EXPECT_EQ("M:" + std::string(r[1]->text) + "\n", report(0));

    /* The same number failing every time gives no record at all. */
    scripted_host.calls.clear();
    script_status_failure(7, 0x34);
    HostIdList failing(collect_host_ids());
    EXPECT_EQ(255u, scripted_count("status 7"));
    EXPECT_EQ(1u, list_records(failing.get()).size());
}

/* A count byte of 255 over an enumeration that wrote no number walks the
 * zeroed entries: LANA 0, 255 times, and nothing beyond the 255 entries. */
TEST_F(HostileHost, CountByteOf255WithNothingFilled) {
    scripted_host.lana_count = 255;
    HostIdList none(collect_host_ids());
    EXPECT_EQ(255u, scripted_count("reset 0"));
    EXPECT_EQ(255u, scripted_count("status 0"));
    EXPECT_EQ(2 + 2 * 255 + 4u, scripted_host.calls.size());
    EXPECT_EQ(1u, list_records(none.get()).size()); /* LANA 0 is not known: no adapter */

    script_adapter(0, adapter);
    HostIdList repeated(collect_host_ids());
    EXPECT_EQ(256u, list_records(repeated.get()).size());
}

/* Everything hostile at once, carried through the report: an 80-byte name
 * without terminator, 1,000 addresses with repeats and the skipped ones among
 * them, and 255 LANA numbers of one adapter.  allid prints the volume, one M
 * line and each usable address once, in resolver order; id the M line alone. */
TEST_F(HostileHost, WholeHostileHostIsReportedAsDesigned) {
    scripted_host.serial = 0x12345678;
    scripted_host.host_name = std::string(80, 'h') + "-cut-off";
    for (int i = 0; i < 1000; i++) {
        if (i % 100 == 0) {
            scripted_host.addresses.push_back({127, 0, 0, 1});
        } else if (i % 100 == 1) {
            scripted_host.addresses.push_back({0, 0, 0, 0});
        } else {
            const int n = i % 400; /* every usable address comes 2 or 3 times */
            scripted_host.addresses.push_back({10, 9, (unsigned char)(n >> 8), (unsigned char)n});
        }
    }
    std::vector<unsigned char> lanas;
    for (int lana = 0; lana < 255; lana++) {
        lanas.push_back((unsigned char)lana);
        script_adapter((unsigned char)lana, adapter);
    }
    script_lanas(lanas);

    HostIdList list(collect_host_ids());
    EXPECT_EQ(1u, scripted_count("resolve " + std::string(80, 'h')));
    std::vector<const HostIdRecord *> r = list_records(list.get());
    ASSERT_EQ(1 + 255 + 980u, r.size());

    const std::string all = report(1);
    EXPECT_EQ(expected_report(list.get(), 1), all);
    EXPECT_EQ(1u, count_lines(all, 'H'));
    EXPECT_EQ(1u, count_lines(all, 'M'));
    EXPECT_EQ(392u, count_lines(all, 'I')); /* 400 values less 0, 1, 100, 101, ... */
    EXPECT_EQ(0u, all.find("H:MTQDV-9FLM9-88N4U-S8J97\n"));

    const std::string primary = report(0);
    EXPECT_EQ(expected_report(list.get(), 0), primary);
    EXPECT_EQ(26u, primary.size());
}
