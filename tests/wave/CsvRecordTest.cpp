#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "wave/CsvRecord.h"

namespace velatrace {
namespace {

// Every value the writer may meet, and the awkward ones around it.
std::vector<double> SampleValues() {
    std::vector<double> values;
    for (double scale : {1.0, 3.0, 7.0, 10.0, 400.0, 1000.0, 2000.0, 4000.0, 10000.0, 20000.0}) {
        for (int count = -32768; count <= 32767; ++count) {
            values.push_back(count / scale);
        }
    }
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> exponent(-8.0, 9.0);
    for (int i = 0; i < 200000; ++i) {
        values.push_back(std::pow(10.0, exponent(random)) * ((i & 1) != 0 ? 1 : -1));
    }
    for (int k = -40000; k <= 40000; ++k) {
        values.push_back(k / 16.0);                // exact halves of a thousandth: rounded to even
        values.push_back(99999.0 + k / 80000.0);   // where six whole digits begin
        values.push_back(999999.0 + k / 80000.0);  // where the C library takes over
    }
    values.insert(values.end(), {-0.0, 0.0005, 1e300, -1e300, std::numeric_limits<double>::min(),
                                 std::numeric_limits<double>::denorm_min(), std::nan(""),
                                 std::numeric_limits<double>::infinity()});
    return values;
}

// Every value formats like "%4.3f" cut to six characters and reads back like strtod; any other
// text reads like strtod too, or as 0 where strtod would give no finite number.
TEST(CsvRecord, ValuesFormatLikeCutPrintfAndReadBackLikeStrtod) {
    for (double value : SampleValues()) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "%4.3f", value);
        expected[kCsvValueChars] = '\0';
        char text[kCsvValueRoom + 1];
        const size_t length = FormatCsvValue(text, value);
        ASSERT_EQ(std::string(text, length), expected) << "value " << value;

        text[length] = ',';
        double parsed = -1.0;
        ASSERT_EQ(ParseCsvField(text, text + length + 1, parsed), text + length);
        text[length] = '\0';
        const double read = std::isfinite(value) ? std::strtod(text, nullptr) : 0.0;
        ASSERT_EQ(std::memcmp(&parsed, &read, sizeof read), 0) << text;
    }
    const auto parse = [](const std::string& field) {
        double value = -7.0;
        ParseCsvField(field.data(), field.data() + field.size(), value);
        return value;
    };
    for (const char* text : {" 1.5", "+2", "-2.5E-2", "1.5abc", "12345678901234567890", ".5", "",
                             "-", ".", "abc", "- 5", "+-5", "inf", "nan", "1e999"}) {
        const double read = std::strtod(text, nullptr);
        EXPECT_EQ(parse(text), std::isfinite(read) ? read : 0.0) << text;
    }
}

// Record lines, shortcut in integers for whole divisors, are the values formatted one by one
// (exact halves of a thousandth included) and read back like their fields one by one.
TEST(CsvRecord, RecordLinesWriteAndReadLikeTheirFieldsOneByOne) {
    std::vector<int32_t> counts(65536);
    std::iota(counts.begin(), counts.end(), -32768);
    counts.insert(counts.end(), {-2147483647 - 1, 2147483647, 4294967, -4294968, 99999999, 1});
    for (double divisor : {2.0, 3.0, 10.0, 16.0, 400.0, 2000.0, 2048.0, 6666.0, 20000.0, 37813.0,
                           4e9, 1.0, 0.5, 1999.99, -10.0, 1e-300}) {
        double divisors[kChannels];
        std::fill(divisors, divisors + kChannels, divisor);
        divisors[3] = 0.0;  // a channel that is off
        const CsvRecordFormat format(divisors);
        for (size_t row = 0; row + kChannels <= counts.size(); row += kChannels) {
            std::string expected;
            for (int c = 0; c < kChannels; ++c) {
                char text[kCsvValueRoom];
                expected.append(text, c == 3 ? 0 : FormatCsvValue(text, counts[row + c] / divisor));
                expected += c < 9 ? "," : "\r\n";
            }
            char record[kCsvRecordRoom];
            ASSERT_EQ(std::string(record, format.Format(record, &counts[row])), expected)
                << "divisor " << divisor;
            // Read back through the reader's shortcut, and field by field.
            int32_t read[kChannels], fields[kChannels] = {};
            ASSERT_TRUE(ReadCsvRecord(record, expected.size() - 2, divisors, read)) << expected;
            const char* p = record;
            for (int c = 0; c < kChannels; ++c, ++p) {
                double value = 0.0;
                p = ParseCsvField(p, record + expected.size() - 2, value);
                fields[c] = CountFromCsvValue(value, divisors[c]);
            }
            ASSERT_TRUE(std::equal(read, read + kChannels, fields)) << expected;
        }
    }

    // A record is one to ten fields, each empty or a number in full; anything else is no record.
    const double scales[kChannels] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t read[kChannels];
    for (const auto& [line, record] : {std::pair<std::string, bool>{",,,,,,,,,", true},
                                       {" 1.5 ,-2e1,+3,inf", true},
                                       {"12345678901234567890,1e999", true},
                                       {"1,2,3,4,5,6,7,8,9,10", true},
                                       {"1,2,3,4,5,6,7,8,9,10,", false},
                                       {"", false},
                                       {"-", false},
                                       {"1,.", false},
                                       {"1.5x", false},
                                       {"abc", false},
                                       {"+-5", false},
                                       {"1 2", false},
                                       {std::string("1\0", 2), false},
                                       {"\x81\xfe", false},
                                       {"1," + std::string(254, '0'), false}}) {
        EXPECT_EQ(ReadCsvRecord(line.data(), line.size(), scales, read), record) << line;
    }
}

}  // namespace
}  // namespace velatrace
