/*
 * host_probe.cpp - what this Windows host reports through the calls that
 * veskid reads, printed for check_veskid.sh to compare with veskid's lines:
 *
 *   lanas N          the count byte of NCBENUM
 *   adapter HEX      the 6-byte address of each LANA whose NCBASTAT succeeds
 *   host NAME        the host name
 *   address HEX      each IPv4 address that the host name resolves to
 */
#include <stdio.h>
#include <string.h>

#include <winsock.h>

#include <nb30.h>

static void print_hex(const char *label, const unsigned char *bytes, int count) {
    printf("%s ", label);
    for (int i = 0; i < count; i++) {
        printf("%02x", bytes[i]);
    }
    printf("\n");
}

int main(void) {
    NCB ncb;
    LANA_ENUM lanas;
    memset(&ncb, 0, sizeof ncb);
    memset(&lanas, 0, sizeof lanas);
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = (PUCHAR)&lanas;
    ncb.ncb_length = sizeof lanas;
    Netbios(&ncb);
    printf("lanas %u\n", lanas.length);
    for (unsigned int i = 0; i < lanas.length; i++) {
        memset(&ncb, 0, sizeof ncb);
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = lanas.lana[i];
        Netbios(&ncb);

        unsigned char status[600];
        memset(status, 0, sizeof status);
        memset(&ncb, 0, sizeof ncb);
        ncb.ncb_command = NCBASTAT;
        ncb.ncb_lana_num = lanas.lana[i];
        memcpy(ncb.ncb_callname, "*               ", NCBNAMSZ);
        ncb.ncb_buffer = status;
        ncb.ncb_length = sizeof status;
        if (Netbios(&ncb) == NRC_GOODRET) {
            print_hex("adapter", status, 6);
        }
    }

    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0) {
        return 1;
    }
    char name[80];
    if (gethostname(name, sizeof name) == 0) {
        printf("host %s\n", name);
        struct hostent *host = gethostbyname(name);
        for (char **address = host != NULL ? host->h_addr_list : NULL;
             address != NULL && *address != NULL; address++) {
            print_hex("address", (const unsigned char *)*address, 4);
        }
    }
    WSACleanup();
    return 0;
}
