// kovrin-reg: reads and changes the registry store from the command line (see docs/registry.md).
// Exit status: 0 done, 1 the store refused (the message names the status and its text), 2 the
// arguments were wrong (usage on stderr).
#include <charconv>
#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "RegistryStore.h"

namespace reg = kovrin::registry;

namespace {

constexpr std::string_view Usage = R"(usage: kovrin-reg COMMAND KEY [ARGUMENTS]
  list KEY                      the key's values and subkeys
  get KEY NAME                  print one value (text as it is, a number in decimal, bytes in hex)
  set KEY NAME TEXT             set a text value, creating the key when needed
  set-number KEY NAME NUMBER    set a 32-bit number value (decimal, or hex with 0x)
  delete-value KEY NAME         delete one value
  delete-key KEY                delete the key with all its subkeys and values
  export KEY                    print the key and everything below it as text
KEY is a hive, optionally followed by "\" and a key path: 'HKCU\Software\Kovrin'.
Hives: HKEY_CURRENT_USER (HKCU), HKEY_LOCAL_MACHINE (HKLM), HKEY_CLASSES_ROOT (HKCR),
HKEY_USERS (HKU). NAME "" is the key's default value.
The store's folder is $KOVRIN_REGISTRY_DIR, else $XDG_CONFIG_HOME/kovrin/registry,
else ~/.config/kovrin/registry.
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A store refusal: what was being done and the status.
struct StoreError {
    std::string what;
    int32_t status;
};

void check(int32_t status, const std::string& what) {
    if (status != reg::status::Success) throw StoreError{what, status};
}

struct KeyArg {
    uint32_t hive;
    std::string path;     // below the hive, as typed
    std::string display;  // hive name and path, for messages
};

KeyArg parseKey(std::string_view arg) {
    const std::size_t sep = arg.find('\\');
    const std::string_view hiveText = arg.substr(0, sep);
    const uint32_t hive = reg::hiveFromName(hiveText);
    if (hive == 0) throw UsageError(fmt::format("unknown hive \"{}\"", hiveText));
    std::string path = sep == std::string_view::npos ? std::string() : std::string(arg.substr(sep + 1));
    std::string display(reg::hiveName(hive));
    if (!path.empty()) display += "\\" + path;
    return {hive, std::move(path), std::move(display)};
}

// Decimal (may be negative) or 0x hex; anything that fits 32 bits, signed or unsigned.
uint32_t parseNumber(std::string_view text) {
    int64_t n = 0;
    bool negative = !text.empty() && text.front() == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, base);
    if (negative) n = -n;
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || n < INT32_MIN || n > UINT32_MAX)
        throw UsageError(fmt::format("\"{}\" is not a 32-bit number", text));
    return static_cast<uint32_t>(n);
}

std::string_view typeName(uint32_t type) {
    switch (type) {
    case reg::Text: return "REG_SZ";
    case reg::Binary: return "REG_BINARY";
    case reg::Number: return "REG_DWORD";
    default: return "REG_UNKNOWN";
    }
}

std::string hex(std::string_view bytes, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out += fmt::format("{}{:02x}", i ? separator : "", static_cast<unsigned char>(bytes[i]));
    return out;
}

// The data as `get` and `list` show it; numbers as the library reads them (signed).
std::string shown(const reg::Value& value) {
    switch (value.type) {
    case reg::Text: return value.data;
    case reg::Number: return std::to_string(static_cast<int32_t>(value.asNumber()));
    default: return hex(value.data, "");
    }
}

// A text in double quotes, with backslash, quote and control characters escaped.
std::string inQuotes(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) out += fmt::format("\\x{:02x}", static_cast<unsigned char>(c));
            else out += c;
        }
    }
    return out + "\"";
}

std::string exported(const reg::NamedValue& v) {
    std::string line = v.name.empty() ? "@=" : inQuotes(v.name) + "=";
    switch (v.value.type) {
    case reg::Text: return line + inQuotes(v.value.data);
    case reg::Number: return line + fmt::format("dword:{:08x}", v.value.asNumber());
    case reg::Binary: return line + "hex:" + hex(v.value.data, ",");
    default: return line + fmt::format("hex({:x}):", v.value.type) + hex(v.value.data, ",");
    }
}

// Runs `body` with the key open, closing it afterwards whatever happens.
template <class Body>
void withKey(const KeyArg& key, Body&& body) {
    reg::Handle h = 0;
    check(reg::openKey(key.hive, key.path, h), key.display);
    struct Closer {
        reg::Handle h;
        ~Closer() { reg::closeKey(h); }
    } closer{h};
    body(h);
}

int run(const std::vector<std::string_view>& args) {
    if (args.empty()) throw UsageError("no command");
    const std::string_view command = args[0];
    struct Command {
        std::string_view name;
        std::size_t arguments;  // after the command
    };
    static constexpr Command commands[] = {{"list", 1},       {"get", 2},          {"set", 3},   {"set-number", 3},
                                           {"delete-value", 2}, {"delete-key", 1}, {"export", 1}};
    bool known = false;
    for (const Command& c : commands) {
        if (c.name != command) continue;
        known = true;
        if (args.size() - 1 != c.arguments)
            throw UsageError(fmt::format("{} takes {} argument{}", c.name, c.arguments, c.arguments == 1 ? "" : "s"));
    }
    if (!known) throw UsageError(fmt::format("unknown command \"{}\"", command));

    const KeyArg key = parseKey(args[1]);
    const std::string name = args.size() > 2 ? std::string(args[2]) : std::string();
    const std::string valueText = fmt::format("value \"{}\" of {}", name, key.display);

    if (command == "list") {
        withKey(key, [&](reg::Handle h) {
            std::vector<reg::NamedValue> values;
            std::vector<std::string> subkeys;
            check(reg::enumValues(h, values), key.display);
            check(reg::enumKeys(h, subkeys), key.display);
            std::cout << key.display << "\n";
            for (const auto& v : values)
                std::cout << "    " << (v.name.empty() ? "(Default)" : v.name) << "    " << typeName(v.value.type)
                          << "    " << shown(v.value) << "\n";
            for (const auto& s : subkeys) std::cout << key.display << (key.path.empty() ? "" : "\\") << s << "\n";
        });
    } else if (command == "get") {
        withKey(key, [&](reg::Handle h) {
            reg::Value value;
            check(reg::queryValue(h, name, value), valueText);
            std::cout << shown(value) << "\n";
        });
    } else if (command == "set") {
        check(reg::setKeyValue(key.hive, key.path, name, reg::Value::text(args[3])), valueText);
    } else if (command == "set-number") {
        check(reg::setKeyValue(key.hive, key.path, name, reg::Value::number(parseNumber(args[3]))), valueText);
    } else if (command == "delete-value") {
        withKey(key, [&](reg::Handle h) { check(reg::deleteValue(h, name), valueText); });
    } else if (command == "delete-key") {
        check(reg::deleteKey(key.hive, key.path), key.display);
    } else if (command == "export") {
        withKey(key, [&](reg::Handle h) {
            std::vector<reg::KeyContents> tree;
            check(reg::readTree(h, tree), key.display);
            for (const auto& k : tree) {
                std::cout << "[" << reg::hiveName(key.hive) << (k.path.empty() ? "" : "\\") << k.path << "]\n";
                for (const auto& v : k.values) std::cout << exported(v) << "\n";
                std::cout << "\n";
            }
        });
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kovrin-reg: could not write the output\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::cout << Usage;
        return 0;
    }
    try {
        return run(args);
    } catch (const UsageError& e) {
        std::cerr << "kovrin-reg: " << e.what() << "\n" << Usage;
        return 2;
    } catch (const StoreError& e) {
        std::cerr << fmt::format("kovrin-reg: {}: error {}: {}\n", e.what, e.status, reg::status::text(e.status));
        return 1;
    }
}
