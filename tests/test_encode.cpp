/* The digest of an identifier and its 23-character text. */
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collect.h"
#include "encode.h"
#include "published_ids.h"

namespace {

const std::string alphabet = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";

std::string encode(const unsigned char *digest, HostIdKind kind) {
    char text[HOST_ID_TEXT_SIZE];
    memset(text, '#', sizeof text);
    encode_host_id(digest, text, kind);
    return text;
}

} // namespace

TEST(Encoding, KnownDigests) {
    unsigned char digest[HOST_ID_DIGEST_SIZE];
    memset(digest, 0x00, sizeof digest);
    EXPECT_EQ(encode(digest, 2), "AAAAC-AAAAC-AAAAC-AAAAC");
    memset(digest, 0xFF, sizeof digest);
    EXPECT_EQ(encode(digest, 1), "9999B-9999B-9999B-9999B");
    for (int i = 0; i < HOST_ID_DIGEST_SIZE; i++) {
        digest[i] = (unsigned char)i;
    }
    EXPECT_EQ(encode(digest, 3), "AJC2T-EJG2T-JJL2T-NJQ2T");
}

TEST(Encoding, WholeIdentifiersFromRawBytes) {
    struct Row {
        std::vector<unsigned char> raw;
        HostIdKind kind;
        const char *digest;
        const char *text;
    };
    const Row rows[] = {
        {raw_bytes(published_ipv4), published_ipv4.kind, "aaa4d15edcc1c78ebac04a63b62710c1",
         published_ipv4.text},
        {raw_bytes(published_volume), published_volume.kind, "2b3e6eacbf786a41deeb4cebd07fe893",
         published_volume.text},
        {raw_bytes(published_adapter), published_adapter.kind, "f12ad98f5aeeffc93e307667ecccfa60",
         published_adapter.text},
        /* The kind enters as 4 little-endian two's-complement bytes. */
        {raw_bytes(published_volume), -2, "3dc32c13f002042222f7d78880f6c818", nullptr},
        {raw_bytes(published_volume), 0x01020304, "cb043d45f4426df4755c2b5c7cf391fa", nullptr},
    };
    for (const Row &row : rows) {
        unsigned char digest[HOST_ID_DIGEST_SIZE];
        ASSERT_EQ(digest_host_id(row.raw.data(), (int32_t)row.raw.size(), row.kind, digest), 0);
        std::string hex;
        for (unsigned char byte : digest) {
            char pair[3];
            snprintf(pair, sizeof pair, "%02x", byte);
            hex += pair;
        }
        EXPECT_EQ(hex, row.digest);
        if (row.text != nullptr) {
            EXPECT_EQ(encode(digest, row.kind), row.text);
        }
    }
}

TEST(Encoding, OnlyTheLowTwoBitsOfOddBytesReachTheText) {
    unsigned char digest[HOST_ID_DIGEST_SIZE];
    for (int i = 0; i < HOST_ID_DIGEST_SIZE; i++) {
        digest[i] = (unsigned char)(0x35 * i + 7);
    }
    const std::string text = encode(digest, 2);
    for (int byte = 0; byte < HOST_ID_DIGEST_SIZE; byte++) {
        for (int bit = 0; bit < 8; bit++) {
            digest[byte] ^= (unsigned char)(1u << bit);
            bool dropped = byte % 2 == 1 && bit >= 2;
            EXPECT_EQ(encode(digest, 2) == text, dropped) << "byte " << byte << " bit " << bit;
            digest[byte] ^= (unsigned char)(1u << bit);
        }
    }
}

/* Random digests and kinds: the shape of the text, each group's check, and
 * the data symbols decoding back to the digest bits they carry. */
TEST(Encoding, EveryTextHasItsShapeChecksAndBits) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 2000; round++) {
        unsigned char digest[HOST_ID_DIGEST_SIZE];
        for (unsigned char &byte : digest) {
            byte = (unsigned char)random();
        }
        HostIdKind kind = round < 64 ? round - 32 : (HostIdKind)random();
        const std::string text = encode(digest, kind);
        SCOPED_TRACE(text);
        ASSERT_EQ(text.size(), (size_t)VESK_HOSTID_TEXT_LENGTH);
        for (int group = 0; group < 4; group++) {
            unsigned int v[5], check = 0;
            for (int i = 0; i < 5; i++) {
                size_t at = alphabet.find(text[group * 6 + i]);
                ASSERT_NE(at, std::string::npos);
                v[i] = (unsigned int)at;
                check ^= v[i];
            }
            EXPECT_EQ(group < 3 ? text[group * 6 + 5] : '-', '-');
            EXPECT_EQ(check, (unsigned int)kind & 0x1F);
            for (int pair = 0; pair < 2; pair++) {
                EXPECT_EQ(v[pair * 2] | (v[pair * 2 + 1] & 7) << 5, digest[group * 4 + pair * 2]);
                EXPECT_EQ(v[pair * 2 + 1] >> 3, digest[group * 4 + pair * 2 + 1] & 3u);
            }
        }
    }
}
