/*
 * published_ids.h - the three published identifiers, with the raw bytes that
 * give them, and the host properties the identifier tests script.
 *
 * Each text is what the encoder makes of its raw bytes and kind; the
 * scripted host gives those bytes as a serial, an adapter address or an
 * address of the host's name.  Header only: every value is a constant.
 */
#ifndef VESK_TESTS_PUBLISHED_IDS_H
#define VESK_TESTS_PUBLISHED_IDS_H

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>
#include <vector>

typedef std::array<unsigned char, 6> AdapterAddress;
typedef std::array<unsigned char, 4> Ipv4Address;

/* ---- What a host gives -------------------------------------------------- */

constexpr uint32_t published_serial = 0x12345678;
constexpr unsigned char published_serial_raw[4] = {0x78, 0x56, 0x34, 0x12}; /* little-endian */
constexpr Ipv4Address published_address = {{10, 0, 0, 1}};
/* Two adapters: the first has the published identifier, the second none. */
constexpr AdapterAddress adapter_a = {{0x02, 0x00, 0x00, 0x00, 0x00, 0x01}};
constexpr AdapterAddress adapter_b = {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};

/* ---- What veskid makes of it -------------------------------------------- */

struct PublishedId {
    const unsigned char *raw; /* the bytes that are digested */
    size_t raw_length;
    int32_t kind;
    char letter; /* veskid's, for the kind */
    const char *text;
};

constexpr PublishedId published_ipv4 = {published_address.data(), 4, 1, 'I',
                                        "LFTYK-6QHYC-4FL4Q-Y7SJU"};
constexpr PublishedId published_adapter = {adapter_a.data(), 6, 2, 'M', "TZ38D-4U9R4-8BY5S-NH4HW"};
constexpr PublishedId published_volume = {published_serial_raw, 4, 4, 'H',
                                          "MTQDV-9FLM9-88N4U-S8J97"};

inline std::vector<unsigned char> raw_bytes(const PublishedId &id) {
    return std::vector<unsigned char>(id.raw, id.raw + id.raw_length);
}

/* The line veskid prints for it, newline included. */
inline std::string id_line(const PublishedId &id) {
    return std::string(1, id.letter) + ":" + id.text + "\n";
}

#endif
