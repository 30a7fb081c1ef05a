/*
 * bench_hostid.cpp - what the second command costs beside veskid, on this
 * host (Google Benchmark, real time: each case reads /sys, / and the
 * resolver):
 *   hostid_list_all      what veskid allid reads and selects
 *   hostid_explain       the same host explained (vesk-hostid explain)
 *   hostid_match/N       a licence of N lines matched (vesk-hostid match):
 *                        the host is read once whatever N is
 *   build/bench/bench/vesk_hostid_bench --benchmark_repetitions=7
 */
#include <string>

#include <benchmark/benchmark.h>

#include "vesk_hostid.h"

namespace {

void hostid_list_all(benchmark::State &state) {
    for (auto _ : state) {
        vesk_hostid *ids = nullptr;
        size_t count = 0;
        if (vesk_hostid_list(VESK_HOSTID_ALL, &ids, &count) != SUCCESS) {
            state.SkipWithError("this host's identifiers could not be read");
            break;
        }
        benchmark::DoNotOptimize(ids);
        vesk_hostid_list_free(ids);
    }
}
BENCHMARK(hostid_list_all)->UseRealTime()->Unit(benchmark::kMicrosecond);

void hostid_explain(benchmark::State &state) {
    for (auto _ : state) {
        vesk_hostid_item *items = nullptr;
        size_t count = 0;
        if (vesk_hostid_explain(0, &items, &count) != SUCCESS) {
            state.SkipWithError("the explanation failed");
            break;
        }
        benchmark::DoNotOptimize(items);
        vesk_hostid_explain_free(items);
    }
}
BENCHMARK(hostid_explain)->UseRealTime()->Unit(benchmark::kMicrosecond);

/* A licence of this host's own lines, repeated to N lines. */
void hostid_match(benchmark::State &state) {
    vesk_hostid *ids = nullptr;
    size_t count = 0;
    if (vesk_hostid_list(VESK_HOSTID_ALL, &ids, &count) != SUCCESS || count == 0) {
        vesk_hostid_list_free(ids);
        state.SkipWithError("this host has no identifier to match");
        return;
    }
    std::string licence;
    for (long i = 0; i < state.range(0); i++) {
        licence += std::string(1, ids[i % count].letter) + ":" + ids[i % count].text + "\n";
    }
    vesk_hostid_list_free(ids);
    for (auto _ : state) {
        vesk_hostid_match_result *result = nullptr;
        if (vesk_hostid_match(licence.data(), licence.size(), &result) != SUCCESS) {
            state.SkipWithError("the match failed");
            break;
        }
        benchmark::DoNotOptimize(result);
        vesk_hostid_match_free(result);
    }
}
BENCHMARK(hostid_match)->Arg(1)->Arg(100)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
