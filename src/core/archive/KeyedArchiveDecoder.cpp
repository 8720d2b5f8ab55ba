// Reading the keyed archive. Lenient about how an archiver stored a value (inline
// or as a UID to a number object, integer or real, boolean or integer, plain string
// or NSString record, binary or XML), strict about structure: every UID is checked
// against "$objects", a record met again while it is being decoded is a cycle,
// nesting and the total decoded size are bounded, and any fault ends the decode
// with a reason and no partial result.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "archive/BinaryPlistReader.h"
#include "archive/KeyedArchive.h"
#include "archive/XmlPlist.h"

namespace wavomer::archive {

namespace {

using Kind = BinaryPlistReader::Kind;
using Object = BinaryPlistReader::Object;

// A file may share one list many times; decoding copies it at each reference. These
// bound the copies: the number of decoded values and the bytes of decoded strings,
// relative to the file's size and absolutely.
constexpr uint64_t kMaxDecodedValues = 32'000'000;
constexpr uint64_t kMaxDecodedTextBytes = uint64_t{256} << 20;
constexpr uint64_t kLongestKey = 1024;

std::string format(const char* pattern, uint64_t a, uint64_t b = 0) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<unsigned long long>(a),
                  static_cast<unsigned long long>(b));
    return buffer;
}

CoderValue integerValue(uint64_t bits) {
    const auto value = static_cast<int64_t>(bits);
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())
        return CoderValue(static_cast<int32_t>(value));
    return CoderValue(value);
}

// "r g b [a]" as ASCII numbers, up to a NUL.
bool parseComponents(std::string_view text, double* values, int wanted, int& found) {
    if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    found = 0;
    size_t i = 0;
    while (i < text.size() && found < wanted) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
        if (i >= text.size()) break;
        auto result = std::from_chars(text.data() + i, text.data() + text.size(), values[found]);
        if (result.ec != std::errc()) return false;
        i = static_cast<size_t>(result.ptr - text.data());
        ++found;
    }
    return found > 0;
}

class Decoder {
public:
    Decoder(const BinaryPlistReader& plist, size_t inputSize, const ClassFactory& factory, const ValueCheck& check)
        : plist_(plist), factory_(factory), check_(check) {
        valuesLeft_ = std::min<uint64_t>(kMaxDecodedValues, uint64_t{inputSize} * 2 + 4096);
        textLeft_ = std::min<uint64_t>(kMaxDecodedTextBytes, uint64_t{inputSize} * 64 + (1 << 20));
    }

    bool decode(RootEntries& root) {
        Object top;
        if (!plist_.object(plist_.topObject(), top) || top.kind != Kind::Dict)
            return fail("not a keyed archive (the top object is not a dictionary)");
        Object objects;
        Object topKeys;
        bool haveObjects = false;
        bool haveTop = false;
        for (uint64_t i = 0; i < top.count; ++i) {
            std::string_view key;
            uint64_t valueIndex = 0;
            if (!entry(top, i, key, valueIndex)) return false;
            if (key == "$objects") haveObjects = plist_.object(valueIndex, objects) && objects.kind == Kind::Array;
            if (key == "$top") haveTop = plist_.object(valueIndex, topKeys) && topKeys.kind == Kind::Dict;
        }
        if (!haveObjects) return fail("not a keyed archive (no \"$objects\" list)");
        if (!haveTop) return fail("not a keyed archive (no \"$top\" dictionary)");
        if (objects.count > BinaryPlistReader::kMaxObjects) return fail("an absurd number of archived objects");
        objects_.resize(objects.count);
        for (uint64_t i = 0; i < objects.count; ++i)
            if (!plist_.reference(objects, i, objects_[i])) return fail(format("damaged object list at %llu", i));
        inProgress_.assign(objects.count, 0);
        for (uint64_t i = 0; i < topKeys.count; ++i) {
            std::string_view key;
            uint64_t valueIndex = 0;
            if (!entry(topKeys, i, key, valueIndex)) return false;
            std::string name(key);
            CoderValue value;
            if (!decodeValue(valueIndex, value)) return false;
            root.emplace_back(std::move(name), std::move(value));
        }
        return true;
    }

    const std::string& error() const { return error_; }

private:
    bool fail(std::string why) {
        if (error_.empty()) error_ = std::move(why);
        return false;
    }

    bool load(uint64_t index, Object& out) {
        if (!plist_.object(index, out)) return fail(format("damaged property list object %llu", index));
        return true;
    }

    // The i-th key and value of a dictionary; keys must be strings.
    bool entry(const Object& dict, uint64_t i, std::string_view& key, uint64_t& valueIndex) {
        uint64_t keyIndex = 0;
        Object keyObject;
        if (!plist_.reference(dict, i, keyIndex) || !plist_.reference(dict, dict.count + i, valueIndex))
            return fail("damaged dictionary");
        // The same few key objects are met in every record; remember them by index.
        KeySlot& slot = keyCache_[keyIndex % kKeyCacheSize];
        if (slot.index == keyIndex) {
            key = slot.key;
            return true;
        }
        if (!load(keyIndex, keyObject)) return false;
        // Keys are names; a long one is read again at every reference, so it is refused.
        if (keyObject.count > kLongestKey) return fail("a dictionary key is absurdly long");
        if (keyObject.kind == Kind::Utf16String) {
            if (auto it = convertedKeys_.find(keyIndex); it != convertedKeys_.end()) {
                key = it->second;
                return true;
            }
        }
        if (!plist_.stringValue(keyObject, scratch_, key)) return fail("a dictionary key is not a string");
        // Keys converted from UTF-16 are kept, once per key object, for the entries that point at them.
        if (key.data() == scratch_.data()) key = convertedKeys_.emplace(keyIndex, std::string(key)).first->second;
        slot = {keyIndex, key};
        return true;
    }

    // A UID object, or the XML form's {"CF$UID": n}.
    bool asUid(const Object& object, uint64_t& uid) {
        if (object.kind == Kind::Uid) {
            uid = object.integerBits;
            return true;
        }
        if (object.kind != Kind::Dict || object.count != 1) return false;
        uint64_t keyIndex = 0;
        uint64_t valueIndex = 0;
        Object keyObject;
        Object valueObject;
        std::string_view key;
        if (!plist_.reference(object, 0, keyIndex) || !plist_.reference(object, 1, valueIndex)) return false;
        if (!plist_.object(keyIndex, keyObject) || keyObject.count != 6) return false;
        if (!plist_.stringValue(keyObject, scratch_, key)) return false;
        if (key != "CF$UID" || !plist_.object(valueIndex, valueObject) || valueObject.kind != Kind::Integer)
            return false;
        uid = valueObject.integerBits;
        return true;
    }

    bool spend(uint64_t textBytes, uint64_t values = 1) {
        if (values > valuesLeft_ || textBytes > textLeft_)
            return fail("the archive expands far beyond its size (objects shared too many times)");
        valuesLeft_ -= values;
        textLeft_ -= textBytes;
        return true;
    }

    // A value as it stands in a record, a list or "$top": a UID, or a scalar inline.
    bool decodeValue(uint64_t index, CoderValue& out) {
        Object object;
        if (!load(index, object)) return false;
        uint64_t uid = 0;
        if (asUid(object, uid)) return decodeUid(uid, out);
        return decodeScalar(object, index, out);
    }

    bool decodeScalar(const Object& object, uint64_t index, CoderValue& out) {
        switch (object.kind) {
        case Kind::Null: out = CoderValue(); return spend(0);
        case Kind::Bool: out = CoderValue(object.boolValue); return spend(0);
        case Kind::Integer: out = integerValue(object.integerBits); return spend(0);
        case Kind::Real: out = CoderValue(object.realValue); return spend(0);
        case Kind::AsciiString:
        case Kind::Utf16String: {
            // Charged before the text is converted or copied, so that a long string
            // referred to many times stops the decode early.
            if (!spend(object.kind == Kind::Utf16String ? object.count * 3 : object.count)) return false;
            std::string_view text;
            plist_.stringValue(object, scratch_, text);
            out = CoderValue(std::string(text));
            return true;
        }
        // Dates and raw bytes have no model property to go to.
        case Kind::Date:
        case Kind::Data: out = CoderValue(); return spend(0);
        default: return fail(format("object %llu is a container where a value belongs", index));
        }
    }

    bool decodeUid(uint64_t uid, CoderValue& out) {
        if (uid == 0) {
            out = CoderValue();
            return spend(0);
        }
        if (uid >= objects_.size())
            return fail(format("reference to object %llu, but the archive has %llu objects", uid, objects_.size()));
        Object object;
        if (!load(objects_[uid], object)) return false;
        if (object.kind != Kind::Dict) {
            if (object.kind == Kind::Uid || object.kind == Kind::Array || object.kind == Kind::Set)
                return fail(format("archived object %llu is neither a value nor a record", uid));
            return decodeScalar(object, objects_[uid], out);
        }
        if (inProgress_[uid]) return fail(format("archived object %llu contains itself (a cycle)", uid));
        if (depth_ >= kMaxArchiveNesting) return fail("the archive is nested too deeply");
        if (!spend(0, 1 + object.count)) return false;
        inProgress_[uid] = 1;
        ++depth_;
        const bool ok = decodeRecord(uid, object, out);
        --depth_;
        inProgress_[uid] = 0;
        return ok;
    }

    using Entries = std::vector<std::pair<std::string_view, uint64_t>>;

    static const uint64_t* find(const Entries& entries, std::string_view key) {
        for (const auto& e : entries)
            if (e.first == key) return &e.second;
        return nullptr;
    }

    bool className(const Entries& entries, uint64_t uid, std::string& name) {
        const uint64_t* classRef = find(entries, "$class");
        Object classRefObject;
        uint64_t classUid = 0;
        if (!classRef) return fail(format("archived object %llu has no class", uid));
        if (!load(*classRef, classRefObject)) return false;
        if (!asUid(classRefObject, classUid) || classUid == 0 || classUid >= objects_.size())
            return fail(format("archived object %llu has a damaged class reference", uid));
        if (auto it = classNames_.find(classUid); it != classNames_.end()) {
            name = it->second;
            return true;
        }
        Object classObject;
        if (!load(objects_[classUid], classObject)) return false;
        if (classObject.kind != Kind::Dict) return fail(format("class record %llu is not a dictionary", classUid));
        for (uint64_t i = 0; i < classObject.count; ++i) {
            std::string_view key;
            uint64_t valueIndex = 0;
            if (!entry(classObject, i, key, valueIndex)) return false;
            if (key != "$classname") continue;
            Object nameObject;
            std::string_view text;
            if (!load(valueIndex, nameObject)) return false;
            if (!plist_.stringValue(nameObject, scratch_, text)) break;
            name = std::string(text);
            classNames_.emplace(classUid, name);
            return true;
        }
        return fail(format("class record %llu has no class name", classUid));
    }

    bool decodeRecord(uint64_t uid, const Object& dict, CoderValue& out) {
        Entries entries;
        entries.reserve(dict.count);
        for (uint64_t i = 0; i < dict.count; ++i) {
            std::string_view key;
            uint64_t valueIndex = 0;
            if (!entry(dict, i, key, valueIndex)) return false;
            entries.emplace_back(key, valueIndex);
        }
        std::string name;
        if (!className(entries, uid, name)) return false;
        if (name == "NSArray" || name == "NSMutableArray") return decodeList(entries, uid, out);
        if (name == "NSDictionary" || name == "NSMutableDictionary") return decodeDictionary(entries, uid, out);
        if (name == "NSString" || name == "NSMutableString") return decodeString(entries, uid, out);
        if (name == "NSColor") return decodeColor(entries, out);
        if (name == "NSNull") {
            out = CoderValue();
            return true;
        }
        CoderObject object = factory_ ? factory_(name) : nullptr;
        if (!object) {
            out = CoderValue();
            return true;
        }
        // Writers usually store the keys in the class's own order, so the entry after
        // the last one found is tried first.
        size_t next = 0;
        for (const std::string& key : object->decodedCoderKeys()) {
            const uint64_t* valueIndex = nullptr;
            if (next < entries.size() && entries[next].first == key) {
                valueIndex = &entries[next++].second;
            } else {
                for (size_t i = 0; i < entries.size(); ++i) {
                    if (entries[i].first != key) continue;
                    valueIndex = &entries[i].second;
                    next = i + 1;
                    break;
                }
            }
            if (!valueIndex) continue;
            CoderValue value;
            if (!decodeValue(*valueIndex, value)) return false;
            if (check_) {
                std::string why = check_(name, key, value);
                if (!why.empty()) return fail(std::move(why));
            }
            object->setValueForKey(key, value);
        }
        object->didDecode();
        out = CoderValue(std::move(object));
        return true;
    }

    // The plain array under key (NS.objects, NS.keys) of a list or dictionary record.
    bool arrayOf(const Entries& entries, std::string_view key, uint64_t uid, Object& array, bool& present) {
        const uint64_t* index = find(entries, key);
        present = index != nullptr;
        if (!present) return true;
        if (!load(*index, array)) return false;
        if (array.kind != Kind::Array && array.kind != Kind::Set)
            return fail(format("archived collection %llu has a damaged member list", uid));
        return true;
    }

    bool decodeList(const Entries& entries, uint64_t uid, CoderValue& out) {
        Object items;
        bool present = false;
        if (!arrayOf(entries, "NS.objects", uid, items, present)) return false;
        CoderList list;
        if (present) {
            list.reserve(std::min<uint64_t>(items.count, valuesLeft_));
            for (uint64_t i = 0; i < items.count; ++i) {
                uint64_t index = 0;
                if (!plist_.reference(items, i, index)) return fail("damaged list");
                CoderValue item;
                if (!decodeValue(index, item)) return false;
                list.push_back(std::move(item));
            }
        }
        out = CoderValue(std::move(list));
        return true;
    }

    bool decodeDictionary(const Entries& entries, uint64_t uid, CoderValue& out) {
        Object keys;
        Object values;
        bool haveKeys = false;
        bool haveValues = false;
        if (!arrayOf(entries, "NS.keys", uid, keys, haveKeys) || !arrayOf(entries, "NS.objects", uid, values, haveValues))
            return false;
        if (haveKeys != haveValues || (haveKeys && keys.count != values.count))
            return fail(format("archived dictionary %llu has unequal key and value lists", uid));
        CoderDictionary dictionary;
        for (uint64_t i = 0; haveKeys && i < keys.count; ++i) {
            uint64_t keyIndex = 0;
            uint64_t valueIndex = 0;
            if (!plist_.reference(keys, i, keyIndex) || !plist_.reference(values, i, valueIndex))
                return fail("damaged dictionary");
            CoderValue key;
            CoderValue value;
            if (!decodeValue(keyIndex, key) || !decodeValue(valueIndex, value)) return false;
            std::string name;
            if (!key.asString(name)) return fail(format("archived dictionary %llu has a key that is not a string", uid));
            dictionary[std::move(name)] = std::move(value);
        }
        out = CoderValue(std::move(dictionary));
        return true;
    }

    bool decodeString(const Entries& entries, uint64_t uid, CoderValue& out) {
        const uint64_t* index = find(entries, "NS.string");
        CoderValue value;
        if (index && !decodeValue(*index, value)) return false;
        if (!index) value = CoderValue(std::string());
        if (!std::holds_alternative<std::string>(value.value))
            return fail(format("archived string %llu holds no text", uid));
        out = std::move(value);
        return true;
    }

    // Raw text of an inline data or string field of a colour record (or one it refers to).
    bool colorField(const Entries& entries, std::string_view key, std::string& text) {
        const uint64_t* index = find(entries, key);
        if (!index) return false;
        Object object;
        if (!plist_.object(*index, object)) return false;
        uint64_t uid = 0;
        constexpr uint64_t kLongestComponentText = 256;
        if (asUid(object, uid) && (uid == 0 || uid >= objects_.size() || !plist_.object(objects_[uid], object)))
            return false;
        std::string_view view;
        if (object.count > kLongestComponentText) return false;
        if (plist_.dataValue(object, view) || plist_.stringValue(object, scratch_, view)) {
            text.assign(view);
            return true;
        }
        return false;
    }

    // NSColorSpace 1 and 2 are RGB ("NSRGB"), 3 and 4 grey ("NSWhite"). Other spaces
    // usually carry an RGB or grey fallback, which is used; a colour that cannot be
    // read decodes as absent, so the property keeps its default.
    bool decodeColor(const Entries& entries, CoderValue& out) {
        out = CoderValue();
        double components[4] = {0.0, 0.0, 0.0, 1.0};
        int found = 0;
        std::string text;
        if (colorField(entries, "NSRGB", text) && parseComponents(text, components, 4, found)) {
            CoderColor color{components[0], components[1], components[2], found >= 4 ? components[3] : 1.0};
            out = CoderValue(color);
        } else if (colorField(entries, "NSWhite", text) && parseComponents(text, components, 2, found)) {
            CoderColor color{components[0], components[0], components[0], found >= 2 ? components[1] : 1.0};
            out = CoderValue(color);
        }
        return spend(0);
    }

    const BinaryPlistReader& plist_;
    const ClassFactory& factory_;
    const ValueCheck& check_;
    std::vector<uint64_t> objects_;     // property-list index of each "$objects" entry
    std::vector<uint8_t> inProgress_;   // per UID: being decoded further up
    std::unordered_map<uint64_t, std::string> classNames_;
    std::unordered_map<uint64_t, std::string> convertedKeys_;  // by property-list index
    struct KeySlot {
        uint64_t index = UINT64_MAX;
        std::string_view key;
    };
    static constexpr size_t kKeyCacheSize = 64;
    KeySlot keyCache_[kKeyCacheSize];
    std::string scratch_;
    uint64_t valuesLeft_ = 0;
    uint64_t textLeft_ = 0;
    int depth_ = 0;
    std::string error_;
};

}  // namespace

Outcome<RootEntries> decodeKeyedArchive(const uint8_t* bytes, size_t size, const ClassFactory& factory) {
    return decodeKeyedArchive(bytes, size, factory, ValueCheck());
}

Outcome<RootEntries> decodeKeyedArchive(const uint8_t* bytes, size_t size, const ClassFactory& factory,
                                        const ValueCheck& check) {
    if (size == 0) return Failure::because("empty file");
    if (size > kMaxArchiveBytes) return Failure::because("larger than 64 MiB");
    std::vector<uint8_t> converted;
    if (size < 8 || std::memcmp(bytes, "bplist", 6) != 0) {
        if (!looksLikeXmlPlist(bytes, size)) return Failure::because("not a property list");
        Outcome<std::vector<uint8_t>> binary = xmlPlistToBinary(bytes, size, kMaxArchiveNesting);
        if (!binary) return binary.failure();
        converted = std::move(*binary);
        bytes = converted.data();
        size = converted.size();
    }
    BinaryPlistReader plist;
    if (Outcome<> opened = plist.open(bytes, size); !opened) return opened.failure();
    Decoder decoder(plist, size, factory, check);
    RootEntries root;
    if (!decoder.decode(root)) return Failure::because(decoder.error());
    return root;
}

const CoderValue* findRootValue(const RootEntries& root, const std::string& key) {
    for (const auto& [name, value] : root)
        if (name == key) return &value;
    return nullptr;
}

}  // namespace wavomer::archive
