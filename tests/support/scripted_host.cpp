#include "scripted_host.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <sys/socket.h> /* AF_INET; winsock.h has it on Windows */
#endif

#include "collect.h"
#include "kinds.h"
#include "lists.h"
#include "report.h"
#include "select.h"

ScriptedHost scripted_host;

/* ---- Platform operations ------------------------------------------------ */

static void record_call(const char *format, ...) __attribute__((format(printf, 1, 2)));

static void record_call(const char *format, ...) {
    char call[200];
    va_list args;
    va_start(args, format);
    vsnprintf(call, sizeof call, format, args);
    va_end(args);
    scripted_host.calls.push_back(call);
}

static HostAnswer scripted_volume_serial(void *, const char *root_path, uint32_t *serial) {
    record_call("volume %s", root_path);
    if (scripted_host.volume_fails) {
        return HOST_ANSWER_UNREADABLE;
    }
    if (scripted_host.volume_none) {
        return HOST_ANSWER_NONE;
    }
    *serial = scripted_host.serial;
    return HOST_ANSWER_FOUND;
}

static unsigned char scripted_netbios(void *, NCB *ncb) {
    scripted_host.blocks.push_back(*ncb);
    unsigned int lana = ncb->ncb_lana_num;
    switch (ncb->ncb_command) {
    case NCBENUM: {
        record_call("enum");
        if (scripted_host.enumeration_fails) {
            return NRC_SYSTEM;
        }
        LANA_ENUM *lanas = (LANA_ENUM *)ncb->ncb_buffer;
        lanas->length = scripted_host.lana_count;
        for (size_t i = 0; i < scripted_host.lanas.size() && i <= MAX_LANA; i++) {
            lanas->lana[i] = scripted_host.lanas[i];
        }
        return NRC_GOODRET;
    }
    case NCBRESET:
        record_call("reset %u", lana);
        return NRC_GOODRET;
    case NCBASTAT: {
        record_call("status %u", lana);
        auto found = scripted_host.status.find((unsigned char)lana);
        if (found == scripted_host.status.end()) {
            return NRC_BRIDGE;
        }
        if (found->second.code == NRC_GOODRET && !found->second.silent) {
            memcpy(ncb->ncb_buffer, found->second.address.data(), 6);
        }
        return found->second.code;
    }
    default:
        record_call("netbios 0x%02x", ncb->ncb_command);
        return NRC_ILLCMD;
    }
}

static int scripted_wsa_startup(void *, uint16_t version, WSADATA *data) {
    record_call("startup 0x%04x", version);
    if (scripted_host.startup_fails) {
        return 10091; /* the network subsystem is not ready */
    }
    data->wVersion = version;
    return 0;
}

static int scripted_get_host_name(void *, char *name, int length) {
    record_call("hostname %d", length);
    if (scripted_host.host_name_fails) {
        return -1;
    }
    size_t count = scripted_host.host_name.size() + 1;
    memcpy(name, scripted_host.host_name.c_str(), count < (size_t)length ? count : (size_t)length);
    return 0;
}

static struct hostent *scripted_get_host_by_name(void *, const char *name, HostAnswer *answer) {
    record_call("resolve %s", name);
    if (scripted_host.resolution_fails || scripted_host.name_unknown) {
        *answer = scripted_host.name_unknown ? HOST_ANSWER_NONE : HOST_ANSWER_UNREADABLE;
        return NULL;
    }
    *answer = HOST_ANSWER_FOUND;
    ScriptedHost &host = scripted_host;
    host.answer_pointers.clear();
    for (Ipv4Address &address : host.addresses) {
        host.answer_pointers.push_back((char *)address.data());
    }
    host.answer_pointers.push_back(NULL);
    memset(&host.answer, 0, sizeof host.answer);
    host.answer.h_addrtype = AF_INET;
    host.answer.h_length = 4;
    host.answer.h_addr_list = host.null_address_list ? NULL : host.answer_pointers.data();
    return &host.answer;
}

static void scripted_wsa_cleanup(void *) {
    record_call("cleanup");
}

/* Sessions are counted, not recorded: the calls stay those of the host. */
static void *scripted_open_session(const HostPlatform *) {
    if (scripted_host.session_fails) {
        return NULL;
    }
    scripted_host.sessions_open++;
    return &scripted_host;
}

static void scripted_close_session(void *session) {
    if (session != NULL) {
        scripted_host.sessions_open--;
    }
}

const HostPlatform scripted_platform = {
    NULL,
    scripted_open_session,
    scripted_close_session,
    scripted_volume_serial,
    scripted_netbios,
    scripted_wsa_startup,
    scripted_get_host_name,
    scripted_get_host_by_name,
    scripted_wsa_cleanup,
    NULL, /* no details beyond the core's */
};

/* ---- Scripting helpers -------------------------------------------------- */

void script_lanas(const std::vector<unsigned char> &lanas) {
    scripted_host.lanas = lanas;
    scripted_host.lana_count = (unsigned char)lanas.size();
}

void script_adapter(unsigned char lana, const AdapterAddress &address) {
    scripted_host.status[lana] = ScriptedStatus{NRC_GOODRET, address, false};
}

void script_status_failure(unsigned char lana, unsigned char code) {
    scripted_host.status[lana] = ScriptedStatus{code, AdapterAddress{}, false};
}

size_t scripted_count(const std::string &call) {
    size_t count = 0;
    for (const std::string &recorded : scripted_host.calls) {
        count += recorded == call;
    }
    return count;
}

void ScriptedHostTest::SetUp() {
    scripted_host = ScriptedHost();
}

HostIdRecord *collect_scripted_host_ids(void) {
    return collect_host_ids_from(&scripted_platform, HOST_SOURCES_ALL, NULL);
}

/* ---- Records ------------------------------------------------------------ */

std::vector<const HostIdRecord *> list_records(const HostIdRecord *head) {
    std::vector<const HostIdRecord *> records;
    for (const HostIdRecord *record = head; record != NULL; record = record->next) {
        records.push_back(record);
    }
    return records;
}

std::vector<HostIdKind> list_kinds(const HostIdRecord *head) {
    std::vector<HostIdKind> kinds;
    for (const HostIdRecord *record = head; record != NULL; record = record->next) {
        kinds.push_back(record->kind);
    }
    return kinds;
}

std::vector<unsigned char> record_raw(const HostIdRecord *record) {
    return std::vector<unsigned char>(record->raw, record->raw + record->raw_length);
}
