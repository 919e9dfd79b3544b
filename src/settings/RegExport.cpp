#include "settings/RegExport.h"

#include <cstdio>
#include <vector>

#include "settings/Utf16Bytes.h"

namespace velatrace {

namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr size_t kHexLineWidth = 76;           // wrap hex data as the registry editor does
constexpr uint32_t kMaxNotedBytes = 1u << 20;  // a byte-count note larger than this is ignored

// ---- writing ----

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
}

std::string NameToken(const RegValue& value) {
    if (value.name.empty()) {
        return "@";
    }
    std::string token;
    AppendQuoted(token, value.name);
    return token;
}

bool IsPlain(uint8_t c) {
    return c >= 0x20 && c <= 0x7E;
}

// The length of the text before the terminator when the value is printable text followed only
// by zero bytes (at least one); -1 otherwise.
long PlainTextLength(const std::vector<uint8_t>& data) {
    size_t t = 0;
    while (t < data.size() && data[t] != 0) {
        if (!IsPlain(data[t])) {
            return -1;
        }
        ++t;
    }
    if (t == data.size()) {
        return -1;  // no terminator
    }
    for (size_t i = t + 1; i < data.size(); ++i) {
        if (data[i] != 0) {
            return -1;
        }
    }
    return static_cast<long>(t);
}

void AppendHex(std::string& out, std::string line, const std::vector<uint8_t>& bytes) {
    char piece[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        std::snprintf(piece, sizeof piece, last ? "%02x" : "%02x,", bytes[i]);
        if (line.size() + 3 > kHexLineWidth && line.back() == ',') {
            out += line;
            out += "\\\n";
            line = "  ";
        }
        line += piece;
    }
    out += line;
    out += '\n';
}

bool IsStringType(uint32_t type) {
    return type == reg::kSz || type == reg::kExpandSz || type == reg::kMultiSz;
}

void AppendValue(std::string& out, const RegValue& value) {
    const std::string name = NameToken(value);
    const std::vector<uint8_t>& data = value.data;
    char head[48];
    if (value.type == reg::kDword && data.size() == 4) {
        const uint32_t v =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
        std::snprintf(head, sizeof head, "=dword:%08x\n", v);
        out += name;
        out += head;
        return;
    }
    if (value.type == reg::kSz) {
        const long length = PlainTextLength(data);
        if (length >= 0) {
            if (data.size() > static_cast<size_t>(length) + 1) {
                std::snprintf(head, sizeof head, " takes %zu bytes\n", data.size());
                out += "; ";
                out += name;
                out += head;
            }
            out += name;
            out += '=';
            AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(data.data()),
                                               static_cast<size_t>(length)));
            out += '\n';
            return;
        }
    }
    if (value.type == reg::kBinary) {
        std::snprintf(head, sizeof head, "=hex:");
    } else {
        std::snprintf(head, sizeof head, "=hex(%x):", value.type);
    }
    if (!IsStringType(value.type)) {
        AppendHex(out, name + head, data);
        return;
    }
    const std::u16string units = BytesToUtf16(data.data(), data.size());
    std::vector<uint8_t> le;
    le.reserve(units.size() * 2);
    for (char16_t u : units) {
        le.push_back(static_cast<uint8_t>(u & 0xFF));
        le.push_back(static_cast<uint8_t>(u >> 8));
    }
    AppendHex(out, name + head, le);
}

// ---- reading ----

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A quoted text at the front of `s`, with \\ and \" unescaped (any other backslash is kept, so a
// hand-written "C:\cap" reads as it looks). Consumes it from `s`.
bool ReadQuoted(std::string_view& s, std::string* out) {
    if (s.empty() || s.front() != '"') {
        return false;
    }
    out->clear();
    for (size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            ++i;
        }
        *out += s[i];
    }
    return false;
}

// "@" or a quoted name at the front of `s`; consumes it.
bool ReadName(std::string_view& s, std::string* name) {
    if (!s.empty() && s.front() == '@') {
        s.remove_prefix(1);
        name->clear();
        return true;
    }
    return ReadQuoted(s, name);
}

bool ReadHexNumber(std::string_view s, size_t maxDigits, uint32_t* value) {
    if (s.empty() || s.size() > maxDigits) {
        return false;
    }
    *value = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) {
            return false;
        }
        *value = (*value << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

bool ReadHexBytes(std::string_view s, std::vector<uint8_t>* bytes) {
    while (!s.empty()) {
        const size_t cut = s.find(',');
        const std::string_view token = TrimRight(TrimLeft(s.substr(0, cut)));
        const bool last = cut == std::string_view::npos;
        if (!token.empty() || !last) {
            uint32_t b = 0;
            if (!ReadHexNumber(token, 2, &b)) {
                return false;
            }
            bytes->push_back(static_cast<uint8_t>(b));
        }
        if (last) {
            break;
        }
        s.remove_prefix(cut + 1);
    }
    return true;
}

// The byte count kept by a comment line  ; "name" takes N bytes
bool ReadSizeNote(std::string_view comment, std::string* name, uint32_t* size) {
    std::string_view s = TrimLeft(comment.substr(1));
    if (!ReadName(s, name)) {
        return false;
    }
    constexpr std::string_view kTakes = " takes ";
    constexpr std::string_view kBytes = " bytes";
    if (!s.starts_with(kTakes) || !s.ends_with(kBytes)) {
        return false;
    }
    s = s.substr(kTakes.size(), s.size() - kTakes.size() - kBytes.size());
    if (s.empty() || s.size() > 7) {
        return false;
    }
    *size = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        *size = *size * 10 + static_cast<uint32_t>(c - '0');
    }
    return true;
}

std::string DecodeUtf16File(std::string_view text) {
    std::u16string units;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<uint8_t>(text[i]) |
                                              (static_cast<uint8_t>(text[i + 1]) << 8)));
    }
    const std::vector<uint8_t> bytes = Utf16ToBytes(units);
    return std::string(bytes.begin(), bytes.end());
}

struct Parser {
    Parser(RegistryTree& into, RegParseError* fault) : tree(into), error(fault) {}

    std::vector<std::string_view> lines;
    RegistryTree& tree;
    RegParseError* error;
    bool unicode = true;
    RegKeyNode* key = nullptr;
    bool keyDeleted = false;
    std::string notedName;
    uint32_t notedSize = 0;
    int notedLine = -1;

    bool Fail(size_t index, const char* reason) {
        if (error != nullptr) {
            error->line = static_cast<int>(index) + 1;
            error->reason = reason;
        }
        return false;
    }

    bool Run() {
        if (lines.empty()) {
            return Fail(0, "empty file");
        }
        const std::string_view header = TrimRight(lines[0]);
        if (header == kRegedit4Header) {
            unicode = false;
        } else if (header != kRegExportHeader) {
            return Fail(0, "not a registry export file");
        }
        for (size_t i = 1; i < lines.size(); ++i) {
            const std::string_view line = TrimRight(TrimLeft(lines[i]));
            if (line.empty()) {
                continue;
            }
            if (line.front() == ';') {
                if (ReadSizeNote(line, &notedName, &notedSize)) {
                    notedLine = static_cast<int>(i);
                }
                continue;
            }
            if (line.front() == '[') {
                if (!ReadKeyLine(line)) {
                    return Fail(i, "unreadable key line");
                }
                continue;
            }
            if (line.front() != '"' && line.front() != '@') {
                return Fail(i, "unreadable line");
            }
            if (key == nullptr && !keyDeleted) {
                return Fail(i, "value outside a key");
            }
            const char* reason = ReadValueLine(i);
            if (reason != nullptr) {
                return Fail(i, reason);
            }
        }
        return true;
    }

    bool ReadKeyLine(std::string_view line) {
        if (line.size() < 3 || line.back() != ']') {
            return false;
        }
        std::string_view path = line.substr(1, line.size() - 2);
        if (path.front() == '-') {
            tree.RemoveKeyTree(path.substr(1));
            key = nullptr;
            keyDeleted = true;
            return path.size() > 1;
        }
        key = &tree.KeyAt(path);
        keyDeleted = false;
        return true;
    }

    // Reads the value line at `i` (and its continuation lines); nullptr when it was read.
    const char* ReadValueLine(size_t& i) {
        const size_t first = i;
        std::string_view s = TrimRight(TrimLeft(lines[i]));
        std::string name;
        if (!ReadName(s, &name)) {
            return "unreadable value name";
        }
        s = TrimLeft(s);
        if (s.empty() || s.front() != '=') {
            return "value without '='";
        }
        s = TrimLeft(s.substr(1));
        if (s.empty()) {
            return "value without data";
        }
        const bool noted = notedLine == static_cast<int>(first) - 1 && notedName == name;
        if (s == "-") {
            if (key != nullptr) {
                RegistryTree::RemoveValue(*key, name);
            }
            return nullptr;
        }
        uint32_t type = reg::kSz;
        std::vector<uint8_t> data;
        if (s.front() == '"') {
            std::string text;
            if (!ReadQuoted(s, &text) || !TrimLeft(s).empty()) {
                return "unreadable text value";
            }
            data.assign(text.begin(), text.end());
            data.push_back(0);
            if (noted && notedSize > data.size() && notedSize <= kMaxNotedBytes) {
                data.resize(notedSize, 0);
            }
        } else if (s.starts_with("dword:")) {
            uint32_t v = 0;
            if (!ReadHexNumber(s.substr(6), 8, &v)) {
                return "unreadable dword value";
            }
            type = reg::kDword;
            data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                    static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        } else if (s.starts_with("hex")) {
            const char* reason = ReadHexValue(s, i, &type, &data);
            if (reason != nullptr) {
                return reason;
            }
        } else {
            return "unknown value type";
        }
        if (key != nullptr) {
            RegistryTree::PutValue(*key, name, type, std::move(data));
        }
        return nullptr;
    }

    const char* ReadHexValue(std::string_view s, size_t& i, uint32_t* type,
                             std::vector<uint8_t>* data) {
        s.remove_prefix(3);
        *type = reg::kBinary;
        if (!s.empty() && s.front() == '(') {
            const size_t close = s.find(')');
            if (close == std::string_view::npos ||
                !ReadHexNumber(s.substr(1, close - 1), 8, type)) {
                return "unreadable hex type";
            }
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != ':') {
            return "unreadable hex value";
        }
        s.remove_prefix(1);
        std::string joined;
        for (;;) {
            s = TrimRight(s);
            const bool more = !s.empty() && s.back() == '\\';
            joined += more ? s.substr(0, s.size() - 1) : s;
            if (!more) {
                break;
            }
            if (++i >= lines.size()) {
                return "hex value cut off";
            }
            s = TrimLeft(lines[i]);
        }
        std::vector<uint8_t> bytes;
        if (!ReadHexBytes(joined, &bytes)) {
            return "unreadable hex bytes";
        }
        if (unicode && IsStringType(*type)) {
            std::u16string units;
            for (size_t k = 0; k + 1 < bytes.size(); k += 2) {
                units.push_back(static_cast<char16_t>(bytes[k] | (bytes[k + 1] << 8)));
            }
            *data = Utf16ToBytes(units);
        } else {
            *data = std::move(bytes);
        }
        return nullptr;
    }
};

}  // namespace

std::string FormatRegExport(const RegistryTree& tree) {
    std::string out(kRegExportHeader);
    out += "\n\n";
    for (const RegKeyNode& key : tree.Keys()) {
        out += '[';
        out += key.path;
        out += "]\n";
        for (const RegValue& value : key.values) {
            AppendValue(out, value);
        }
        out += '\n';
    }
    return out;
}

bool ParseRegExport(std::string_view text, RegistryTree& tree, RegParseError* error) {
    std::string decoded;
    if (text.starts_with("\xFF\xFE")) {
        decoded = DecodeUtf16File(text.substr(2));
        text = decoded;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    Parser parser(tree, error);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        parser.lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return parser.Run();
}

}  // namespace velatrace
