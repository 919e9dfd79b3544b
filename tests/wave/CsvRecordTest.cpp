#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "wave/CsvRecord.h"

namespace velatrace {
namespace {

std::string Formatted(double value) {
    char text[kCsvValueRoom];
    const size_t length = FormatCsvValue(text, value);
    return std::string(text, length);
}

std::string CutPrintf(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%4.3f", value);
    return std::string(text).substr(0, kCsvValueChars);
}

// Every value the writer may meet, and the awkward ones around it.
std::vector<double> SampleValues() {
    std::vector<double> values;
    for (double scale : {1.0, 3.0, 7.0, 10.0, 40.0, 100.0, 200.0, 400.0, 1000.0, 2000.0, 4000.0,
                         6666.0, 10000.0, 20000.0}) {
        for (int count = -32768; count <= 32767; ++count) {
            values.push_back(count / scale);
        }
    }
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> exponent(-8.0, 9.0);
    for (int i = 0; i < 200000; ++i) {
        const double magnitude = std::pow(10.0, exponent(random));
        values.push_back((i & 1) != 0 ? magnitude : -magnitude);
    }
    for (int k = -40000; k <= 40000; ++k) {
        values.push_back(k / 16.0);                // exact halves of a thousandth: ties to even
        values.push_back(k / 2048.0);              // exact binary fractions
        values.push_back(999999.0 + k / 80000.0);  // around the last fast-path value
    }
    for (double special : {0.0, -0.0, 0.0005, -0.0005, 0.0004999, 1e6, -1e6, 999999.9995,
                           999999.9994999, 1e300, -1e300, std::numeric_limits<double>::min(),
                           std::numeric_limits<double>::denorm_min(), -5e-324}) {
        values.push_back(special);
    }
    return values;
}

TEST(CsvRecord, FormatEqualsCutPrintfEverywhere) {
    EXPECT_EQ(Formatted(12.3456), "12.346");
    EXPECT_EQ(Formatted(123.456), "123.45");
    EXPECT_EQ(Formatted(-200.0), "-200.0");
    EXPECT_EQ(Formatted(1234.5), "1234.5");
    EXPECT_EQ(Formatted(-1000.0), "-1000.");
    EXPECT_EQ(Formatted(0.5), "0.500");
    for (double value : SampleValues()) {
        ASSERT_EQ(Formatted(value), CutPrintf(value)) << "value " << value;
    }
    EXPECT_EQ(Formatted(std::numeric_limits<double>::infinity()), " inf") << "padded to 4";
    EXPECT_EQ(Formatted(std::nan("")), CutPrintf(std::nan("")));
}

// Record lines format each count exactly as FormatCsvValue formats count / divisor, whatever the
// divisor (whole divisors take a shortcut in integers), including exact halves of a thousandth.
TEST(CsvRecord, RecordValuesEqualTheirSingleFormatting) {
    std::vector<double> divisors = {2,    3,    7,    10,   16,      40,    100,   200,   400,
                                    1000, 2000, 2048, 4000, 6666,    10000, 20000, 3125,  65536,
                                    1e6,  4e9,  0.5,  1,    1999.99, 1e-3,  -10,   1e300, 1e-300};
    std::mt19937 random(5);
    for (int i = 0; i < 12; ++i) {
        divisors.push_back(static_cast<double>(2 + random() % 50000));
    }
    std::vector<int32_t> counts;
    for (int32_t count = -32768; count <= 32767; ++count) {
        counts.push_back(count);
    }
    for (int32_t count : {-2147483647 - 1, 2147483647, 4294967, -4294967, 4294968, 99999999}) {
        counts.push_back(count);
    }
    while (counts.size() % 10 != 0) {
        counts.push_back(1);
    }
    for (double divisor : divisors) {
        const double all[10] = {divisor, divisor, divisor, divisor, divisor,
                                divisor, divisor, divisor, divisor, divisor};
        const CsvRecordFormat format(all);
        for (size_t row = 0; row < counts.size(); row += 10) {
            char record[kCsvRecordRoom];
            const std::string line(record, format.Format(record, &counts[row]));
            std::string expected;
            for (int c = 0; c < 10; ++c) {
                char text[kCsvValueRoom];
                expected.append(text, FormatCsvValue(text, counts[row + c] / divisor));
                expected += c < 9 ? "," : "\r\n";
            }
            ASSERT_EQ(line, expected) << "divisor " << divisor;
        }
    }
}

TEST(CsvRecord, ParseEqualsStrtodForWrittenValues) {
    for (double value : SampleValues()) {
        char text[kCsvValueRoom + 2];
        const size_t length = FormatCsvValue(text, value);
        text[length] = ',';
        text[length + 1] = '\0';
        double parsed = -1.0;
        const char* end = ParseCsvField(text, text + length + 1, parsed);
        ASSERT_EQ(end, text + length) << text;
        const double expected = std::strtod(text, nullptr);
        ASSERT_EQ(std::memcmp(&parsed, &expected, sizeof parsed), 0) << text;
        ASSERT_EQ(CountFromCsvValue(parsed, 2000.0), CountFromCsvValue(expected, 2000.0));
    }
}

TEST(CsvRecord, ParseReadsOtherTextLikeStrtodOrAsZero) {
    const auto parse = [](const std::string& field) {
        double value = -7.0;
        const char* end = ParseCsvField(field.data(), field.data() + field.size(), value);
        EXPECT_EQ(*end == ',' || end == field.data() + field.size(), true) << field;
        return value;
    };
    for (const char* text : {" 1.5", "+2", "1e3", "-2.5E-2", "1.5abc", "12345678901234567890",
                             "0.1234567890123456789", ".5", "5.", "-.25", "007"}) {
        EXPECT_EQ(parse(text), std::strtod(text, nullptr)) << text;
    }
    for (const char* text : {"", "-", ".", "abc", "- 5", "+-5", "V", ",1.5"}) {
        EXPECT_EQ(parse(text), 0.0) << text;
    }
    EXPECT_EQ(parse("2.5,99"), 2.5);
    EXPECT_EQ(parse("2.5x,99"), 2.5);
    for (const char* text : {"inf", "-infinity", "nan", "1e999"}) {
        EXPECT_EQ(parse(text), 0.0) << text;
    }
}

// What ReadCsvRecord must give: each field read on its own by the general reader.
void ReadFieldByField(const std::string& line, const double* scales, int32_t* counts) {
    const char* p = line.data();
    const char* end = p + std::min<size_t>(line.size(), 255);
    int c = 0;
    for (; c < 10; ++c) {
        double value = 0.0;
        p = ParseCsvField(p, end, value);
        counts[c] = CountFromCsvValue(value, scales[c]);
        if (p == end) {
            ++c;
            break;
        }
        ++p;
    }
    for (; c < 10; ++c) {
        counts[c] = 0;
    }
}

TEST(CsvRecord, RecordLinesReadLikeTheirFieldsOneByOne) {
    const double scales[10] = {2000, 20000, 10, 4000, 1000, 6666, 10, 20000, 1, 400};
    std::mt19937 random(99);
    std::vector<std::string> lines = {"",
                                      ",",
                                      "-",
                                      ".",
                                      "-.",
                                      "-,",
                                      "1",
                                      "1.5,-2.25,,3.",
                                      ",,,,,,,,,,,,,,",
                                      "1,2,3,4,5,6,7,8,9,10,11,12",
                                      "1.2.3,--4,+5, 6,7e1,0x10,1234567,-123456,12345678"};
    const std::vector<double> samples = SampleValues();
    std::uniform_int_distribution<size_t> pick(0, samples.size() - 1);
    for (int i = 0; i < 20000; ++i) {
        char record[kCsvRecordRoom];
        int32_t counts[10];
        double divisors[10];
        for (int c = 0; c < 10; ++c) {
            divisors[c] = (random() % 4 == 0) ? 0.0 : 1.0;
            counts[c] = static_cast<int32_t>(random() % 65536) - 32768;
        }
        // Values of every size, written the way the file writer writes them.
        std::string line(record, CsvRecordFormat(divisors).Format(record, counts));
        line.resize(line.size() - 2);
        std::string mixed;
        for (int c = 0; c < 10; ++c) {
            char text[kCsvValueRoom];
            mixed.append(text, FormatCsvValue(text, samples[pick(random)]));
            mixed += c < 9 ? "," : "";
        }
        std::string noise(random() % 40, ' ');
        for (char& ch : noise) {
            ch = "0123456789.-,+eE x\0"[random() % 19];
        }
        lines.push_back(line);
        lines.push_back(mixed);
        lines.push_back(noise);
    }
    lines.push_back(std::string(300, '7'));
    lines.push_back(std::string(254, ',') + "5");
    for (const std::string& line : lines) {
        int32_t expected[10];
        int32_t counts[10];
        ReadFieldByField(line, scales, expected);
        ReadCsvRecord(line.data(), line.size(), scales, counts);
        for (int c = 0; c < 10; ++c) {
            ASSERT_EQ(counts[c], expected[c]) << "line \"" << line << "\" field " << c;
        }
    }
}

TEST(CsvRecord, CountsAreTruncatedAndClampedToSixteenBits) {
    EXPECT_EQ(CountFromCsvValue(0.0005, 1000.0), 0);
    EXPECT_EQ(CountFromCsvValue(-1.9999, 1000.0), -1999);
    EXPECT_EQ(CountFromCsvValue(16.383, 2000.0), 32766);
    EXPECT_EQ(CountFromCsvValue(20.0, 2000.0), 32767) << "too big keeps its sign";
    EXPECT_EQ(CountFromCsvValue(-20.0, 2000.0), -32768);
    EXPECT_EQ(CountFromCsvValue(1e300, 1e300), 32767);
    EXPECT_EQ(CountFromCsvValue(std::numeric_limits<double>::infinity(), 10.0), 0);
    EXPECT_EQ(CountFromCsvValue(-std::numeric_limits<double>::infinity(), 10.0), 0);
    EXPECT_EQ(CountFromCsvValue(std::nan(""), 10.0), 0);
    EXPECT_EQ(CountFromCsvValue(1.0, std::nan("")), 0);
}

TEST(CsvRecord, DecimalPointDoesNotFollowTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    }
    if (!switched) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    const std::string text = Formatted(1.25);
    double value = 0.0;
    ParseCsvField("1.25", "1.25" + 4, value);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "1.250");
    EXPECT_EQ(value, 1.25);
}

}  // namespace
}  // namespace velatrace
