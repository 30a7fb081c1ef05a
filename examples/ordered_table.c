/*
 * ordered_table.c - using the ordered hash table from C: insert, find, walk in
 * insertion order, delete, destroy.  Prints what it does and exits 0 when
 * every step behaved as expected.
 */
#include <stdio.h>
#include <string.h>

#include <vesk_hash.h>

struct city {
    const char *name;
    int population; /* thousands */
};

int main(void) {
    HashTable cities;
    if (vesk_hash_init(&cities, 0, NULL, NULL, 1) != SUCCESS) {
        return 1;
    }

    /* Element data is copied into the table: here a whole record. */
    struct city berlin = {"Berlin", 3850}, oslo = {"Oslo", 717}, lima = {"Lima", 10000};
    vesk_hash_add_or_update(&cities, "de", 2, &berlin, sizeof berlin, NULL, HASH_MODE_ADD);
    vesk_hash_add_or_update(&cities, "no", 2, &oslo, sizeof oslo, NULL, HASH_MODE_ADD);
    vesk_hash_add_or_update(&cities, "pe", 2, &lima, sizeof lima, NULL, HASH_MODE_ADD);

    void *data;
    if (vesk_hash_find(&cities, "no", 2, &data) != SUCCESS ||
        ((struct city *)data)->population != 717) {
        return 1;
    }

    /* Walk in insertion order with a position of our own. */
    HashPosition pos;
    char *key;
    uint32_t key_length, index;
    int visited = 0;
    for (vesk_hash_internal_pointer_reset_ex(&cities, &pos);
         vesk_hash_get_current_data_ex(&cities, &data, &pos) == SUCCESS;
         vesk_hash_move_forward_ex(&cities, &pos)) {
        vesk_hash_get_current_key_ex(&cities, &key, &key_length, &index, 0, &pos);
        printf("%.*s: %s\n", (int)key_length, key, ((struct city *)data)->name);
        visited++;
    }

    if (vesk_hash_del_key_or_index(&cities, "no", 2, 0, DELETE_BY_KEY) != SUCCESS ||
        vesk_hash_exists(&cities, "no", 2) || vesk_hash_num_elements(&cities) != 2) {
        return 1;
    }
    vesk_hash_destroy(&cities);
    printf("visited %d, deleted 1\n", visited);
    return visited == 3 ? 0 : 1;
}
