// Writing the keyed archive. Every value becomes an entry of "$objects" and is
// referred to by its UID: scalars as number objects (shared by value), strings as
// plain strings (shared by value), lists, dictionaries and records as records of
// their class. Class records are written once per class. Nothing here iterates a
// hash table, so the same values always give the same bytes.

#include <bit>
#include <charconv>
#include <unordered_map>

#include "archive/BinaryPlistWriter.h"
#include "archive/FlatIndex.h"
#include "archive/KeyedArchive.h"

namespace wavomer::archive {

namespace {

using Ref = BinaryPlistWriter::Ref;

// The colour's components as the platform writes them: ASCII numbers separated by
// spaces, alpha only when it is not 1, and a trailing NUL. Shortest round-trip
// digits, so that a colour reads back exactly.
std::string colorComponentText(const CoderColor& color) {
    std::string text;
    auto append = [&](double value) {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        if (!text.empty()) text.push_back(' ');
        text.append(buffer, result.ptr);
    };
    append(color.red);
    append(color.green);
    append(color.blue);
    if (color.alpha != 1.0) append(color.alpha);
    text.push_back('\0');
    return text;
}

class Encoder {
public:
    Encoder() { objects_.push_back(writer_.string("$null")); }

    std::vector<uint8_t> encode(const RootEntries& root) {
        const Ref rootDict = writer_.reserveDict();
        std::vector<std::pair<Ref, Ref>> top;
        top.reserve(root.size());
        for (const auto& [key, value] : root) top.emplace_back(writer_.string(key), writer_.uid(encode(value)));
        const Ref topDict = writer_.dict(top);
        const Ref objectsArray = writer_.array(objects_);
        writer_.setDict(rootDict, {{writer_.string("$version"), writer_.integer(100000)},
                                   {writer_.string("$archiver"), writer_.string("NSKeyedArchiver")},
                                   {writer_.string("$top"), topDict},
                                   {writer_.string("$objects"), objectsArray}});
        return writer_.finish(rootDict);
    }

private:
    // The UID of value in "$objects"; 0 ("$null") for an absent value.
    uint64_t encode(const CoderValue& value) {
        return std::visit([this](const auto& v) { return encodeAlternative(v); }, value.value);
    }

    uint64_t encodeAlternative(std::monostate) { return 0; }
    uint64_t encodeAlternative(bool v) {
        uint64_t& uid = boolUids_[v ? 1 : 0];
        if (uid == 0) uid = append(writer_.boolean(v));
        return uid;
    }
    uint64_t encodeAlternative(int32_t v) { return encodeAlternative(static_cast<int64_t>(v)); }
    uint64_t encodeAlternative(int64_t v) {
        return shared(integerUids_, static_cast<uint64_t>(v), [&] { return writer_.integer(v); });
    }
    uint64_t encodeAlternative(double v) {
        return shared(realUids_, std::bit_cast<uint64_t>(v), [&] { return writer_.real(v); });
    }
    uint64_t encodeAlternative(const std::string& v) {
        if (auto it = stringUids_.find(v); it != stringUids_.end()) return it->second;
        const uint64_t uid = append(writer_.string(v));
        stringUids_.emplace(v, uid);
        return uid;
    }

    uint64_t encodeAlternative(const CoderList& list) {
        if (!enter()) return 0;
        const uint64_t uid = reserve();
        std::vector<Ref> items;
        items.reserve(list.size());
        for (const CoderValue& item : list) items.push_back(writer_.uid(encode(item)));
        fill(uid, {{key("NS.objects"), writer_.array(items)},
                   {key("$class"), writer_.uid(classUid("NSArray", {"NSArray", "NSObject"}))}});
        leave();
        return uid;
    }

    uint64_t encodeAlternative(const CoderDictionary& dictionary) {
        if (!enter()) return 0;
        const uint64_t uid = reserve();
        std::vector<Ref> keys;
        std::vector<Ref> values;
        keys.reserve(dictionary.size());
        values.reserve(dictionary.size());
        for (const auto& [k, v] : dictionary) {
            keys.push_back(writer_.uid(encodeAlternative(k)));
            values.push_back(writer_.uid(encode(v)));
        }
        fill(uid, {{key("NS.keys"), writer_.array(keys)},
                   {key("NS.objects"), writer_.array(values)},
                   {key("$class"), writer_.uid(classUid("NSDictionary", {"NSDictionary", "NSObject"}))}});
        leave();
        return uid;
    }

    uint64_t encodeAlternative(const CoderObject& object) {
        if (!object) return 0;
        // A record that contains itself cannot be written as a tree; its inner
        // appearance is written as absent rather than recursing forever.
        for (const CodingBase* ancestor : ancestors_)
            if (ancestor == object.get()) return 0;
        if (!enter()) return 0;
        ancestors_.push_back(object.get());
        const uint64_t uid = reserve();
        const std::string className = object->coderClassName();
        const std::vector<std::string> keys = object->allCoderKeys();
        const std::vector<Ref>& keyRefs = keyRefsFor(className, keys);
        std::vector<std::pair<Ref, Ref>> entries;
        entries.reserve(keys.size() + 1);
        for (size_t i = 0; i < keys.size(); ++i)
            entries.emplace_back(keyRefs[i], writer_.uid(encode(object->valueForKey(keys[i]))));
        entries.emplace_back(key("$class"), writer_.uid(classUid(className, {className, "CodingBase", "NSObject"})));
        fill(uid, entries);
        ancestors_.pop_back();
        leave();
        return uid;
    }

    // The platform's colour record keeps its fields inline, not as number objects.
    uint64_t encodeAlternative(const CoderColor& color) {
        const uint64_t uid = reserve();
        fill(uid, {{key("NSColorSpace"), writer_.integer(1)},
                   {key("NSRGB"), writer_.data(colorComponentText(color))},
                   {key("$class"), writer_.uid(classUid("NSColor", {"NSColor", "NSObject"}))}});
        return uid;
    }

    // Equal numbers share one entry of "$objects".
    template <typename Make>
    uint64_t shared(FlatIndex& table, uint64_t bits, Make make) {
        auto [uid, inserted] = table.findOrInsert(bits, objects_.size());
        if (inserted) append(make());
        return uid;
    }

    uint64_t classUid(const std::string& name, const std::vector<std::string>& chain) {
        if (auto it = classUids_.find(name); it != classUids_.end()) return it->second;
        std::vector<Ref> classes;
        for (const std::string& c : chain) classes.push_back(writer_.string(c));
        const uint64_t uid = append(writer_.dict({{key("$classname"), writer_.string(name)},
                                                  {key("$classes"), writer_.array(classes)}}));
        classUids_.emplace(name, uid);
        return uid;
    }

    Ref key(std::string_view name) { return writer_.string(name); }

    // The key strings of a class's records, looked up once per class rather than
    // once per record (a record that lists other keys gets its own).
    const std::vector<Ref>& keyRefsFor(const std::string& className, const std::vector<std::string>& keys) {
        KeyRefs& cached = keyRefs_[className];
        if (cached.keys != keys) {
            cached.keys = keys;
            cached.refs.clear();
            for (const std::string& k : keys) cached.refs.push_back(key(k));
        }
        return cached.refs;
    }
    uint64_t append(Ref ref) {
        objects_.push_back(ref);
        return objects_.size() - 1;
    }
    // A record takes its UID before its children, as the platform's archiver numbers them.
    uint64_t reserve() { return append(0); }
    void fill(uint64_t uid, const std::vector<std::pair<Ref, Ref>>& entries) { objects_[uid] = writer_.dict(entries); }

    // Values nested deeper than a reader accepts are written as absent.
    bool enter() {
        if (depth_ >= kMaxArchiveNesting) return false;
        ++depth_;
        return true;
    }
    void leave() { --depth_; }

    BinaryPlistWriter writer_;
    std::vector<Ref> objects_;
    uint64_t boolUids_[2] = {0, 0};
    FlatIndex integerUids_;
    FlatIndex realUids_;
    std::unordered_map<std::string, uint64_t> stringUids_;
    std::unordered_map<std::string, uint64_t> classUids_;
    struct KeyRefs {
        std::vector<std::string> keys;
        std::vector<Ref> refs;
    };
    std::unordered_map<std::string, KeyRefs> keyRefs_;
    std::vector<const CodingBase*> ancestors_;
    int depth_ = 0;
};

}  // namespace

std::vector<uint8_t> encodeKeyedArchive(const RootEntries& root) { return Encoder().encode(root); }

}  // namespace wavomer::archive
