/* The host's name resolved by DNS, with the resolver's environment variables
 * each pointing the lookup at another name: the I list must follow none of
 * them, or the view must say that one is set.
 *
 * Each case runs in a child with network, mount and UTS namespaces of its
 * own: the loopback adapter up, a DNS responder of this file's on 127.0.0.1
 * answering A queries from a table, /etc/resolv.conf naming it (with a search
 * domain), /etc/hosts without the host's name, /etc/nsswitch.conf asking the
 * hosts file, then DNS, a fresh sysfs (no adapter of the host's) and a host
 * name of its own.  The child first has the application's own lookup show
 * that the variable does steer the C library, then asks the library, then
 * looks the name up again on the same thread.
 *
 * Needs root (it unshares and mounts); without it the test fails and says
 * why.  Everything happens in children whose namespaces go away with them. */
#include <arpa/inet.h>
#include <errno.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <resolv.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "vesk_hostid.h"

namespace {

const char host_name[] = "vesk-dns-host";

/* What the responder knows.  The host's own address comes through the
 * search domain of resolv.conf; each of the others only through a variable. */
const char own_address[] = "10.27.0.7";
const char alias_address[] = "10.27.0.9";        /* HOSTALIASES: licensed.example */
const char localdomain_address[] = "10.27.0.11"; /* LOCALDOMAIN: another search domain */
const char bare_name_address[] = "10.27.0.13";   /* RES_OPTIONS ndots:0: the bare name first */

const struct {
    const char *name;
    const char *address;
} dns_table[] = {
    {"vesk-dns-host.corp.example", own_address},
    {"licensed.example", alias_address},
    {"vesk-dns-host.evil.example", localdomain_address},
    {"vesk-dns-host", bare_name_address},
};

/* Answers one query read from fd: an A record from the table, an empty
 * answer for another type of a name in it, NXDOMAIN for any other name. */
void answer_one_query(int fd) {
    unsigned char query[512];
    struct sockaddr_in from;
    socklen_t from_length = sizeof from;
    ssize_t got = recvfrom(fd, query, sizeof query, 0, (struct sockaddr *)&from, &from_length);
    if (got < 12) {
        return;
    }
    std::string name;
    size_t at = 12;
    while (at < (size_t)got && query[at] != 0) {
        size_t label = query[at];
        if (label > 63 || at + 1 + label >= (size_t)got) {
            return;
        }
        name += (name.empty() ? "" : ".") + std::string((const char *)query + at + 1, label);
        at += 1 + label;
    }
    size_t question_end = at + 5; /* the root label, type and class */
    if (question_end > (size_t)got) {
        return;
    }
    unsigned type = (unsigned)query[at + 1] << 8 | query[at + 2];
    const char *address = nullptr;
    bool known = false;
    for (const auto &record : dns_table) {
        if (strcasecmp(record.name, name.c_str()) == 0) {
            known = true;
            address = type == 1 ? record.address : nullptr;
        }
    }
    unsigned char reply[512 + 16];
    memcpy(reply, query, question_end);
    reply[2] = (unsigned char)(0x84 | (query[2] & 0x01)); /* an authoritative answer, RD kept */
    reply[3] = (unsigned char)(0x80 | (known ? 0 : 3));   /* recursion available; NXDOMAIN */
    const unsigned char counts[8] = {0, 1, 0, (unsigned char)(address != nullptr), 0, 0, 0, 0};
    memcpy(reply + 4, counts, sizeof counts);
    size_t length = question_end;
    if (address != nullptr) {
        const unsigned char record[12] = {0xC0, 0x0C, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4};
        memcpy(reply + length, record, sizeof record);
        inet_pton(AF_INET, address, reply + length + sizeof record);
        length += sizeof record + 4;
    }
    sendto(fd, reply, length, 0, (struct sockaddr *)&from, from_length);
}

/* What a child reports. */
struct Answers {
    char failed[256];    /* the step of the setup that failed, else empty */
    char own_before[16]; /* the application's lookup, on a thread of its own */
    char first[128];     /* the I lines of the list, on a thread that never resolved */
    char own_after[16];  /* the application's lookup, next on that thread */
    char again[128];     /* the I lines of the list, next on that thread */
    int own_bit_kept;    /* an application's own RES_NOALIASES outlives a list */
    int view_status;     /* vesk_hostid_view */
    unsigned view;       /* its bits */
};

bool step(bool ok, const char *what, Answers *answers) {
    if (!ok && answers->failed[0] == '\0') {
        snprintf(answers->failed, sizeof answers->failed, "%s: %s", what, strerror(errno));
    }
    return ok;
}

/* The first address that the C library gives for the host's name; "none". */
void own_lookup(char address[16]) {
    struct hostent entry, *result = nullptr;
    char buffer[4096];
    int error = 0;
    snprintf(address, 16, "none");
    if (gethostbyname_r(host_name, &entry, buffer, sizeof buffer, &result, &error) == 0 &&
        result != nullptr && result->h_addr_list[0] != nullptr) {
        inet_ntop(AF_INET, result->h_addr_list[0], address, 16);
    }
}

/* The I lines of vesk_hostid_list(VESK_HOSTID_ALL), or "FAILURE". */
void listed_i_lines(char lines[128]) {
    vesk_hostid *ids = nullptr;
    size_t count = 0;
    std::string text;
    if (vesk_hostid_list(VESK_HOSTID_ALL, &ids, &count) != SUCCESS) {
        text = "FAILURE";
    }
    for (size_t i = 0; i < count; i++) {
        if (ids[i].letter == 'I') {
            text += std::string("I:") + ids[i].text + "\n";
        }
    }
    vesk_hostid_list_free(ids);
    snprintf(lines, 128, "%s", text.c_str());
}

/* The loopback adapter of a new network namespace is down. */
bool loopback_up() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct ifreq request;
    memset(&request, 0, sizeof request);
    snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
    bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = (short)(request.ifr_flags | IFF_UP);
    up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return up;
}

/* The files of the made-up host, bound over the host's own. */
bool make_resolving_host(const std::string &work, Answers *answers) {
    const struct {
        const char *file, *text, *over;
    } files[] = {
        {"hosts", "127.0.0.1 localhost\n", "/etc/hosts"},
        {"resolv.conf", "nameserver 127.0.0.1\nsearch corp.example\noptions timeout:1 attempts:2\n",
         "/etc/resolv.conf"},
        {"nsswitch.conf", "hosts: files dns\n", "/etc/nsswitch.conf"},
        {"aliases", "vesk-dns-host licensed.example\n", nullptr},
    };
    if (!step(unshare(CLONE_NEWNET | CLONE_NEWNS | CLONE_NEWUTS) == 0, "unshare", answers) ||
        !step(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0, "private mounts",
              answers) ||
        !step(mount("sysfs", "/sys", "sysfs", 0, nullptr) == 0, "a sysfs of the namespace",
              answers) ||
        !step(loopback_up(), "the loopback adapter up", answers) ||
        !step(sethostname(host_name, strlen(host_name)) == 0, "the host name", answers)) {
        return false;
    }
    for (const auto &file : files) {
        std::string path = work + "/" + file.file;
        if (!step(write_text_file(path, file.text), file.file, answers) ||
            (file.over != nullptr &&
             !step(mount(path.c_str(), file.over, nullptr, MS_BIND, nullptr) == 0, file.over,
                   answers))) {
            return false;
        }
    }
    return true;
}

/* One case: the variable (none when null) set to value. */
struct Environment {
    const char *name;
    const char *variable;
    const char *value;  /* "aliases": the aliases file of the made-up host */
    const char *chosen; /* the address it makes the application's own lookup give */
    bool reported;      /* vesk_hostid_view reports it; else the I list ignores it */
};

void PrintTo(const Environment &e, std::ostream *out) {
    *out << e.name;
}

void resolve_in_namespaces(const std::string &work, const Environment &environment,
                           Answers *answers) {
    for (const char *variable : {"HOSTALIASES", "LOCALDOMAIN", "RES_OPTIONS"}) {
        unsetenv(variable);
    }
    if (!make_resolving_host(work, answers)) {
        return;
    }
    if (environment.variable != nullptr) {
        std::string value = environment.value;
        if (value == "aliases") {
            value = work + "/aliases";
        }
        setenv(environment.variable, value.c_str(), 1);
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!step(fd >= 0 && bind(fd, (struct sockaddr *)&address, sizeof address) == 0,
              "the responder's socket", answers)) {
        return;
    }
    std::atomic<bool> done(false);
    std::thread responder([fd, &done] {
        while (!done) {
            struct pollfd ready = {fd, POLLIN, 0};
            if (poll(&ready, 1, 20) > 0) {
                answer_one_query(fd);
            }
        }
    });
    /* Each thread has a resolver state of its own: these two start fresh. */
    std::thread([answers] { own_lookup(answers->own_before); }).join();
    std::thread([answers] {
        listed_i_lines(answers->first);
        own_lookup(answers->own_after);
        listed_i_lines(answers->again);
        _res.options |= RES_NOALIASES;
        char lines[128];
        listed_i_lines(lines);
        answers->own_bit_kept = (_res.options & RES_NOALIASES) != 0;
        answers->view_status = vesk_hostid_view(&answers->view);
    }).join();
    done = true;
    responder.join();
    close(fd);
}

Answers answers_in_child(const std::string &work, const Environment &environment) {
    Answers answers;
    memset(&answers, 0, sizeof answers);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        snprintf(answers.failed, sizeof answers.failed, "pipe: %s", strerror(errno));
        return answers;
    }
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(pipe_fds[0]);
        resolve_in_namespaces(work, environment, &answers);
        ssize_t written = write(pipe_fds[1], &answers, sizeof answers);
        _exit(written == (ssize_t)sizeof answers ? 0 : 1);
    }
    close(pipe_fds[1]);
    ssize_t got = child > 0 ? read(pipe_fds[0], &answers, sizeof answers) : -1;
    close(pipe_fds[0]);
    int status = -1;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    if (got != (ssize_t)sizeof answers || status != 0) {
        snprintf(answers.failed, sizeof answers.failed, "the child did not report (status %d)",
                 status);
    }
    return answers;
}

std::string i_line(const char *address) {
    unsigned char raw[4];
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
    if (inet_pton(AF_INET, address, raw) != 1 ||
        vesk_hostid_encode(raw, sizeof raw, VESK_HOSTID_KIND_IPV4, text) != SUCCESS) {
        return "?";
    }
    return std::string("I:") + text + "\n";
}

class ResolverEnvironment : public testing::TestWithParam<Environment> {
  protected:
    std::string work;

    void SetUp() override {
        ASSERT_EQ(geteuid(), 0u) << "needs root: it unshares network, mount and UTS namespaces";
        work = make_scratch_dir("vesk-resolver");
        ASSERT_NE(work, "") << "no directory could be made under /tmp";
    }
    void TearDown() override {
        if (!work.empty()) {
            EXPECT_TRUE(remove_scratch_dir(work)) << work;
        }
    }
};

TEST_P(ResolverEnvironment, ChoosesNoIdentifierUnseen) {
    const Environment &environment = GetParam();
    Answers answers = answers_in_child(work, environment);
    ASSERT_STREQ(answers.failed, "");
    ASSERT_STREQ(answers.own_before, environment.chosen)
        << "the C library's own lookup does not follow the variable: the case shows nothing";
    ASSERT_EQ(answers.view_status, SUCCESS);
    if (environment.reported) {
        EXPECT_EQ(answers.view & VESK_HOSTID_VIEW_RESOLVER, (unsigned)VESK_HOSTID_VIEW_RESOLVER);
        return;
    }
    EXPECT_EQ(answers.view & VESK_HOSTID_VIEW_RESOLVER, 0u);
    EXPECT_EQ(answers.first, i_line(own_address))
        << "the variable's address " << environment.chosen << " is " << i_line(environment.chosen);
    EXPECT_EQ(answers.again, i_line(own_address)) << "once the thread's resolver was set up";
    /* The application's own lookups on the same thread are as they were. */
    EXPECT_STREQ(answers.own_after, environment.chosen);
    EXPECT_TRUE(answers.own_bit_kept) << "the application's own RES_NOALIASES was cleared";
}

const Environment environments[] = {
    {"none", nullptr, nullptr, own_address, false},
    {"hostaliases", "HOSTALIASES", "aliases", alias_address, false},
    {"localdomain", "LOCALDOMAIN", "evil.example", localdomain_address, true},
    /* Empty, it empties resolv.conf's search list: the bare name is asked. */
    {"localdomain_empty", "LOCALDOMAIN", "", bare_name_address, true},
    {"res_options", "RES_OPTIONS", "ndots:0", bare_name_address, true},
};

INSTANTIATE_TEST_SUITE_P(Dns, ResolverEnvironment, testing::ValuesIn(environments),
                         [](const testing::TestParamInfo<Environment> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
