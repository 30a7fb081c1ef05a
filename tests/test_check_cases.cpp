/* The checker's cases from tests/data/check-cases.tsv, the file the npm
 * package's tests read too: each text checked as a person typed it, and each
 * pasted block read line by line as the licence match reads it.  The file's
 * positions count UTF-16 code units, as a web page does; here they become
 * offsets in the input's UTF-8 bytes, which the C checker counts. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check_cases_data.h" /* check_cases_tsv, made from the file at configure time */
#include "match.h"
#include "scripted_host.h"
#include "vesk_hostid.h"

namespace {

/* An input of the file: its bytes, and for each UTF-16 unit (and one past
 * the last) the offset of the bytes that it begins. */
struct Decoded {
    std::string bytes;
    std::vector<size_t> byte_of_unit;
};

void put_utf8(unsigned long c, Decoded *out) {
    std::string &b = out->bytes;
    out->byte_of_unit.push_back(b.size());
    if (c < 0x80) {
        b += (char)c;
    } else if (c < 0x800) {
        b += (char)(0xC0 | c >> 6);
        b += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        b += (char)(0xE0 | c >> 12);
        b += (char)(0x80 | (c >> 6 & 0x3F));
        b += (char)(0x80 | (c & 0x3F));
    } else {
        out->byte_of_unit.push_back(b.size()); /* a surrogate pair: two units */
        b += (char)(0xF0 | c >> 18);
        b += (char)(0x80 | (c >> 12 & 0x3F));
        b += (char)(0x80 | (c >> 6 & 0x3F));
        b += (char)(0x80 | (c & 0x3F));
    }
}

/* The file's escapes: \t \n \r \\ \0 \uXXXX \u{X...} \xHH; every other byte
 * stands for itself (the file is ASCII). */
Decoded decode(const std::string &field) {
    Decoded out;
    for (size_t i = 0; i < field.size(); i++) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            put_utf8((unsigned char)field[i], &out);
            continue;
        }
        char e = field[++i];
        if (e == 'u' && i + 1 < field.size() && field[i + 1] == '{') {
            size_t close = field.find('}', i);
            put_utf8(strtoul(field.substr(i + 2, close - i - 2).c_str(), nullptr, 16), &out);
            i = close;
        } else if (e == 'u') {
            put_utf8(strtoul(field.substr(i + 1, 4).c_str(), nullptr, 16), &out);
            i += 4;
        } else if (e == 'x') {
            out.byte_of_unit.push_back(out.bytes.size());
            out.bytes += (char)strtoul(field.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
        } else {
            put_utf8(e == 't'   ? '\t'
                     : e == 'n' ? '\n'
                     : e == 'r' ? '\r'
                     : e == '0' ? '\0'
                                : e,
                     &out);
        }
    }
    out.byte_of_unit.push_back(out.bytes.size());
    return out;
}

/* The faults' names in the file, in the order of their values. */
const char *const fault_names[] = {"none",      "null",   "empty",     "nul",
                                   "prefix",    "length", "dash",      "confusable",
                                   "character", "check",  "prefixKind"};
const int fault_count = (int)(sizeof fault_names / sizeof *fault_names);

int fault_of_name(const std::string &name) {
    for (int i = 0; i < fault_count; i++) {
        if (name == fault_names[i]) {
            return i;
        }
    }
    ADD_FAILURE() << "no fault is named " << name;
    return -1;
}

std::vector<std::string> fields_of(const std::string &line, char separator) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, separator);) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == separator) {
        fields.push_back("");
    }
    return fields;
}

struct CheckCase {
    std::string kind; /* "check" or "lines" */
    std::vector<std::string> fields;
};

void PrintTo(const CheckCase &c, std::ostream *out) {
    *out << c.kind << " " << c.fields[0];
}

std::vector<CheckCase> cases_of(const char *kind) {
    std::vector<CheckCase> cases;
    std::stringstream in(check_cases_tsv);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> fields = fields_of(line, '\t');
        if (!fields.empty() && fields[0] == kind) {
            cases.push_back({kind, std::vector<std::string>(fields.begin() + 1, fields.end())});
        }
    }
    return cases;
}

/* The UTF-16 unit whose character begins at byte (or the first after it). */
size_t unit_of_byte(const Decoded &input, size_t byte) {
    size_t unit = 0;
    while (unit + 1 < input.byte_of_unit.size() && input.byte_of_unit[unit] < byte) {
        unit++;
    }
    return unit;
}

/* What the checker answered, in the file's words: "L:TEXT" or
 * "FAULT,GROUP,POSITION" with the position in units from unit_start. */
std::string answer_of(const vesk_hostid_check &check, int status, const Decoded &input,
                      size_t byte_start, size_t unit_start) {
    if (status == SUCCESS) {
        return std::string(1, check.letter) + ":" + check.text;
    }
    const size_t unit = unit_of_byte(input, byte_start + check.position);
    const char *name =
        check.fault >= 0 && check.fault < fault_count ? fault_names[check.fault] : "?";
    return std::string(name) + "," + std::to_string(check.group) + "," +
           std::to_string(unit - unit_start);
}

class CheckCases : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckCases, TextIsAnsweredAsTheFileSays) {
    const std::vector<std::string> &f = GetParam().fields;
    ASSERT_EQ(f.size(), 6u) << "name, input, fault, group, position, answer";
    Decoded input = decode(f[1]);
    int fault = fault_of_name(f[2]);
    vesk_hostid_check check;
    int status = vesk_hostid_check_text(input.bytes.data(), input.bytes.size(), &check);
    EXPECT_EQ(status, fault == VESK_HOSTID_FAULT_NONE ? SUCCESS : FAILURE);
    EXPECT_EQ(check.fault, fault) << vesk_hostid_fault_message(check.fault);
    if (fault == VESK_HOSTID_FAULT_NONE) {
        EXPECT_EQ(answer_of(check, status, input, 0, 0), f[5]);
    } else {
        EXPECT_EQ(answer_of(check, status, input, 0, 0), f[2] + "," + f[3] + "," + f[4]);
        EXPECT_EQ(f[5], "-");
        EXPECT_STREQ(check.text, "") << "a refused text leaves nothing of a text";
        EXPECT_STRNE(vesk_hostid_fault_message(check.fault), "Unknown fault.");
    }
    if (fault == VESK_HOSTID_FAULT_CHARACTER) {
        /* whoever sees 23 characters learns why */
        EXPECT_NE(strstr(vesk_hostid_fault_message(fault), "look-alike"), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(File, CheckCases, testing::ValuesIn(cases_of("check")),
                         [](const testing::TestParamInfo<CheckCase> &info) {
                             return info.param.fields[0];
                         });

class BlockCases : public ScriptedHostTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(BlockCases, EachLineIsAnsweredAsTheFileSays) {
    const std::vector<std::string> &f = GetParam().fields;
    ASSERT_GE(f.size(), 2u) << "name, block, expected lines";
    Decoded block = decode(f[1]);
    std::vector<std::string> expected =
        f.size() > 2 && !f[2].empty() ? fields_of(f[2], ' ') : std::vector<std::string>();
    vesk_hostid_match_result *result = nullptr;
    ASSERT_EQ(host_id_match_on(&scripted_platform, block.bytes.data(), block.bytes.size(), &result),
              SUCCESS);
    std::vector<std::string> answered;
    for (size_t i = 0; i < result->count; i++) {
        const vesk_hostid_match_line &line = result->lines[i];
        const size_t unit = unit_of_byte(block, line.start);
        int status = line.verdict == VESK_HOSTID_MATCH_MALFORMED ? FAILURE : SUCCESS;
        answered.push_back(std::to_string(line.line) + "," + std::to_string(unit) + "=" +
                           answer_of(line.check, status, block, line.start, unit));
    }
    vesk_hostid_match_free(result);
    EXPECT_EQ(answered, expected);
}

INSTANTIATE_TEST_SUITE_P(File, BlockCases, testing::ValuesIn(cases_of("lines")),
                         [](const testing::TestParamInfo<CheckCase> &info) {
                             return info.param.fields[0];
                         });

} // namespace
