/*
 * bench_maps.cpp - the ordered hash table against other maps, in one binary.
 *
 * Maps: vesk_hash (a persistent table, malloc/free, with 8-byte data: the
 * element's value stored inline as pointer-sized data), std::unordered_map,
 * tsl::ordered_map, absl::flat_hash_map and absl::node_hash_map, each with
 * its default hash.  Peers map std::string (or uint32_t) to uint64_t;
 * vesk_hash gets the key bytes and their length, with no terminating NUL, so
 * these string keys never fall under the numeric-key rule.
 *
 * Benchmark names are WORKLOAD/MAP/SIZE.  Each iteration runs SIZE operations
 * of the workload and times only them (manual time); the counter ns_per_op is
 * that time divided by the operations.  Keys are made once per key length and
 * size, outside the timed region, from fixed seeds, and every map gets the
 * very same keys in the same order.
 *
 *   insert_str15, insert_str50  insert SIZE distinct random keys into an empty map
 *   find_hit_str15, _str50      look up every present key, in a random order
 *   find_miss_str15, _str50     look up SIZE absent keys
 *   erase_str15, _str50         delete every key in a random order
 *   walk                        visit every element (insertion order where kept)
 *   insert_int_seq              integer keys 0..SIZE-1 (vesk_hash: appends)
 *   insert_int_rand             SIZE distinct random 32-bit integer keys
 *   churn_str15                 one step = delete the oldest key, insert a new
 *                               one; the map holds SIZE keys throughout
 *   memory_str15, _str50        bytes per element after SIZE inserts (mallinfo2)
 *
 * tsl::ordered_map keeps its order on erase by shifting every later element,
 * which costs time proportional to the size; its erase and churn cases run up
 * to 1,000 elements only.
 */
#include <benchmark/benchmark.h>

#include <absl/container/flat_hash_map.h>
#include <absl/container/node_hash_map.h>
#include <tsl/ordered_map.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "vesk_hash.h"

namespace {

/* ---- Keys ---------------------------------------------------------------------- */

/* Every key set of one length and size; made on first use and kept. */
struct StringKeys {
    std::vector<std::string> keys;   /* insertion order */
    std::vector<std::string> hits;   /* the same keys, shuffled: lookup order */
    std::vector<std::string> erases; /* the same keys, shuffled again: erase order */
    std::vector<std::string> misses; /* keys of the same length that are never inserted */
    std::vector<std::string> spares; /* churn: keys inserted while old ones leave */
};

struct IntKeys {
    std::vector<uint32_t> sequential;
    std::vector<uint32_t> random; /* distinct */
};

constexpr uint64_t kSeed = 20240607;
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

/* Indexes of the keys equal to an earlier one; sorting pointers instead of
 * filling a set keeps the heap unfragmented for the maps that follow. */
template <class Key> std::vector<size_t> repeated(const std::vector<Key> &keys) {
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); i++) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return keys[a] < keys[b] || (keys[a] == keys[b] && a < b);
    });
    std::vector<size_t> again;
    for (size_t i = 1; i < order.size(); i++) {
        if (keys[order[i]] == keys[order[i - 1]]) {
            again.push_back(order[i]);
        }
    }
    return again;
}

/* Distinct random keys of letters and digits: n to insert, n never inserted,
 * n spares for churn.  The copies into hits and erases are made in their
 * final order, so that every map reads its probe keys sequentially. */
const StringKeys &string_keys(size_t length, size_t n) {
    static std::map<std::pair<size_t, size_t>, std::unique_ptr<StringKeys>> cache;
    std::unique_ptr<StringKeys> &slot = cache[{length, n}];
    if (slot) {
        return *slot;
    }
    slot.reset(new StringKeys);
    std::mt19937_64 rng(kSeed ^ (length << 32) ^ n);
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    auto random_key = [&](std::string &key) {
        for (char &c : key) {
            c = kAlphabet[pick(rng)];
        }
    };
    std::vector<std::string> all(3 * n, std::string(length, ' '));
    for (std::string &key : all) {
        random_key(key);
    }
    for (std::vector<size_t> again = repeated(all); !again.empty(); again = repeated(all)) {
        for (size_t i : again) {
            random_key(all[i]);
        }
    }
    slot->keys.assign(all.begin(), all.begin() + n);
    slot->misses.assign(all.begin() + n, all.begin() + 2 * n);
    slot->spares.assign(all.begin() + 2 * n, all.end());
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; i++) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t i : order) {
        slot->hits.push_back(slot->keys[i]);
    }
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t i : order) {
        slot->erases.push_back(slot->keys[i]);
    }
    return *slot;
}

const IntKeys &int_keys(size_t n) {
    static std::map<size_t, std::unique_ptr<IntKeys>> cache;
    std::unique_ptr<IntKeys> &slot = cache[n];
    if (slot) {
        return *slot;
    }
    slot.reset(new IntKeys);
    std::mt19937_64 rng(kSeed ^ n);
    slot->random.resize(n);
    for (uint32_t &key : slot->random) {
        key = (uint32_t)rng();
    }
    for (std::vector<size_t> again = repeated(slot->random); !again.empty();
         again = repeated(slot->random)) {
        for (size_t i : again) {
            slot->random[i] = (uint32_t)rng();
        }
    }
    for (size_t i = 0; i < n; i++) {
        slot->sequential.push_back((uint32_t)i);
    }
    return *slot;
}

/* ---- The maps under one interface ------------------------------------------------- */

/* vesk_hash: a persistent table with 8-byte (pointer-sized, inline) data. */
class VeskMap {
  public:
    static constexpr const char *kName = "vesk_hash";

    VeskMap() { vesk_hash_init(&table_, 0, nullptr, nullptr, 1); }
    ~VeskMap() { vesk_hash_destroy(&table_); }
    VeskMap(const VeskMap &) = delete;
    VeskMap &operator=(const VeskMap &) = delete;

    bool insert(const std::string &key, uint64_t value) {
        return vesk_hash_add_or_update(&table_, key.data(), (uint32_t)key.size(), &value,
                                       sizeof value, nullptr, HASH_MODE_ADD) == SUCCESS;
    }
    bool insert_int(uint32_t key, uint64_t value) {
        return vesk_hash_index_update_or_next_insert(&table_, key, &value, sizeof value, nullptr,
                                                     HASH_MODE_ADD) == SUCCESS;
    }
    /* Integer keys 0, 1, 2... come from appending. */
    bool append_int(uint32_t, uint64_t value) {
        return vesk_hash_index_update_or_next_insert(&table_, 0, &value, sizeof value, nullptr,
                                                     HASH_MODE_NEXT_INSERT) == SUCCESS;
    }
    const uint64_t *find(const std::string &key) const {
        void *data;
        if (vesk_hash_find(&table_, key.data(), (uint32_t)key.size(), &data) != SUCCESS) {
            return nullptr;
        }
        return (const uint64_t *)data;
    }
    bool erase(const std::string &key) {
        return vesk_hash_del_key_or_index(&table_, key.data(), (uint32_t)key.size(), 0,
                                          DELETE_BY_KEY) == SUCCESS;
    }
    /* The insertion-order walk through the position operations. */
    uint64_t walk() {
        uint64_t sum = 0;
        HashPosition pos;
        vesk_hash_internal_pointer_reset_ex(&table_, &pos);
        void *data;
        while (vesk_hash_get_current_data_ex(&table_, &data, &pos) == SUCCESS) {
            sum += *(const uint64_t *)data;
            vesk_hash_move_forward_ex(&table_, &pos);
        }
        return sum;
    }
    size_t size() const { return vesk_hash_num_elements(&table_); }

  private:
    HashTable table_;
};

/* Any peer map with the standard interface. */
template <class StringMap, class IntMap> class PeerMap {
  public:
    bool insert(const std::string &key, uint64_t value) {
        return strings_.try_emplace(key, value).second;
    }
    bool insert_int(uint32_t key, uint64_t value) { return ints_.try_emplace(key, value).second; }
    bool append_int(uint32_t key, uint64_t value) { return insert_int(key, value); }
    const uint64_t *find(const std::string &key) const {
        auto it = strings_.find(key);
        return it == strings_.end() ? nullptr : &it->second;
    }
    bool erase(const std::string &key) { return strings_.erase(key) == 1; }
    uint64_t walk() {
        uint64_t sum = 0;
        for (const auto &element : strings_) {
            sum += element.second;
        }
        return sum;
    }
    size_t size() const { return strings_.size() + ints_.size(); }

  private:
    StringMap strings_;
    IntMap ints_;
};

struct StdMap
    : PeerMap<std::unordered_map<std::string, uint64_t>, std::unordered_map<uint32_t, uint64_t>> {
    static constexpr const char *kName = "std_unordered_map";
};
struct TslMap
    : PeerMap<tsl::ordered_map<std::string, uint64_t>, tsl::ordered_map<uint32_t, uint64_t>> {
    static constexpr const char *kName = "tsl_ordered_map";
};
struct AbslFlatMap
    : PeerMap<absl::flat_hash_map<std::string, uint64_t>, absl::flat_hash_map<uint32_t, uint64_t>> {
    static constexpr const char *kName = "absl_flat_hash_map";
};
struct AbslNodeMap
    : PeerMap<absl::node_hash_map<std::string, uint64_t>, absl::node_hash_map<uint32_t, uint64_t>> {
    static constexpr const char *kName = "absl_node_hash_map";
};

/* ---- Timing ------------------------------------------------------------------------- */

using Clock = std::chrono::steady_clock;

/* Accumulates the timed regions of a run and publishes ns_per_op. */
class Timer {
  public:
    Timer(benchmark::State &state, size_t ops_per_iteration)
        : state_(state), ops_(ops_per_iteration) {}
    ~Timer() {
        if (iterations_ > 0) {
            state_.counters["ns_per_op"] = total_ns_ / ((double)iterations_ * (double)ops_);
        }
        state_.counters["n"] = (double)ops_;
    }
    void start() { begin_ = Clock::now(); }
    void stop() {
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - begin_).count();
        state_.SetIterationTime(ns / 1e9);
        total_ns_ += ns;
        iterations_++;
    }

  private:
    benchmark::State &state_;
    size_t ops_;
    Clock::time_point begin_;
    double total_ns_ = 0;
    uint64_t iterations_ = 0;
};

template <class Map> void fill(Map &map, const std::vector<std::string> &keys) {
    for (size_t i = 0; i < keys.size(); i++) {
        map.insert(keys[i], i);
    }
}

bool check(benchmark::State &state, bool ok, const char *what) {
    if (!ok) {
        state.SkipWithError(what);
    }
    return ok;
}

/* ---- Workloads ---------------------------------------------------------------------- */

template <class Map> void insert_strings(benchmark::State &state, size_t length) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(length, n);
    Timer timer(state, n);
    for (auto _ : state) {
        auto map = std::make_unique<Map>();
        size_t inserted = 0;
        timer.start();
        for (size_t i = 0; i < n; i++) {
            inserted += map->insert(keys.keys[i], i);
        }
        timer.stop();
        if (!check(state, inserted == n && map->size() == n, "insert lost a key")) {
            break;
        }
    }
}

template <class Map> void find_hits(benchmark::State &state, size_t length) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(length, n);
    Map map;
    fill(map, keys.keys);
    Timer timer(state, n);
    for (auto _ : state) {
        uint64_t sum = 0;
        size_t found = 0;
        timer.start();
        for (const std::string &key : keys.hits) {
            const uint64_t *value = map.find(key);
            if (value) {
                sum += *value;
                found++;
            }
        }
        timer.stop();
        benchmark::DoNotOptimize(sum);
        if (!check(state, found == n, "a present key was not found")) {
            break;
        }
    }
}

template <class Map> void find_misses(benchmark::State &state, size_t length) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(length, n);
    Map map;
    fill(map, keys.keys);
    Timer timer(state, n);
    for (auto _ : state) {
        size_t found = 0;
        timer.start();
        for (const std::string &key : keys.misses) {
            found += map.find(key) != nullptr;
        }
        timer.stop();
        if (!check(state, found == 0, "an absent key was found")) {
            break;
        }
    }
}

template <class Map> void erase_strings(benchmark::State &state, size_t length) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(length, n);
    Timer timer(state, n);
    for (auto _ : state) {
        auto map = std::make_unique<Map>();
        fill(*map, keys.keys);
        size_t erased = 0;
        timer.start();
        for (const std::string &key : keys.erases) {
            erased += map->erase(key);
        }
        timer.stop();
        if (!check(state, erased == n && map->size() == 0, "erase missed a key")) {
            break;
        }
    }
}

template <class Map> void walk(benchmark::State &state) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(15, n);
    Map map;
    fill(map, keys.keys);
    const uint64_t expected = (uint64_t)n * (n - 1) / 2;
    Timer timer(state, n);
    for (auto _ : state) {
        timer.start();
        const uint64_t sum = map.walk();
        timer.stop();
        if (!check(state, sum == expected, "the walk missed an element")) {
            break;
        }
    }
}

template <class Map> void insert_ints(benchmark::State &state, bool sequential) {
    const size_t n = (size_t)state.range(0);
    const IntKeys &keys = int_keys(n);
    const std::vector<uint32_t> &order = sequential ? keys.sequential : keys.random;
    Timer timer(state, n);
    for (auto _ : state) {
        auto map = std::make_unique<Map>();
        size_t inserted = 0;
        timer.start();
        if (sequential) {
            for (size_t i = 0; i < n; i++) {
                inserted += map->append_int(order[i], i);
            }
        } else {
            for (size_t i = 0; i < n; i++) {
                inserted += map->insert_int(order[i], i);
            }
        }
        timer.stop();
        if (!check(state, inserted == n && map->size() == n, "insert lost a key")) {
            break;
        }
    }
}

/* The map holds a window of n keys over a ring of 2n (keys then spares):
 * each step deletes the window's oldest key and inserts the key n places
 * ahead, so the size stays n and the ring repeats every 2n steps. */
template <class Map> void churn(benchmark::State &state) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(15, n);
    std::vector<const std::string *> ring;
    for (const std::string &key : keys.keys) {
        ring.push_back(&key);
    }
    for (const std::string &key : keys.spares) {
        ring.push_back(&key);
    }
    Map map;
    fill(map, keys.keys);
    size_t oldest = 0;
    Timer timer(state, n);
    for (auto _ : state) {
        size_t done = 0;
        timer.start();
        for (size_t i = 0; i < n; i++) {
            done += map.erase(*ring[oldest]);
            size_t incoming = oldest + n;
            if (incoming >= 2 * n) {
                incoming -= 2 * n;
            }
            done += map.insert(*ring[incoming], i);
            if (++oldest == 2 * n) {
                oldest = 0;
            }
        }
        timer.stop();
        if (!check(state, done == 2 * n && map.size() == n, "churn lost a key")) {
            break;
        }
    }
}

/* Bytes the allocator hands out while n keys are inserted into an empty map,
 * per element: the map's own storage, allocator overhead included. */
size_t heap_in_use() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

template <class Map> void memory(benchmark::State &state, size_t length) {
    const size_t n = (size_t)state.range(0);
    const StringKeys &keys = string_keys(length, n);
    for (auto _ : state) {
        const size_t before = heap_in_use();
        auto map = std::make_unique<Map>();
        fill(*map, keys.keys);
        const size_t after = heap_in_use();
        state.counters["bytes_per_element"] = (double)(after - before) / (double)n;
        state.SetIterationTime(1e-9); /* nothing here is a timing */
    }
}

/* ---- Registration -------------------------------------------------------------------- */

constexpr int64_t kSizes[] = {1000, 100000, 1000000};
constexpr int64_t kLargest = 1000000;
constexpr int64_t kTslEraseLimit = 1000;

template <class T> struct Tag { using type = T; };

/* The size argument completes the name: WORKLOAD/MAP/SIZE. */
template <class Map, class Fn> void add_case(const std::string &workload, int64_t size, Fn fn) {
    const std::string name = workload + "/" + Map::kName;
    benchmark::RegisterBenchmark(name.c_str(), fn)
        ->Arg(size)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

/* A memory case runs once, at the largest size. */
template <class Map, class Fn> void add_memory_case(const std::string &workload, Fn fn) {
    const std::string name = workload + "/" + Map::kName;
    benchmark::RegisterBenchmark(name.c_str(), fn)->Arg(kLargest)->Iterations(1)->UseManualTime();
}

/* Registers one workload for every size and map, the maps side by side so
 * that a change in the machine's load touches them alike.  make(Tag<Map>)
 * returns the case for Map. */
template <class Make> void add_workload(const std::string &workload, Make make, bool tsl_linear) {
    for (int64_t size : kSizes) {
        add_case<VeskMap>(workload, size, make(Tag<VeskMap>{}));
        add_case<StdMap>(workload, size, make(Tag<StdMap>{}));
        if (!tsl_linear || size <= kTslEraseLimit) {
            add_case<TslMap>(workload, size, make(Tag<TslMap>{}));
        }
        add_case<AbslFlatMap>(workload, size, make(Tag<AbslFlatMap>{}));
        add_case<AbslNodeMap>(workload, size, make(Tag<AbslNodeMap>{}));
    }
}

#define VESK_CASE(call)                                                                            \
    [](auto tag) {                                                                                 \
        using Map = typename decltype(tag)::type;                                                  \
        return [](benchmark::State &s) { call; };                                                  \
    }

void add_all() {
    add_workload("insert_str15", VESK_CASE(insert_strings<Map>(s, 15)), false);
    add_workload("insert_str50", VESK_CASE(insert_strings<Map>(s, 50)), false);
    add_workload("find_hit_str15", VESK_CASE(find_hits<Map>(s, 15)), false);
    add_workload("find_hit_str50", VESK_CASE(find_hits<Map>(s, 50)), false);
    add_workload("find_miss_str15", VESK_CASE(find_misses<Map>(s, 15)), false);
    add_workload("find_miss_str50", VESK_CASE(find_misses<Map>(s, 50)), false);
    add_workload("erase_str15", VESK_CASE(erase_strings<Map>(s, 15)), true);
    add_workload("erase_str50", VESK_CASE(erase_strings<Map>(s, 50)), true);
    add_workload("walk", VESK_CASE(walk<Map>(s)), false);
    add_workload("insert_int_seq", VESK_CASE(insert_ints<Map>(s, true)), false);
    add_workload("insert_int_rand", VESK_CASE(insert_ints<Map>(s, false)), false);
    add_workload("churn_str15", VESK_CASE(churn<Map>(s)), true);
    for (size_t length : {15, 50}) {
        const std::string workload = "memory_str" + std::to_string(length);
        auto make = [length](auto tag) {
            using Map = typename decltype(tag)::type;
            return [length](benchmark::State &s) { memory<Map>(s, length); };
        };
        add_memory_case<VeskMap>(workload, make(Tag<VeskMap>{}));
        add_memory_case<StdMap>(workload, make(Tag<StdMap>{}));
        add_memory_case<TslMap>(workload, make(Tag<TslMap>{}));
        add_memory_case<AbslFlatMap>(workload, make(Tag<AbslFlatMap>{}));
        add_memory_case<AbslNodeMap>(workload, make(Tag<AbslNodeMap>{}));
    }
}

} // namespace

int main(int argc, char **argv) {
    add_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
