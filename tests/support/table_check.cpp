#include "table_check.h"

#include <set>
#include <utility>

::testing::AssertionResult table_is_consistent(const HashTable *ht) {
    using ::testing::AssertionFailure;
    if (ht->table_size < 8 || (ht->table_size & (ht->table_size - 1)) != 0) {
        return AssertionFailure() << "table_size " << ht->table_size << " is no power of two >= 8";
    }
    if (ht->table_mask != ht->table_size - 1) {
        return AssertionFailure() << "table_mask " << ht->table_mask;
    }
    if ((ht->list_head == nullptr) != (ht->list_tail == nullptr)) {
        return AssertionFailure() << "list_head and list_tail disagree on emptiness";
    }
    std::set<const HashBucket *> on_list;
    std::set<std::pair<uint32_t, std::string>> keys;
    uint32_t count = 0;
    const HashBucket *prev = nullptr;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        if (!on_list.insert(b).second) {
            return AssertionFailure() << "order list has a cycle";
        }
        if (b->list_prev != prev) {
            return AssertionFailure() << "list_prev of element " << count << " is wrong";
        }
        const bool is_inline = b->data == &b->inline_data;
        if (!is_inline && b->inline_data != nullptr) {
            return AssertionFailure() << "element " << count << " has a block and inline_data != 0";
        }
        std::string key = b->key_length ? std::string(b->key, b->key_length) : std::string();
        if (!keys.insert({b->key_length ? 0u : b->hash, key}).second) {
            return AssertionFailure() << "duplicate key at element " << count;
        }
        prev = b;
        count++;
    }
    if (prev != ht->list_tail) {
        return AssertionFailure() << "list_tail is not the last element";
    }
    if (count != ht->element_count) {
        return AssertionFailure() << "element_count " << ht->element_count << " but list has "
                                  << count;
    }
    if (ht->cursor && !on_list.count(ht->cursor)) {
        return AssertionFailure() << "cursor points at no element";
    }
    uint32_t chained = 0;
    for (uint32_t i = 0; i < ht->table_size; i++) {
        const HashBucket *cprev = nullptr;
        for (const HashBucket *b = ht->slots[i]; b; b = b->chain_next) {
            if (!on_list.count(b)) {
                return AssertionFailure() << "slot " << i << " holds an element not on the list";
            }
            if ((b->hash & ht->table_mask) != i) {
                return AssertionFailure() << "element with hash " << b->hash << " on slot " << i;
            }
            if (b->chain_prev != cprev) {
                return AssertionFailure() << "chain_prev wrong on slot " << i;
            }
            if (++chained > count) {
                return AssertionFailure() << "chains hold more elements than the list";
            }
            cprev = b;
        }
    }
    if (chained != count) {
        return AssertionFailure() << "chains hold " << chained << " elements, list " << count;
    }
    return ::testing::AssertionSuccess();
}

std::string skey(const std::string &bytes) { return "s:" + bytes; }
std::string ikey(uint32_t n) { return "i:" + std::to_string(n); }

std::vector<std::string> table_keys(const HashTable *ht) {
    std::vector<std::string> out;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        out.push_back(b->key_length ? skey(std::string(b->key, b->key_length)) : ikey(b->hash));
    }
    return out;
}
