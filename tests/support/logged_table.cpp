#include "logged_table.h"

LoggedTable::LoggedTable(dtor_func_t destructor, vesk_bool persistent)
    : destructor_(destructor), persistent_(persistent) {}

void LoggedTable::SetUp() {
    clear_destroyed();
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, destructor_, persistent_));
    alive = true;
}

void LoggedTable::TearDown() {
    if (alive) {
        vesk_hash_destroy(&ht);
    }
}
