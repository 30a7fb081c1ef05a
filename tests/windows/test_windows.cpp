/* What only the Windows build has: the table's names looked up in the
 * running executable itself, as a module loaded beside veskid.exe finds them
 * (this binary is linked with the same definition file as veskid.exe), and
 * the platform layer's own rule for a failed volume query and its view,
 * always the host's. */
#include <windows.h>

#include <gtest/gtest.h>

#include "export_names.h"
#include "platform.h"
#include "vesk_hash.h"
#include "vesk_hostid.h"

TEST(WindowsExports, EveryListedNameResolvesInTheExecutable) {
    HMODULE self = GetModuleHandleA(NULL);
    ASSERT_NE(self, nullptr);
    int count = 0;
    for (const char *name : {VESK_EXPORTED_NAMES}) {
        EXPECT_NE(GetProcAddress(self, name), nullptr) << name;
        count++;
    }
    EXPECT_GE(count, 40);
    /* Only the listed names: nothing of the collector. */
    for (const char *name : {"collect_host_ids", "encode_host_id", "main", "dispatch_command"}) {
        EXPECT_EQ(GetProcAddress(self, name), nullptr) << name;
    }
}

/* The exported addresses are the ones this program calls and reads. */
TEST(WindowsExports, ResolvedAddressesAreTheDefinitions) {
    HMODULE self = GetModuleHandleA(NULL);
    EXPECT_EQ((void *)GetProcAddress(self, "vesk_hash_init"), (void *)&vesk_hash_init);
    EXPECT_EQ((void *)GetProcAddress(self, "_emalloc"), (void *)&_emalloc);
    EXPECT_EQ((void *)GetProcAddress(self, "vesk_block_interruptions"),
              (void *)&vesk_block_interruptions);

    /* A table made through the resolved functions. */
    typedef int (*init_t)(HashTable *, uint32_t, void *, dtor_func_t, vesk_bool);
    typedef int (*add_t)(HashTable *, const char *, uint32_t);
    typedef void (*destroy_t)(HashTable *);
    init_t init = (init_t)(void *)GetProcAddress(self, "vesk_hash_init");
    add_t add = (add_t)(void *)GetProcAddress(self, "vesk_hash_add_empty_element");
    destroy_t destroy = (destroy_t)(void *)GetProcAddress(self, "vesk_hash_destroy");
    ASSERT_TRUE(init != nullptr && add != nullptr && destroy != nullptr);
    HashTable table;
    ASSERT_EQ(init(&table, 2, nullptr, nullptr, 0), SUCCESS);
    EXPECT_EQ(add(&table, "M:key", 5), SUCCESS);
    EXPECT_EQ(add(&table, "M:key", 5), FAILURE);
    EXPECT_EQ(vesk_hash_num_elements(&table), 1u);
    destroy(&table);
}

/* The collector's serial stays as it set it when the query fails, and a
 * drive that is not there has no serial (rather than one not read): the
 * private Wine prefix of the tests has no drive Q:. */
TEST(WindowsPlatform, FailedVolumeQueryLeavesTheSerialAlone) {
    void *session = native_host_platform.open_session(&native_host_platform);
    ASSERT_NE(session, nullptr);
    uint32_t serial = 0xA5A5A5A5;
    EXPECT_EQ(native_host_platform.volume_serial(session, "Q:\\", &serial), HOST_ANSWER_NONE);
    EXPECT_EQ(serial, 0xA5A5A5A5u);
    EXPECT_EQ(native_host_platform.volume_serial(session, "C:\\", &serial), HOST_ANSWER_FOUND);
    native_host_platform.close_session(session);
}

/* A Windows process has no namespaces: its view is always the host's. */
TEST(WindowsPlatform, ViewIsTheHostsOwn) {
    unsigned differences = 0x5555;
    ASSERT_EQ(vesk_hostid_view(&differences), SUCCESS);
    EXPECT_EQ(differences, 0u);
    EXPECT_EQ(vesk_hostid_view(nullptr), FAILURE);
}
