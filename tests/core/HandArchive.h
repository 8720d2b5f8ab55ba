// Keyed archives built by hand with libplist, laid out the way another archiver
// might write them (scalars inline or as number objects, NSString records, mutable
// classes, XML), so that the reader is tested against bytes it did not write.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace wavomer::test {

class HandArchive {
public:
    using Fields = std::vector<std::pair<std::string, plist_t>>;

    HandArchive() : objects_(plist_new_array()), top_(plist_new_dict()) { add(plist_new_string("$null")); }
    ~HandArchive() {
        plist_free(objects_);
        plist_free(top_);
    }
    HandArchive(const HandArchive&) = delete;
    HandArchive& operator=(const HandArchive&) = delete;

    // Appends an entry to "$objects" and answers its UID.
    uint64_t add(plist_t node) {
        plist_array_append_item(objects_, node);
        return plist_array_get_size(objects_) - 1;
    }
    // A slot filled later with set(), for records that refer to later ones (or to themselves).
    uint64_t reserve() { return add(plist_new_string("placeholder")); }
    void set(uint64_t uid, plist_t node) { plist_array_set_item(objects_, node, static_cast<uint32_t>(uid)); }

    static plist_t uid(uint64_t value) { return plist_new_uid(value); }
    static plist_t integer(int64_t value) { return plist_new_uint(static_cast<uint64_t>(value)); }
    static plist_t real(double value) { return plist_new_real(value); }
    static plist_t boolean(bool value) { return plist_new_bool(value ? 1 : 0); }
    static plist_t string(const std::string& value) { return plist_new_string(value.c_str()); }
    static plist_t data(const std::string& bytes) { return plist_new_data(bytes.data(), bytes.size()); }

    uint64_t classRecord(const std::string& name) {
        if (auto it = classes_.find(name); it != classes_.end()) return it->second;
        plist_t record = plist_new_dict();
        plist_dict_set_item(record, "$classname", plist_new_string(name.c_str()));
        plist_t chain = plist_new_array();
        plist_array_append_item(chain, plist_new_string(name.c_str()));
        plist_array_append_item(chain, plist_new_string("NSObject"));
        plist_dict_set_item(record, "$classes", chain);
        const uint64_t id = add(record);
        classes_[name] = id;
        return id;
    }

    // A record dictionary of the class with the fields (which it takes over).
    plist_t recordNode(const std::string& className, const Fields& fields) {
        plist_t record = plist_new_dict();
        for (const auto& [key, value] : fields) plist_dict_set_item(record, key.c_str(), value);
        plist_dict_set_item(record, "$class", uid(classRecord(className)));
        return record;
    }
    uint64_t record(const std::string& className, const Fields& fields) { return add(recordNode(className, fields)); }

    static plist_t uidArray(const std::vector<uint64_t>& uids) {
        plist_t array = plist_new_array();
        for (uint64_t u : uids) plist_array_append_item(array, uid(u));
        return array;
    }
    uint64_t list(const std::vector<uint64_t>& items, const std::string& className = "NSArray") {
        return record(className, {{"NS.objects", uidArray(items)}});
    }

    void top(const std::string& key, plist_t value) { plist_dict_set_item(top_, key.c_str(), value); }

    std::vector<uint8_t> binary() const { return serialize(false); }
    std::vector<uint8_t> xml() const { return serialize(true); }

private:
    std::vector<uint8_t> serialize(bool asXml) const {
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "$version", plist_new_uint(100000));
        plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
        plist_dict_set_item(root, "$top", plist_copy(top_));
        plist_dict_set_item(root, "$objects", plist_copy(objects_));
        char* bytes = nullptr;
        uint32_t length = 0;
        if (asXml) plist_to_xml(root, &bytes, &length);
        else plist_to_bin(root, &bytes, &length);
        std::vector<uint8_t> out(bytes, bytes + length);
        if (asXml) plist_to_xml_free(bytes);
        else plist_to_bin_free(bytes);
        plist_free(root);
        return out;
    }

    plist_t objects_;
    plist_t top_;
    std::map<std::string, uint64_t> classes_;
};

}  // namespace wavomer::test
