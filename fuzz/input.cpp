/*
 * input.cpp - the keys, integers, hashes, data and modes operations draw
 * from the input.
 */
#include "input.h"

#include "state.h"

#include <string>

namespace fuzz {

struct Literal {
    const char *bytes;
    uint32_t length;
};

const Literal KEY_LITERALS[] = {
    {"7\0", 2},
    {"05\0", 3},
    {"0\0", 2},
    {"00\0", 3},
    {"2147483646\0", 11},
    {"2147483647\0", 11},
    {"2147483648\0", 11},
    {"4294967295\0", 11},
    {"4294967296\0", 11},
    {"99999999999\0", 12},
    {"-5\0", 3},
    {" 5\0", 3},
    {"5", 1},
    {"10", 2},
    {"10\0", 3},
    {"12\0\0", 4},
    {"abc", 3},
    {"abc\0", 4},
    {"\x80", 1},
    {"\xff\xfe", 2},
    {"a\0b", 3},
    {"", 0},
    {"1\x80\0", 3},
    {"0", 1},
    {"+5\0", 3},
    {"1\0", 2},
    {"9\0", 2},
    {"12\0", 3},
};
const size_t KEY_LITERAL_COUNT = sizeof KEY_LITERALS / sizeof KEY_LITERALS[0];

const uint32_t INT_LITERALS[] = {
    0, 1, 2, 7, 10, 11, 255, 2147483646, 2147483647, 2147483648u, 4294967294u, 4294967295u};
const size_t INT_LITERAL_COUNT = sizeof INT_LITERALS / sizeof INT_LITERALS[0];

static const Table &any_table(Input &in, const Table &t) {
    const uint8_t k = in.u8() % 4;
    return k == 3 ? t : tables[k];
}

std::string gen_key(Input &in, const Table &t) {
    switch (in.u8() % 6) {
    case 0: {
        const Literal &l = KEY_LITERALS[in.u8() % KEY_LITERAL_COUNT];
        return std::string(l.bytes, l.length);
    }
    case 1:
        return in.bytes(in.u8() % 21);
    case 2: {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        if (src.el.empty()) {
            return std::string("k", 1);
        }
        const Elem &e = src.el[pick % src.el.size()];
        if (!e.is_int) {
            return e.skey;
        }
        std::string s = std::to_string(e.ikey);
        if ((pick & 0x80) == 0) {
            s.push_back('\0');
        }
        return s;
    }
    case 3: {
        const uint8_t form = in.u8();
        std::string s = std::to_string(form & 1 ? in.u32() : (uint32_t)in.u8());
        if (form & 2) {
            s.insert(s.begin(), '0');
        }
        if ((form & 4) == 0) {
            s.push_back('\0');
        }
        return s;
    }
    case 4: {
        /* Short keys over a small alphabet collide often. */
        std::string s;
        const uint8_t n = 1 + in.u8() % 3;
        for (uint8_t i = 0; i < n; i++) {
            s.push_back((char)('a' + in.u8() % 4));
        }
        return s;
    }
    default:
        return std::string(1, (char)in.u8());
    }
}

uint32_t gen_int(Input &in, const Table &t) {
    switch (in.u8() % 5) {
    case 0:
        return INT_LITERALS[in.u8() % INT_LITERAL_COUNT];
    case 1:
        return t.nfi + (uint32_t)(int32_t)(int8_t)in.u8();
    case 2: {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        for (size_t i = 0; i < src.el.size(); i++) {
            const Elem &e = src.el[(pick + i) % src.el.size()];
            if (e.is_int) {
                return e.ikey;
            }
        }
        return pick;
    }
    case 3:
        return in.u32();
    default:
        return in.u8() % 32;
    }
}

void gen_quick_key(Input &in, const Table &t, std::string *key, uint32_t *hash) {
    const uint8_t how = in.u8() % 6;
    if (how == 5) {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        const uint8_t at = in.u8();
        const uint8_t flip = in.u8();
        for (size_t i = 0; i < src.el.size(); i++) {
            const Elem &e = src.el[(pick + i) % src.el.size()];
            if (!e.is_int) {
                *key = e.skey;
                (*key)[at % key->size()] ^= (char)(flip | 1);
                *hash = e.hash;
                return;
            }
        }
    }
    if (how == 4) {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        for (size_t i = 0; i < src.el.size(); i++) {
            const Elem &e = src.el[(pick + i) % src.el.size()];
            if (!e.is_int) {
                *key = e.skey;
                *hash = e.hash;
                return;
            }
        }
    }
    *key = gen_key(in, t);
    switch (how) {
    case 1:
        *hash = in.u32();
        break;
    case 2:
        *hash = ref_hash(*key) + t.size * (1 + in.u8() % 3);
        break;
    default:
        *hash = ref_hash(*key);
        break;
    }
}

const uint32_t DATA_SIZES[] = {8, 8, 8, 0, 1, 4, 16, 33};

std::string gen_data(Input &in, const Table &t, bool *null_data) {
    const uint8_t sel = in.u8();
    uint32_t size = DATA_SIZES[sel % 8];
    if (t.fixed_size >= 0 && (sel & 0x80) == 0) {
        size = (uint32_t)t.fixed_size;
    }
    std::string d;
    const uint8_t fill = in.u8();
    switch (fill % 4) {
    case 0:
        d = in.bytes(size);
        break;
    case 1:
        d.assign(size, '\0'); /* a NULL pointer when pointer-sized */
        break;
    case 2:
        d.assign(size, '\0');
        if (size) {
            d[0] = 1;
        }
        break;
    default:
        for (uint32_t i = 0; i < size; i++) {
            d.push_back((char)(fill + i));
        }
        break;
    }
    *null_data = size == 0 && (fill & 4);
    return d;
}

int gen_mode(Input &in) {
    const uint8_t m = in.u8();
    return (m & 0x80) ? (int)(int8_t)m : (m & 7);
}

} // namespace fuzz
