#include "RegistryStore.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "HiveFile.h"

namespace kovrin::registry {

using detail::fail;
using detail::HiveFile;
using detail::Statement;
using Access = HiveFile::Access;

namespace {

// A key as a handle names it.
struct KeyRef {
    uint32_t hive = 0;
    std::string path;          // as the caller wrote it, without a leading "\"; empty for the root
    std::string folded;        // the form paths are compared in
    bool viaOpenKey = false;   // named by an open handle, which may outlive its key
};

// Key paths and value names compare with ASCII letters folded, as the system compares them; other
// characters (Hebrew has no case) compare as they are.
std::string fold(std::string_view s) {
    std::string folded(s);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// Handles are numbers from 1 up, never reused, so a closed handle stays invalid. They stay below
// the hive numbers (0x80000000 and up).
class HandleTable {
public:
    Handle add(KeyRef key) {
        std::lock_guard lock(mutex_);
        do {
            next_ = next_ >= 0x7fffffffu ? 1 : next_ + 1;
        } while (open_.count(next_));
        open_.emplace(next_, std::move(key));
        return next_;
    }
    bool find(Handle h, KeyRef& key) const {
        std::lock_guard lock(mutex_);
        auto it = open_.find(h);
        if (it == open_.end()) return false;
        key = it->second;
        return true;
    }
    bool remove(Handle h) {
        std::lock_guard lock(mutex_);
        return open_.erase(h) == 1;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<Handle, KeyRef> open_;
    Handle next_ = 0;
};

HandleTable& handles() {
    static HandleTable table;
    return table;
}

// A hive number stands for its root key; any other number must be an open handle.
KeyRef resolve(Handle h) {
    if (!hiveName(h).empty()) return KeyRef{h, "", "", false};
    KeyRef key;
    if (!handles().find(h, key)) fail(status::InvalidHandle);
    key.viaOpenKey = true;
    return key;
}

// The key `sub` below `parent`. A path may not begin with "\" nor hold an empty segment ("a\\b");
// one trailing "\" is accepted, as the system accepts it.
KeyRef below(const KeyRef& parent, std::string_view sub) {
    if (sub.empty()) return parent;
    if (sub.front() == '\\') fail(status::BadPathName);
    if (sub.back() == '\\') sub.remove_suffix(1);
    if (sub.back() == '\\' || sub.find("\\\\") != std::string_view::npos ||
        sub.find('\0') != std::string_view::npos)
        fail(status::BadPathName);
    KeyRef key = parent;
    key.path = parent.path.empty() ? std::string(sub) : parent.path + "\\" + std::string(sub);
    key.folded = fold(key.path);
    return key;
}

bool keyExists(const HiveFile& file, const std::string& folded) {
    if (folded.empty()) return true;  // every hive has its root
    if (file.empty()) return false;
    Statement q(file, "SELECT 1 FROM keys WHERE path = ?1");
    q.bindText(1, folded);
    return q.step();
}

// An open handle whose key another caller deleted answers 1018, as the system does.
void requireKey(const HiveFile& file, const KeyRef& key) {
    if (!keyExists(file, key.folded)) fail(key.viaOpenKey ? status::KeyDeleted : status::NotFound);
}

// Creates the key and every missing key above it; existing keys keep their first spelling.
void ensureKey(const HiveFile& file, const KeyRef& key) {
    Statement insert(file, "INSERT INTO keys (path, parent, name) VALUES (?1, ?2, ?3) ON CONFLICT (path) DO NOTHING");
    std::size_t start = 0;
    while (start <= key.path.size()) {
        std::size_t end = key.path.find('\\', start);
        if (end == std::string::npos) end = key.path.size();
        // Folding changes only ASCII letters, so byte positions match between the two forms.
        const std::string_view folded(key.folded.data(), end);
        const std::string_view parent(key.folded.data(), start == 0 ? 0 : start - 1);
        insert.reset();
        insert.bindText(1, folded).bindText(2, parent).bindText(3, std::string_view(key.path).substr(start, end - start));
        insert.step();
        start = end + 1;
    }
}

void checkValue(const Value& value) {
    if (value.type == Text || value.type == Binary) return;
    if (value.type == Number && value.data.size() == 4) return;
    fail(status::InvalidParameter);
}

void putValue(const HiveFile& file, const KeyRef& key, std::string_view name, const Value& value) {
    Statement put(file,
                  "INSERT INTO vals (key, folded, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5)"
                  " ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, data = excluded.data"
                  // Rewriting the same value changes nothing, so the commit need not touch the disk.
                  " WHERE type IS NOT excluded.type OR data IS NOT excluded.data");
    put.bindText(1, key.folded).bindText(2, fold(name)).bindText(3, name).bindInt(4, value.type).bindBlob(5, value.data);
    put.step();
}

Value readValue(const Statement& row, int typeColumn) {
    Value value{static_cast<uint32_t>(row.integer(typeColumn)), row.blob(typeColumn + 1)};
    if (value.type == Number && value.data.size() != 4) fail(status::RegistryCorrupt);
    return value;
}

// Every operation answers a status; nothing escapes as an exception.
template <class Body>
int32_t answer(Body&& body) noexcept {
    try {
        body();
        return status::Success;
    } catch (const detail::Failure& f) {
        return f.status;
    } catch (const std::bad_alloc&) {
        return status::OutOfMemory;
    } catch (...) {
        return status::RegistryIoFailed;
    }
}

// Subtree order: a key, then its subkeys one by one with everything below each.
std::string treeOrder(std::string folded) {
    std::replace(folded.begin(), folded.end(), '\\', '\x01');
    return folded;
}

}  // namespace

Value Value::number(uint32_t n) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xff);
    return {Number, bytes};
}

uint32_t Value::asNumber() const {
    uint32_t n = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) n |= uint32_t{static_cast<unsigned char>(data[i])} << (8 * i);
    return n;
}

uint32_t Value::size() const { return static_cast<uint32_t>(data.size() + (type == Text ? 1 : 0)); }

uint32_t hiveFromName(std::string_view name) {
    static const std::pair<std::string_view, uint32_t> names[] = {
        {"hkey_classes_root", ClassesRoot}, {"hkcr", ClassesRoot}, {"hkey_current_user", CurrentUser},
        {"hkcu", CurrentUser},              {"hkey_local_machine", LocalMachine}, {"hklm", LocalMachine},
        {"hkey_users", Users},              {"hku", Users}};
    const std::string folded = fold(name);
    for (const auto& [n, hive] : names)
        if (folded == n) return hive;
    return 0;
}

int32_t openKey(Handle parent, std::string_view subKey, Handle& key) {
    key = 0;
    return answer([&] {
        KeyRef ref = below(resolve(parent), subKey);
        if (!ref.folded.empty()) {
            HiveFile file(ref.hive, Access::Read);
            if (!keyExists(file, ref.folded)) fail(status::NotFound);
        }
        key = handles().add(std::move(ref));
    });
}

int32_t createKey(Handle parent, std::string_view subKey, Handle& key) {
    key = 0;
    return answer([&] {
        const KeyRef base = resolve(parent);
        KeyRef ref = below(base, subKey);
        if (!ref.folded.empty()) {
            HiveFile file(ref.hive, Access::Create);
            requireKey(file, base);
            ensureKey(file, ref);
            file.commit();
        }
        key = handles().add(std::move(ref));
    });
}

int32_t closeKey(Handle key) {
    if (!hiveName(key).empty()) return status::Success;
    return handles().remove(key) ? status::Success : status::InvalidHandle;
}

int32_t queryValue(Handle key, std::string_view name, Value& value) {
    return answer([&] {
        const KeyRef ref = resolve(key);
        HiveFile file(ref.hive, Access::Read);
        if (!file.empty()) {
            Statement q(file, "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
            q.bindText(1, ref.folded).bindText(2, fold(name));
            if (q.step()) {
                value = readValue(q, 0);
                return;
            }
        }
        requireKey(file, ref);
        fail(status::NotFound);
    });
}

int32_t setValue(Handle key, std::string_view name, const Value& value) {
    return answer([&] {
        const KeyRef ref = resolve(key);
        checkValue(value);
        HiveFile file(ref.hive, Access::Create);
        requireKey(file, ref);
        putValue(file, ref, name, value);
        file.commit();
    });
}

int32_t setKeyValue(Handle parent, std::string_view subKey, std::string_view name, const Value& value) {
    return answer([&] {
        const KeyRef base = resolve(parent);
        const KeyRef ref = below(base, subKey);
        checkValue(value);
        HiveFile file(ref.hive, Access::Create);
        requireKey(file, base);
        if (!ref.folded.empty()) ensureKey(file, ref);
        putValue(file, ref, name, value);
        file.commit();
    });
}

int32_t setKeyValues(Handle parent, std::string_view subKey, std::span<const NamedValue> values) {
    return answer([&] {
        const KeyRef base = resolve(parent);
        const KeyRef ref = below(base, subKey);
        for (const NamedValue& v : values) checkValue(v.value);
        HiveFile file(ref.hive, Access::Create);
        requireKey(file, base);
        if (!ref.folded.empty()) ensureKey(file, ref);
        for (const NamedValue& v : values) putValue(file, ref, v.name, v.value);
        file.commit();
    });
}

int32_t queryKeyValues(Handle parent, std::string_view subKey, std::span<const std::string_view> names,
                       std::vector<std::optional<Value>>& values) {
    return answer([&] {
        const KeyRef ref = below(resolve(parent), subKey);
        HiveFile file(ref.hive, Access::Read);
        if (!keyExists(file, ref.folded)) fail(ref.viaOpenKey && subKey.empty() ? status::KeyDeleted : status::NotFound);
        std::vector<std::optional<Value>> found(names.size());
        if (!file.empty()) {
            Statement q(file, "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
            for (std::size_t i = 0; i < names.size(); ++i) {
                q.reset();
                q.bindText(1, ref.folded).bindText(2, fold(names[i]));
                if (q.step()) found[i] = readValue(q, 0);
            }
        }
        values = std::move(found);
    });
}

int32_t deleteValue(Handle key, std::string_view name) {
    return answer([&] {
        const KeyRef ref = resolve(key);
        HiveFile file(ref.hive, Access::Update);
        requireKey(file, ref);
        if (file.empty()) fail(status::NotFound);
        Statement del(file, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
        del.bindText(1, ref.folded).bindText(2, fold(name));
        del.step();
        if (del.changes() == 0) fail(status::NotFound);
        file.commit();
    });
}

int32_t deleteKey(Handle parent, std::string_view subKey) {
    return answer([&] {
        const KeyRef ref = below(resolve(parent), subKey);
        if (ref.folded.empty()) fail(status::AccessDenied);
        HiveFile file(ref.hive, Access::Update);
        if (!keyExists(file, ref.folded)) fail(status::NotFound);
        // The key and everything below it: paths equal to it or beginning with it and "\"
        // ("]" is the character after "\", so the range holds exactly those).
        for (const char* sql : {"DELETE FROM vals WHERE key = ?1 OR (key >= ?1 || '\\' AND key < ?1 || ']')",
                                "DELETE FROM keys WHERE path = ?1 OR (path >= ?1 || '\\' AND path < ?1 || ']')"}) {
            Statement del(file, sql);
            del.bindText(1, ref.folded);
            del.step();
        }
        file.commit();
    });
}

int32_t enumKeys(Handle key, std::vector<std::string>& names) {
    return answer([&] {
        const KeyRef ref = resolve(key);
        HiveFile file(ref.hive, Access::Read);
        requireKey(file, ref);
        std::vector<std::string> found;
        if (!file.empty()) {
            Statement q(file, "SELECT name FROM keys WHERE parent = ?1 ORDER BY path");
            q.bindText(1, ref.folded);
            while (q.step()) found.push_back(q.text(0));
        }
        names = std::move(found);
    });
}

int32_t enumValues(Handle key, std::vector<NamedValue>& values) {
    return answer([&] {
        const KeyRef ref = resolve(key);
        HiveFile file(ref.hive, Access::Read);
        requireKey(file, ref);
        std::vector<NamedValue> found;
        if (!file.empty()) {
            Statement q(file, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY folded");
            q.bindText(1, ref.folded);
            while (q.step()) found.push_back({q.text(0), readValue(q, 1)});
        }
        values = std::move(found);
    });
}

int32_t readTree(Handle key, std::vector<KeyContents>& keys) {
    return answer([&] {
        const KeyRef ref = resolve(key);
        HiveFile file(ref.hive, Access::Read);
        requireKey(file, ref);
        // folded path -> the key's contents, its path spelled as first written.
        std::map<std::string, KeyContents> tree;
        KeyContents& start = tree[ref.folded];
        if (!file.empty() && !ref.folded.empty()) {
            Statement name(file, "SELECT name FROM keys WHERE path = ?1");
            for (std::size_t end = ref.folded.find('\\');; end = ref.folded.find('\\', end + 1)) {
                name.reset();
                name.bindText(1, std::string_view(ref.folded).substr(0, end));
                if (!name.step()) fail(status::RegistryCorrupt);  // a key without its parent
                start.path += (start.path.empty() ? "" : "\\") + name.text(0);
                if (end == std::string::npos) break;
            }
        }
        if (!file.empty()) {
            const bool wholeHive = ref.folded.empty();
            // Parents sort before their children, so each parent's spelling is known first.
            Statement subkeys(file, wholeHive ? "SELECT path, parent, name FROM keys ORDER BY path"
                                              : "SELECT path, parent, name FROM keys WHERE path >= ?1 || '\\'"
                                                " AND path < ?1 || ']' ORDER BY path");
            if (!wholeHive) subkeys.bindText(1, ref.folded);
            while (subkeys.step()) {
                auto parent = tree.find(subkeys.text(1));
                if (parent == tree.end()) fail(status::RegistryCorrupt);
                std::string path = parent->second.path.empty() ? subkeys.text(2) : parent->second.path + "\\" + subkeys.text(2);
                tree[subkeys.text(0)].path = std::move(path);
            }
            Statement vals(file, wholeHive ? "SELECT key, name, type, data FROM vals ORDER BY key, folded"
                                           : "SELECT key, name, type, data FROM vals WHERE key = ?1 OR"
                                             " (key >= ?1 || '\\' AND key < ?1 || ']') ORDER BY key, folded");
            if (!wholeHive) vals.bindText(1, ref.folded);
            while (vals.step()) {
                auto owner = tree.find(vals.text(0));
                if (owner == tree.end()) fail(status::RegistryCorrupt);  // a value of no key
                owner->second.values.push_back({vals.text(1), readValue(vals, 2)});
            }
        }
        std::vector<std::pair<std::string, KeyContents*>> ordered;
        for (auto& [folded, contents] : tree) ordered.emplace_back(treeOrder(folded), &contents);
        std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<KeyContents> result;
        for (auto& entry : ordered) result.push_back(std::move(*entry.second));
        keys = std::move(result);
    });
}

BriefWrites::BriefWrites() : previous_(detail::writeWaitMs()) { detail::setWriteWaitMs(1000); }
BriefWrites::~BriefWrites() { detail::setWriteWaitMs(previous_); }

int32_t writeString(uint32_t hive, std::string_view keyPath, std::string_view valueName, std::string_view text) {
    return setKeyValue(hive, keyPath, valueName, Value::text(text));
}

}  // namespace kovrin::registry
