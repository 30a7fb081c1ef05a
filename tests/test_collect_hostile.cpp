/* A whole hostile host carried through the report, whose output must be the
 * usual one (repeated texts printed once, collection order, only M lines
 * under id).  The collector's own hostile cases are in test_collect.cpp.  The
 * suites run under ASan and UBSan too. */
#include <stdio.h>

#include <set>
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

typedef std::vector<unsigned char> Bytes;

class HostileHost : public ScriptedHostTest {};

/* The report of one command on the current (scripted) platform. */
std::string report(int all_kinds) {
    CapturedRun run = capture_report(all_kinds);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    return run.out;
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

/* Everything hostile at once, carried through the report: an 80-byte name
 * without terminator, 1,000 addresses with repeats and the skipped ones among
 * them, and 255 LANA numbers of one adapter.  allid prints the volume, one M
 * line and each usable address once, in resolver order; id the M line alone. */
TEST_F(HostileHost, WholeHostileHostIsReportedAsDesigned) {
    scripted_host.serial = published_serial;
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
        script_adapter((unsigned char)lana, adapter_b);
    }
    script_lanas(lanas);

    HostIdList list(collect_scripted_host_ids());
    EXPECT_EQ(1u, scripted_count("resolve " + std::string(80, 'h')));
    std::vector<const HostIdRecord *> r = list_records(list.get());
    ASSERT_EQ(1 + 255 + 980u, r.size());

    const std::string all = report(1);
    EXPECT_EQ(expected_report(list.get(), 1), all);
    EXPECT_EQ(1u, count_lines(all, 'H'));
    EXPECT_EQ(1u, count_lines(all, 'M'));
    EXPECT_EQ(392u, count_lines(all, 'I')); /* 400 values less 0, 1, 100, 101, ... */
    EXPECT_EQ(0u, all.find(id_line(published_volume)));

    const std::string primary = report(0);
    EXPECT_EQ(expected_report(list.get(), 0), primary);
    EXPECT_EQ(26u, primary.size());
}
