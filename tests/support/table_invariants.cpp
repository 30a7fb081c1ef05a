#include "table_invariants.h"

#include "hash_storage.h" /* the chains' summary */

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::string at_element(const char *what, uint64_t index) {
    return std::string(what) + " at element " + std::to_string(index);
}

/* A total order on keys: integer keys before string keys, then by stored hash,
 * length and bytes.  Two elements that compare equal hold the same key. */
bool key_less(const HashBucket *a, const HashBucket *b) {
    const bool ia = a->key_length == 0;
    const bool ib = b->key_length == 0;
    if (ia != ib) {
        return ia;
    }
    if (a->hash != b->hash) {
        return a->hash < b->hash;
    }
    if (a->key_length != b->key_length) {
        return a->key_length < b->key_length;
    }
    return memcmp(a->key, b->key, a->key_length) < 0;
}

} // namespace

std::string table_invariant_violation(const HashTable *ht, uint32_t count_slack) {
    if (ht->slots == nullptr) {
        return "no slot array";
    }
    if (ht->table_size < 8 || (ht->table_size & (ht->table_size - 1)) != 0) {
        return "table_size " + std::to_string(ht->table_size) + " is no power of two >= 8";
    }
    if (ht->table_mask != ht->table_size - 1) {
        return "table_mask " + std::to_string(ht->table_mask);
    }
    if ((ht->list_head == nullptr) != (ht->list_tail == nullptr)) {
        return "list_head and list_tail disagree on emptiness";
    }

    /* The order list.  A walk that ends visits each element once, so a bound
     * on its length is enough to stop at a cycle. */
    const uint64_t most = (uint64_t)ht->element_count + count_slack;
    std::vector<const HashBucket *> listed;
    const HashBucket *prev = nullptr;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        if (listed.size() >= most) {
            return "order list longer than element_count " + std::to_string(ht->element_count) +
                   " (or a cycle)";
        }
        if (b->list_prev != prev) {
            return at_element("list_prev wrong", listed.size());
        }
        if (b->data != &b->inline_data) {
            if (b->inline_data != nullptr) {
                return at_element("a block and inline_data != 0", listed.size());
            }
            if (b->data == nullptr) {
                return at_element("null data", listed.size());
            }
        }
        listed.push_back(b);
        prev = b;
    }
    const uint64_t count = listed.size();
    if (prev != ht->list_tail) {
        return "list_tail is not the last element";
    }
    if (count + count_slack < ht->element_count) {
        return "element_count " + std::to_string(ht->element_count) + " but list has " +
               std::to_string(count);
    }

    std::vector<const HashBucket *> by_address(listed);
    std::sort(by_address.begin(), by_address.end());
    const auto on_list = [&by_address](const HashBucket *b) {
        return std::binary_search(by_address.begin(), by_address.end(), b);
    };
    if (ht->cursor && !on_list(ht->cursor)) {
        return "cursor points at no element";
    }

    /* The chains.  An element's hash decides its slot, so elements found on
     * different slots are different; one seen twice on a slot is a cycle,
     * which the bound on the total stops. */
    uint64_t chained = 0;
    for (uint32_t i = 0; i < ht->table_size; i++) {
        const HashBucket *cprev = nullptr;
        uint8_t bits = 0;
        for (const HashBucket *b = ht->slots[i]; b; b = b->chain_next) {
            if (++chained > count) {
                return "chains hold more elements than the list";
            }
            if (!on_list(b)) {
                return "slot " + std::to_string(i) + " holds an element not on the list";
            }
            if ((b->hash & ht->table_mask) != i) {
                return "element with hash " + std::to_string(b->hash) + " on slot " +
                       std::to_string(i);
            }
            if (b->chain_prev != cprev) {
                return "chain_prev wrong on slot " + std::to_string(i);
            }
            bits |= summary_bit(b->hash);
            cprev = b;
        }
        /* Over-full is allowed; a bit missing would make a lookup miss a
         * key that is there. */
        if ((*slot_summary(ht, i) & bits) != bits) {
            return "the summary of slot " + std::to_string(i) + " lacks a bit of its chain";
        }
    }
    if (chained != count) {
        return "chains hold " + std::to_string(chained) + " elements, list " +
               std::to_string(count);
    }

    std::vector<const HashBucket *> by_key(listed);
    std::sort(by_key.begin(), by_key.end(), key_less);
    const auto same_key = [](const HashBucket *a, const HashBucket *b) {
        return !key_less(a, b) && !key_less(b, a);
    };
    if (std::adjacent_find(by_key.begin(), by_key.end(), same_key) != by_key.end()) {
        return "two elements hold the same key";
    }
    return std::string();
}
