#include "table_check.h"
#include "table_invariants.h"

::testing::AssertionResult table_is_consistent(const HashTable *ht) {
    const std::string violation = table_invariant_violation(ht);
    if (!violation.empty()) {
        return ::testing::AssertionFailure() << violation;
    }
    return ::testing::AssertionSuccess();
}

std::string skey(const std::string &bytes) {
    return "s:" + bytes;
}
std::string ikey(uint32_t n) {
    return "i:" + std::to_string(n);
}

std::vector<std::string> table_keys(const HashTable *ht) {
    std::vector<std::string> out;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        out.push_back(b->key_length ? skey(std::string(b->key, b->key_length)) : ikey(b->hash));
    }
    return out;
}
